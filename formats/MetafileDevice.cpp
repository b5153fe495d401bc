#include "MetafileDevice.h"

#include "ImageLimits.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pelmora {

namespace {

MetaRect Normalized(const MetaRect& r)
{
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

bool Finite(double v)
{
    return std::isfinite(v) && std::abs(v) < 1e12;
}

// A scale that keeps the picture finite: a zero or absurd extent maps as 1.
double Ratio(double numerator, double denominator)
{
    double r = denominator != 0 ? numerator / denominator : 1;
    return Finite(r) && r != 0 ? r : 1;
}

// The parametric angle, in degrees, of the point where the radial through p meets the ellipse in r.
double EllipseAngle(const MetaRect& r, MetaPoint p)
{
    double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    double rx = std::abs(r.right - r.left) / 2, ry = std::abs(r.bottom - r.top) / 2;
    if (rx == 0 || ry == 0)
        return 0;
    return std::atan2(-(p.y - cy) / ry, (p.x - cx) / rx) * 180 / std::numbers::pi;
}

// r grown to take in p.
void Extend(MetaRect& r, MetaPoint p)
{
    r = {std::min(r.left, p.x), std::min(r.top, p.y), std::max(r.right, p.x), std::max(r.bottom, p.y)};
}

} // namespace

MetaTransform MetaTransform::Then(const MetaTransform& b) const
{
    return {m11 * b.m11 + m12 * b.m21, m11 * b.m12 + m12 * b.m22, m21 * b.m11 + m22 * b.m21, m21 * b.m12 + m22 * b.m22,
        dx * b.m11 + dy * b.m21 + b.dx, dx * b.m12 + dy * b.m22 + b.dy};
}

MetafileDevice::MetafileDevice(DrawingSteps& out, size_t objectTableSize)
    : out_(out)
    , objects_(std::min(objectTableSize, kMostObjects))
{
    current_.pen = MetaPen {};
    current_.brush = MetaBrush {};
    UpdateTransform();
}

void MetafileDevice::CreateObject(size_t index, MetaObject object)
{
    if (index < objects_.size())
        objects_[index] = std::move(object);
}

bool MetafileDevice::CreateObjectInFreeSlot(MetaObject object)
{
    for (; lowestFree_ < objects_.size(); ++lowestFree_)
        if (!objects_[lowestFree_]) {
            objects_[lowestFree_++] = std::move(object);
            return true;
        }
    return false;
}

void MetafileDevice::SelectObject(size_t index)
{
    if (index >= objects_.size() || !objects_[index])
        return;
    const MetaObject& o = *objects_[index];
    if (auto* pen = std::get_if<MetaPen>(&o))
        Change().pen = *pen;
    else if (auto* brush = std::get_if<MetaBrush>(&o))
        Change().brush = *brush;
    else if (auto* font = std::get_if<MetaFont>(&o))
        Change().font = *font;
}

void MetafileDevice::SelectStockObject(uint32_t stock)
{
    static const uint8_t kGreys[] = {255, 192, 128, 64, 0};
    if (stock <= 4) {
        uint8_t g = kGreys[stock];
        Change().brush = MetaBrush {MetaBrushStyle::Solid, 0, {g, g, g}};
    } else if (stock == 5) {
        Change().brush = MetaBrush {MetaBrushStyle::Null, 0, {}};
    } else if (stock == 6 || stock == 7) {
        uint8_t g = stock == 6 ? 255 : 0;
        Change().pen = MetaPen {MetaPenStyle::Solid, MetaCap::Round, MetaJoin::Round, 0, {g, g, g}};
    } else if (stock == 8) {
        Change().pen = MetaPen {MetaPenStyle::Null, MetaCap::Round, MetaJoin::Round, 0, {}};
    } else if (stock >= 10 && stock <= 17 && stock != 15) {
        Change().font = MetaFont {};
    }
}

void MetafileDevice::DeleteObject(size_t index)
{
    if (index < objects_.size()) {
        objects_[index].reset();
        lowestFree_ = std::min(lowestFree_, index);
    }
}

void MetafileDevice::SetMapMode(int mode)
{
    if (mode >= 1 && mode <= 8) {
        mapping_.mode = MetaMapMode(mode);
        UpdateTransform();
    }
}

void MetafileDevice::SetWindowOrg(double x, double y)
{
    mapping_.windowOrg = {x, y};
    UpdateTransform();
}

void MetafileDevice::SetWindowExt(double x, double y)
{
    if (x == 0 || y == 0)
        return;
    mapping_.windowExt = {x, y};
    windowExtSet_ = true;
    UpdateTransform();
}

void MetafileDevice::SetViewportOrg(double x, double y)
{
    mapping_.viewportOrg = {x, y};
    UpdateTransform();
}

void MetafileDevice::SetViewportExt(double x, double y)
{
    if (x == 0 || y == 0)
        return;
    mapping_.viewportExt = {x, y};
    UpdateTransform();
}

void MetafileDevice::ScaleWindowExt(double xNum, double xDen, double yNum, double yDen)
{
    SetWindowExt(mapping_.windowExt.x * Ratio(xNum, xDen), mapping_.windowExt.y * Ratio(yNum, yDen));
}

void MetafileDevice::ScaleViewportExt(double xNum, double xDen, double yNum, double yDen)
{
    SetViewportExt(mapping_.viewportExt.x * Ratio(xNum, xDen), mapping_.viewportExt.y * Ratio(yNum, yDen));
}

void MetafileDevice::SetWorldTransform(const MetaTransform& t)
{
    for (double v : {t.m11, t.m12, t.m21, t.m22, t.dx, t.dy})
        if (!Finite(v))
            return;
    mapping_.world = t;
    UpdateTransform();
}

void MetafileDevice::ModifyWorldTransform(const MetaTransform& t, int mode)
{
    switch (mode) {
    case 1: SetWorldTransform(MetaTransform {}); break; // identity
    case 2: SetWorldTransform(t.Then(mapping_.world)); break; // left multiply
    case 3: SetWorldTransform(mapping_.world.Then(t)); break; // right multiply
    case 4: SetWorldTransform(t); break;
    default: break;
    }
}

void MetafileDevice::SetDeviceToPicture(const MetaTransform& t)
{
    deviceToPicture_ = t;
    UpdateTransform();
}

void MetafileDevice::SetDevicePixelsPerMillimetre(double x, double y)
{
    if (Finite(x) && Finite(y) && x > 0 && y > 0) {
        pixelsPerMillimetre_ = {x, y};
        UpdateTransform();
    }
}

void MetafileDevice::UpdateTransform()
{
    double sx = 1, sy = 1;
    auto metric = [&](double millimetres) {
        sx = millimetres * pixelsPerMillimetre_.x;
        sy = -millimetres * pixelsPerMillimetre_.y;
    };
    MetaMapMode mode = alwaysAnisotropic_ ? MetaMapMode::Anisotropic : mapping_.mode;
    switch (mode) {
    case MetaMapMode::Text: break;
    case MetaMapMode::LoMetric: metric(0.1); break;
    case MetaMapMode::HiMetric: metric(0.01); break;
    case MetaMapMode::LoEnglish: metric(0.254); break;
    case MetaMapMode::HiEnglish: metric(0.0254); break;
    case MetaMapMode::Twips: metric(25.4 / 1440); break;
    case MetaMapMode::Isotropic:
    case MetaMapMode::Anisotropic:
        sx = Ratio(mapping_.viewportExt.x, mapping_.windowExt.x);
        sy = Ratio(mapping_.viewportExt.y, mapping_.windowExt.y);
        if (mode == MetaMapMode::Isotropic) {
            double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
        break;
    }
    MetaTransform page {sx, 0, 0, sy, mapping_.viewportOrg.x - mapping_.windowOrg.x * sx,
        mapping_.viewportOrg.y - mapping_.windowOrg.y * sy};
    MetaTransform t = mapping_.world.Then(page).Then(deviceToPicture_);
    for (double v : {t.m11, t.m12, t.m21, t.m22, t.dx, t.dy})
        if (!Finite(v))
            return; // keeps the last usable mapping
    Change().transform = t;
}

MetaRect MetafileDevice::DeviceRect(const MetaRect& logical) const
{
    const MetaTransform& t = current_.transform;
    MetaPoint corners[] = {t.Map({logical.left, logical.top}), t.Map({logical.right, logical.top}),
        t.Map({logical.left, logical.bottom}), t.Map({logical.right, logical.bottom})};
    MetaRect r {corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const MetaPoint& p : corners)
        Extend(r, p);
    return r;
}

void MetafileDevice::AddClip(MetaClipOp op, const MetaRect& logical)
{
    if (current_.clip.size() >= kMostClipSteps)
        return;
    Change().clip.push_back({op, DeviceRect(logical), {}});
}

void MetafileDevice::IntersectClip(const MetaRect& logical)
{
    AddClip(MetaClipOp::Intersect, logical);
}

void MetafileDevice::ExcludeClip(const MetaRect& logical)
{
    AddClip(MetaClipOp::Exclude, logical);
}

void MetafileDevice::SelectClipRegion(const std::vector<MetaRect>& deviceRects, int mode)
{
    if (deviceRects.empty()) {
        if (mode == 5)
            ResetClip(); // no region: no clip
        return;
    }
    MetaClipShape shape;
    MetaRect bounds;
    for (const MetaRect& r : deviceRects) {
        MetaPoint a = deviceToPicture_.Map({r.left, r.top}), b = deviceToPicture_.Map({r.right, r.bottom});
        MetaRect mapped = Normalized({a.x, a.y, b.x, b.y});
        if (shape.rects.empty())
            bounds = mapped;
        Extend(bounds, {mapped.left, mapped.top});
        Extend(bounds, {mapped.right, mapped.bottom});
        shape.rects.push_back(mapped);
    }
    if (shape.rects.size() == 1)
        shape.rects.clear(); // a rectangle alone
    CombineClip(mode, bounds, std::move(shape));
}

void MetafileDevice::CombineClip(int mode, const MetaRect& bounds, MetaClipShape&& shape)
{
    if (mode < 1 || mode > 5)
        return;
    if (mode == 5)
        ResetClip();
    if (current_.clip.size() >= kMostClipSteps)
        return;
    static constexpr MetaClipOp kOps[]
        = {MetaClipOp::Intersect, MetaClipOp::Unite, MetaClipOp::Xor, MetaClipOp::Exclude};
    MetaClip clip {mode == 5 ? MetaClipOp::Intersect : kOps[mode - 1], bounds, 0};
    // Shapes are kept once for all states; past the budget a shape clips to its bounds.
    size_t parts = shape.rects.size() + shape.points.size();
    if (parts > 0 && parts <= kMostClipShapeParts - clipShapeParts_) {
        clipShapeParts_ += parts;
        out_.clipShapes.push_back(std::move(shape));
        clip.shape = uint32_t(out_.clipShapes.size());
    }
    Change().clip.push_back(clip);
}

void MetafileDevice::ResetClip()
{
    if (!current_.clip.empty())
        Change().clip.clear();
}

void MetafileDevice::OffsetClip(double dx, double dy)
{
    const MetaTransform& t = current_.transform;
    double px = t.m11 * dx + t.m21 * dy, py = t.m12 * dx + t.m22 * dy;
    auto move = [&](MetaRect& r) { r = {r.left + px, r.top + py, r.right + px, r.bottom + py}; };
    for (MetaClip& c : Change().clip) {
        move(c.rect);
        if (c.shape == 0)
            continue;
        // Other states share the shape: this clip moves a copy, or its bounds alone past the budget.
        MetaClipShape moved = out_.clipShapes[c.shape - 1];
        size_t parts = moved.rects.size() + moved.points.size();
        c.shape = 0;
        if (parts > kMostClipShapeParts - clipShapeParts_)
            continue;
        clipShapeParts_ += parts;
        for (MetaRect& r : moved.rects)
            move(r);
        for (MetaPoint& p : moved.points)
            p = {p.x + px, p.y + py};
        out_.clipShapes.push_back(std::move(moved));
        c.shape = uint32_t(out_.clipShapes.size());
    }
}

void MetafileDevice::SaveDC()
{
    if (saved_.size() >= kMostSavedStates)
        return;
    saved_.push_back({current_, mapping_});
}

void MetafileDevice::RestoreDC(int relative)
{
    int64_t levels = relative < 0 ? -int64_t(relative) : int64_t(saved_.size()) - relative + 1;
    if (levels <= 0 || levels > int64_t(saved_.size()))
        return;
    saved_.resize(saved_.size() - size_t(levels - 1));
    Saved s = std::move(saved_.back());
    saved_.pop_back();
    Change() = std::move(s.state);
    mapping_ = s.mapping;
}

void MetafileDevice::Include(MetaPoint logical)
{
    MetaPoint p = current_.transform.Map(logical);
    if (!hasBounds_) {
        bounds_ = {p.x, p.y, p.x, p.y};
        hasBounds_ = true;
        return;
    }
    Extend(bounds_, p);
}

void MetafileDevice::Emit(MetaStep&& step)
{
    if (dirty_ || out_.states.empty()) {
        if (out_.states.empty() || !(out_.states.back() == current_))
            out_.states.push_back(current_);
        dirty_ = false;
    }
    step.state = uint32_t(out_.states.size() - 1);
    for (const MetaPoint& p : step.points)
        Include(p);
    if (step.kind != MetaStepKind::Polyline && step.kind != MetaStepKind::Polygon && step.kind != MetaStepKind::Path
        && step.kind != MetaStepKind::Text) {
        Include({step.rect.left, step.rect.top});
        Include({step.rect.right, step.rect.bottom});
    }
    out_.steps.push_back(std::move(step));
}

void MetafileDevice::MoveTo(MetaPoint p)
{
    position_ = p;
    if (inPath_)
        PathPoint(MetaPathOp::Move, p);
}

void MetafileDevice::LineTo(MetaPoint p)
{
    if (inPath_) {
        PathPoint(MetaPathOp::Line, p);
    } else {
        MetaStep s;
        s.kind = MetaStepKind::Polyline;
        s.points = {position_, p};
        s.counts = {2};
        Emit(std::move(s));
    }
    position_ = p;
}

void MetafileDevice::Polyline(std::vector<MetaPoint> points, std::vector<uint32_t> counts, bool closed)
{
    if (points.empty())
        return;
    if (inPath_) {
        size_t at = 0;
        for (uint32_t n : counts) {
            for (uint32_t i = 0; i < n && at < points.size(); ++i, ++at)
                PathPoint(i == 0 ? MetaPathOp::Move : MetaPathOp::Line, points[at]);
            if (closed)
                CloseFigure();
        }
        return;
    }
    MetaStep s;
    s.kind = closed ? MetaStepKind::Polygon : MetaStepKind::Polyline;
    s.points = std::move(points);
    s.counts = std::move(counts);
    Emit(std::move(s));
}

void MetafileDevice::PolylineTo(const std::vector<MetaPoint>& points)
{
    if (points.empty())
        return;
    if (inPath_) {
        for (const MetaPoint& p : points)
            PathPoint(MetaPathOp::Line, p);
    } else {
        std::vector<MetaPoint> all {position_};
        all.insert(all.end(), points.begin(), points.end());
        uint32_t n = uint32_t(all.size());
        Polyline(std::move(all), {n}, false);
    }
    position_ = points.back();
}

void MetafileDevice::PolyBezier(const std::vector<MetaPoint>& points, bool fromCurrent)
{
    size_t first = fromCurrent ? 0 : 1;
    if (points.size() < first + 3)
        return;
    MetaStep line = Line();
    MetaStep& path = inPath_ ? path_ : line;
    if (!fromCurrent)
        FigurePoint(path, MetaPathOp::Move, points[0]);
    for (size_t i = first; i + 3 <= points.size(); i += 3)
        FigureCurve(path, points[i], points[i + 1], points[i + 2]);
    if (!inPath_)
        Emit(std::move(line));
}

void MetafileDevice::Rectangle(const MetaRect& r)
{
    if (inPath_) {
        Polyline({{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}}, {4}, true);
        return;
    }
    MetaStep s;
    s.kind = MetaStepKind::Rectangle;
    s.rect = r;
    Emit(std::move(s));
}

void MetafileDevice::RoundRect(const MetaRect& r, double cornerWidth, double cornerHeight)
{
    if (inPath_)
        return Rectangle(r);
    MetaStep s;
    s.kind = MetaStepKind::RoundRect;
    s.rect = r;
    s.corner = {cornerWidth, cornerHeight};
    Emit(std::move(s));
}

void MetafileDevice::Ellipse(const MetaRect& r)
{
    if (inPath_) {
        // Four quarter curves, the usual cubic approximation.
        constexpr double k = 0.5522847498;
        MetaRect n = Normalized(r);
        double cx = (n.left + n.right) / 2, cy = (n.top + n.bottom) / 2;
        double rx = (n.right - n.left) / 2, ry = (n.bottom - n.top) / 2;
        PathPoint(MetaPathOp::Move, {n.right, cy});
        std::vector<MetaPoint> curves = {{n.right, cy + k * ry}, {cx + k * rx, n.bottom}, {cx, n.bottom},
            {cx - k * rx, n.bottom}, {n.left, cy + k * ry}, {n.left, cy}, {n.left, cy - k * ry}, {cx - k * rx, n.top},
            {cx, n.top}, {cx + k * rx, n.top}, {n.right, cy - k * ry}, {n.right, cy}};
        for (size_t i = 0; i < curves.size(); i += 3) {
            path_.ops.push_back(MetaPathOp::Curve);
            path_.points.insert(path_.points.end(), curves.begin() + ptrdiff_t(i), curves.begin() + ptrdiff_t(i + 3));
        }
        CloseFigure();
        return;
    }
    MetaStep s;
    s.kind = MetaStepKind::Ellipse;
    s.rect = r;
    Emit(std::move(s));
}

void MetafileDevice::Arc(MetaStepKind kind, const MetaRect& r, MetaPoint start, MetaPoint end)
{
    if (inPath_)
        return;
    MetaStep s;
    s.kind = kind;
    s.rect = r;
    double a = EllipseAngle(r, start), b = EllipseAngle(r, end);
    double sweep = std::fmod(b - a + 720, 360);
    if (sweep <= 1e-9)
        sweep = 360;
    if (mapping_.clockwise)
        sweep -= 360;
    s.startAngle = a;
    s.sweep = sweep;
    Emit(std::move(s));
}

void MetafileDevice::FillRect(const MetaRect& r, bool withBrush, MetaColor color)
{
    MetaPen pen = current_.pen;
    MetaBrush brush = current_.brush;
    Change().pen.style = MetaPenStyle::Null;
    if (!withBrush)
        current_.brush = MetaBrush {MetaBrushStyle::Solid, 0, color};
    if (current_.brush.style != MetaBrushStyle::Null)
        Rectangle(r);
    Change().pen = pen;
    current_.brush = brush;
}

void MetafileDevice::PatternFill(const MetaRect& r, uint32_t rasterOp)
{
    constexpr uint32_t kPatCopy = 0x00F00021, kBlackness = 0x00000042, kWhiteness = 0x00FF0062;
    if (rasterOp == kPatCopy)
        FillRect(r, true, {});
    else if (rasterOp == kBlackness || rasterOp == kWhiteness)
        FillRect(r, false, rasterOp == kBlackness ? MetaColor {0, 0, 0} : MetaColor {255, 255, 255});
}

void MetafileDevice::Text(MetaPoint at, std::u16string text, const std::optional<MetaRect>& box, bool opaque,
    bool clipped, std::vector<double> advances)
{
    if (inPath_ || (text.empty() && !(box && opaque)))
        return;
    MetaStep s;
    s.kind = MetaStepKind::Text;
    if (current_.textAlign & kAlignUpdateCp)
        at = position_;
    s.points = {at};
    if (advances.size() == text.size())
        s.advances = std::move(advances);
    s.text = std::move(text);
    if (box) {
        s.rect = *box;
        s.textOpaque = opaque;
        s.textClipped = clipped;
        Include({box->left, box->top});
        Include({box->right, box->bottom});
    }
    Emit(std::move(s));
}

void MetafileDevice::DrawBitmap(Bitmap bitmap, const MetaRect& destination, const MetaRect& source, uint32_t rasterOp)
{
    if (inPath_ || !TakeBitmap(bitmap))
        return;
    MetaStep s;
    s.kind = MetaStepKind::Bitmap;
    s.rect = destination;
    s.source = source;
    s.rasterOp = rasterOp;
    s.bitmap = uint32_t(out_.bitmaps.size());
    out_.bitmaps.push_back(std::move(bitmap));
    Emit(std::move(s));
}

bool MetafileDevice::TakeBitmap(const Bitmap& bitmap)
{
    if (bitmap.IsEmpty())
        return false;
    // Pixels of all bitmaps together stay under one picture's limit.
    int64_t pixels = int64_t(bitmap.Width()) * bitmap.Height();
    if (pixels > kMaxImagePixels - bitmapPixels_)
        return false;
    bitmapPixels_ += pixels;
    return true;
}

bool MetafileDevice::PatternBrush(Bitmap bitmap, bool monochrome, MetaBrush& brush)
{
    if (!TakeBitmap(bitmap))
        return false;
    brush = MetaBrush {};
    brush.style = MetaBrushStyle::Pattern;
    brush.pattern = uint32_t(out_.bitmaps.size());
    brush.monochrome = monochrome;
    out_.bitmaps.push_back(std::move(bitmap));
    return true;
}

void MetafileDevice::SetPixel(MetaPoint p, MetaColor c)
{
    FillRect({p.x, p.y, p.x + 1, p.y + 1}, false, c);
}

void MetafileDevice::BeginPath()
{
    path_ = MetaStep {};
    path_.kind = MetaStepKind::Path;
    inPath_ = true;
}

void MetafileDevice::AbortPath()
{
    path_ = MetaStep {};
    inPath_ = false;
}

void MetafileDevice::PathPoint(MetaPathOp op, MetaPoint p)
{
    FigurePoint(path_, op, p);
}

void MetafileDevice::FigurePoint(MetaStep& path, MetaPathOp op, MetaPoint p)
{
    // A line with no figure open starts one at the current position.
    if (op != MetaPathOp::Move && (path.ops.empty() || path.ops.back() == MetaPathOp::Close)) {
        path.ops.push_back(MetaPathOp::Move);
        path.points.push_back(position_);
    }
    path.ops.push_back(op);
    path.points.push_back(p);
    position_ = p;
}

void MetafileDevice::FigureCurve(MetaStep& path, MetaPoint control1, MetaPoint control2, MetaPoint end)
{
    FigurePoint(path, MetaPathOp::Curve, control1);
    path.points.push_back(control2);
    path.points.push_back(end);
    position_ = end;
}

MetaStep MetafileDevice::Line()
{
    MetaStep s;
    s.kind = MetaStepKind::Path;
    s.fill = false;
    return s;
}

void MetafileDevice::AngleArc(MetaPoint center, double radius, double startAngle, double sweep)
{
    if (!Finite(radius) || !Finite(startAngle) || !Finite(sweep))
        return;
    sweep = std::clamp(sweep, -360.0, 360.0);
    auto at = [&](double degrees) {
        double a = degrees * std::numbers::pi / 180;
        return MetaPoint {center.x + radius * std::cos(a), center.y - radius * std::sin(a)};
    };
    MetaStep line = Line();
    MetaStep& path = inPath_ ? path_ : line;
    FigurePoint(path, MetaPathOp::Line, at(startAngle));
    // Pieces of at most a quarter turn, each one cubic curve.
    int pieces = std::max(1, int(std::ceil(std::abs(sweep) / 90)));
    double piece = sweep / pieces;
    double k = 4.0 / 3 * std::tan(piece * std::numbers::pi / 180 / 4) * radius;
    for (int i = 0; i < pieces; ++i) {
        double a0 = startAngle + i * piece, a1 = a0 + piece;
        double r0 = a0 * std::numbers::pi / 180, r1 = a1 * std::numbers::pi / 180;
        MetaPoint p0 = at(a0), p1 = at(a1);
        FigureCurve(path, {p0.x - k * std::sin(r0), p0.y - k * std::cos(r0)},
            {p1.x + k * std::sin(r1), p1.y + k * std::cos(r1)}, p1);
    }
    if (!inPath_)
        Emit(std::move(line));
}

void MetafileDevice::PolyDraw(const std::vector<MetaPoint>& points, const std::vector<uint8_t>& types)
{
    constexpr uint8_t kClose = 1, kLineTo = 2, kBezierTo = 4, kMoveTo = 6;
    MetaStep line = Line();
    MetaStep& path = inPath_ ? path_ : line;
    size_t n = std::min(points.size(), types.size());
    auto type = [&](size_t i) { return uint8_t(types[i] & ~kClose); };
    for (size_t i = 0; i < n; ++i) {
        size_t last = i;
        if (type(i) == kMoveTo)
            FigurePoint(path, MetaPathOp::Move, points[i]);
        else if (type(i) == kLineTo)
            FigurePoint(path, MetaPathOp::Line, points[i]);
        else if (type(i) == kBezierTo && i + 2 < n && type(i + 1) == kBezierTo && type(i + 2) == kBezierTo)
            FigureCurve(path, points[i], points[i + 1], points[(last = i + 2)]);
        else
            break; // a type out of place ends the drawing
        if ((types[last] & kClose) && path.ops.back() != MetaPathOp::Close)
            path.ops.push_back(MetaPathOp::Close);
        i = last;
    }
    if (!inPath_ && !line.ops.empty())
        Emit(std::move(line));
}

void MetafileDevice::CloseFigure()
{
    if (inPath_ && !path_.ops.empty() && path_.ops.back() != MetaPathOp::Close) {
        path_.ops.push_back(MetaPathOp::Close);
    }
}

void MetafileDevice::DrawPath(bool stroke, bool fill)
{
    if (path_.ops.empty())
        return;
    MetaStep s = std::move(path_);
    path_ = MetaStep {};
    s.kind = MetaStepKind::Path;
    s.stroke = stroke;
    s.fill = fill;
    inPath_ = false;
    Emit(std::move(s));
}

void MetafileDevice::ClipToPath(int mode)
{
    if (path_.points.empty())
        return;
    MetaClipShape shape;
    shape.ops = std::move(path_.ops);
    shape.winding = current_.windingFill;
    MetaRect bounds;
    for (const MetaPoint& p : path_.points) {
        MetaPoint mapped = current_.transform.Map(p);
        if (shape.points.empty())
            bounds = {mapped.x, mapped.y, mapped.x, mapped.y};
        Extend(bounds, mapped);
        shape.points.push_back(mapped);
    }
    path_ = MetaStep {};
    inPath_ = false;
    CombineClip(mode, bounds, std::move(shape));
}

void MetafileDevice::MapPicture(const MetaTransform& t)
{
    auto map = [&](MetaRect& r) {
        MetaPoint a = t.Map({r.left, r.top}), b = t.Map({r.right, r.bottom});
        r = Normalized({a.x, a.y, b.x, b.y});
    };
    for (MetaState& s : out_.states) {
        s.transform = s.transform.Then(t);
        for (MetaClip& c : s.clip)
            map(c.rect);
    }
    for (MetaClipShape& shape : out_.clipShapes) {
        for (MetaRect& r : shape.rects)
            map(r);
        for (MetaPoint& p : shape.points)
            p = t.Map(p);
    }
}

} // namespace pelmora
