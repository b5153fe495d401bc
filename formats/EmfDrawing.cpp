// Enhanced metafile records that draw: figures, shapes, text and bit-block
// transfers. Counts are checked against the bytes the record holds.
#include "ByteOrder.h"
#include "EmfHandlers.h"
#include "MetafileRecordData.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace pelmora::emf {

namespace {

constexpr uint32_t kSourceCopy = 0xCC0020;

// `count` points, refused when the record cannot hold them.
std::optional<std::vector<MetaPoint>> ReadPoints(ByteCursor& c, uint64_t count, bool small)
{
    if (count * (small ? 4 : 8) > c.Remaining())
        return std::nullopt;
    std::vector<MetaPoint> points(static_cast<size_t>(count));
    for (MetaPoint& p : points)
        p = ReadPoint(c, small);
    return points;
}

// PolyPolyline and PolyPolygon: counts, then all the points.
void PolyFigures(ByteCursor& c, bool small, bool closed, MetafileDevice& d)
{
    uint32_t figures = c.U32LE();
    uint64_t total = c.U32LE();
    if (uint64_t(figures) * 4 > c.Remaining())
        return;
    std::vector<uint32_t> counts(figures);
    uint64_t sum = 0;
    for (uint32_t& n : counts) {
        n = c.U32LE();
        sum += n;
    }
    if (sum != total)
        return;
    if (auto points = ReadPoints(c, total, small))
        d.Polyline(std::move(*points), std::move(counts), closed);
}

} // namespace

void Poly(Record& r, MetafileDevice& d)
{
    const bool small = r.type >= kPolyBezier16;
    const uint32_t base = small ? r.type - kPolyBezier16 + kPolyBezier : r.type;
    r.c.Skip(16); // bounds
    if (base == kPolyPolyline || base == kPolyPolygon)
        return PolyFigures(r.c, small, base == kPolyPolygon, d);
    auto points = ReadPoints(r.c, r.c.U32LE(), small);
    if (!points || points->empty())
        return;
    switch (base) {
    case kPolyBezier: d.PolyBezier(*points, false); break;
    case kPolyBezierTo: d.PolyBezier(*points, true); break;
    case kPolylineTo: d.PolylineTo(*points); break;
    default: {
        uint32_t n = uint32_t(points->size());
        d.Polyline(std::move(*points), {n}, base == kPolygon);
    }
    }
}

void SetPixelV(Record& r, MetafileDevice& d)
{
    MetaPoint p = ReadPoint(r.c, false);
    d.SetPixel(p, ColorRef(r.c.U32LE()));
}

void RoundRect(Record& r, MetafileDevice& d)
{
    MetaRect rect = ReadRect(r.c);
    MetaPoint corner = ReadPoint(r.c, false);
    d.RoundRect(rect, corner.x, corner.y);
}

// Arc, ArcTo, Chord and Pie.
void ArcChordPie(Record& r, MetafileDevice& d)
{
    MetaRect rect = ReadRect(r.c);
    MetaPoint start = ReadPoint(r.c, false), end = ReadPoint(r.c, false);
    MetaStepKind kind = r.type == kChord ? MetaStepKind::Chord : r.type == kPie ? MetaStepKind::Pie : MetaStepKind::Arc;
    d.Arc(kind, rect, start, end);
}

void AngleArc(Record& r, MetafileDevice& d)
{
    MetaPoint center = ReadPoint(r.c, false);
    double radius = r.c.U32LE();
    double start = ReadFloat(r.c);
    d.AngleArc(center, radius, start, ReadFloat(r.c));
}

void PolyDraw(Record& r, MetafileDevice& d)
{
    const bool small = r.type == kPolyDraw16;
    r.c.Skip(16); // bounds
    uint64_t count = r.c.U32LE();
    if (count * ((small ? 4 : 8) + 1) > r.c.Remaining())
        return; // more points and types than the record holds
    auto points = ReadPoints(r.c, count, small);
    auto types = r.c.Bytes(size_t(count));
    d.PolyDraw(*points, std::vector<uint8_t>(types.begin(), types.end()));
}

// ExtTextOutA and ExtTextOutW.
void ExtTextOut(Record& r, MetafileDevice& d)
{
    const bool wide = r.type == kExtTextOutW;
    r.c.Skip(16 + 12); // bounds, graphics mode, scales
    MetaPoint at = ReadPoint(r.c, false);
    uint32_t chars = r.c.U32LE(), offset = r.c.U32LE(), options = r.c.U32LE();
    MetaRect box = ReadRect(r.c);
    uint32_t offDx = r.c.Remaining() >= 4 ? r.c.U32LE() : 0;
    auto bytes = Part(r, offset, uint32_t(std::min<uint64_t>(uint64_t(chars) * (wide ? 2 : 1), UINT32_MAX)));
    if (bytes.empty() && chars > 0)
        return;
    std::u16string text;
    if (wide) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            text.push_back(char16_t(LoadU16LE(bytes.data() + i)));
    } else {
        text = AnsiText(bytes);
    }
    // Each character's advance; with ETO_PDY each is followed by a vertical one, which we leave.
    const uint32_t stride = options & 0x2000 ? 8 : 4;
    std::vector<double> advances;
    auto dx = offDx == 0 ? std::span<const uint8_t> {}
                         : Part(r, offDx, uint32_t(std::min<uint64_t>(uint64_t(text.size()) * stride, UINT32_MAX)));
    if (!dx.empty())
        for (size_t i = 0; i < text.size(); ++i)
            advances.push_back(int32_t(LoadU32LE(dx.data() + i * stride)));
    bool opaque = options & 2, clipped = options & 4;
    d.Text(at, std::move(text), opaque || clipped ? std::optional<MetaRect>(box) : std::nullopt, opaque, clipped,
        std::move(advances));
}

void Transfer(Record& r, MetafileDevice& d)
{
    ByteCursor& c = r.c;
    c.Skip(16); // bounds
    int32_t xDest = c.S32LE(), yDest = c.S32LE();
    int32_t xSrc, ySrc, cxSrc = 0, cySrc = 0, cxDest, cyDest;
    uint32_t rop = kSourceCopy, offBmi, cbBmi, offBits, cbBits;
    if (r.type == kBitBlt || r.type == kStretchBlt) {
        cxDest = c.S32LE(), cyDest = c.S32LE();
        rop = c.U32LE();
        xSrc = c.S32LE(), ySrc = c.S32LE();
        c.Skip(24 + 4 + 4); // source transform, background colour, colour usage
        offBmi = c.U32LE(), cbBmi = c.U32LE(), offBits = c.U32LE(), cbBits = c.U32LE();
        if (r.type == kStretchBlt)
            cxSrc = c.S32LE(), cySrc = c.S32LE();
        else
            cxSrc = cxDest, cySrc = cyDest;
    } else {
        xSrc = c.S32LE(), ySrc = c.S32LE(), cxSrc = c.S32LE(), cySrc = c.S32LE();
        offBmi = c.U32LE(), cbBmi = c.U32LE(), offBits = c.U32LE(), cbBits = c.U32LE();
        c.Skip(4); // colour usage
        if (r.type == kStretchDIBits) {
            rop = c.U32LE();
            cxDest = c.S32LE(), cyDest = c.S32LE();
        } else {
            cxDest = cxSrc, cyDest = cySrc;
        }
    }
    MetaRect destination {double(xDest), double(yDest), double(xDest) + cxDest, double(yDest) + cyDest};
    if (cbBmi == 0)
        return d.PatternFill(destination, rop);
    auto info = Part(r, offBmi, cbBmi), bits = Part(r, offBits, cbBits);
    auto dib = info.empty() ? std::nullopt : ReadMetaDib(info, bits);
    if (!dib)
        return;
    MetaRect source = SourceRect(*dib, xSrc, ySrc, cxSrc, cySrc);
    d.DrawBitmap(std::move(dib->bitmap), destination, source, rop);
}

} // namespace pelmora::emf
