// What the drawing records make of the device: drawing steps with the
// current state, or pieces of the path being built.
#include "MetafileDevice.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pelmora {

namespace {

// The parametric angle, in degrees, of the point where the radial through p meets the ellipse in r.
double EllipseAngle(const MetaRect& r, MetaPoint p)
{
    double cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    double rx = std::abs(r.right - r.left) / 2, ry = std::abs(r.bottom - r.top) / 2;
    if (rx == 0 || ry == 0)
        return 0;
    return std::atan2(-(p.y - cy) / ry, (p.x - cx) / rx) * 180 / std::numbers::pi;
}

} // namespace

void MetafileDevice::Include(MetaPoint logical)
{
    MetaPoint p = current_.transform.Map(logical);
    if (!hasBounds_) {
        bounds_ = {p.x, p.y, p.x, p.y};
        hasBounds_ = true;
        return;
    }
    bounds_.Extend(p);
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
        MetaRect n = r.Normalized();
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
        bounds.Extend(mapped);
        shape.points.push_back(mapped);
    }
    path_ = MetaStep {};
    inPath_ = false;
    CombineClip(mode, bounds, std::move(shape));
}

} // namespace pelmora
