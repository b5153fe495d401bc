// The device's state: objects, mapping, clip and saved states.
#include "MetafileDevice.h"

#include "ImageLimits.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

// A scale that keeps the picture finite: a zero or absurd extent maps as 1.
double Ratio(double numerator, double denominator)
{
    double r = denominator != 0 ? numerator / denominator : 1;
    return MetafileDevice::Finite(r) && r != 0 ? r : 1;
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
    const MetaMapMode mode = mapping_.mode;
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
        r.Extend(p);
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
        MetaRect mapped = MetaRect {a.x, a.y, b.x, b.y}.Normalized();
        if (shape.rects.empty())
            bounds = mapped;
        bounds.Extend({mapped.left, mapped.top});
        bounds.Extend({mapped.right, mapped.bottom});
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

void MetafileDevice::MapPicture(const MetaTransform& t)
{
    auto map = [&](MetaRect& r) {
        MetaPoint a = t.Map({r.left, r.top}), b = t.Map({r.right, r.bottom});
        r = MetaRect {a.x, a.y, b.x, b.y}.Normalized();
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
