#include "EmfRecords.h"

#include "ByteCursor.h"
#include "ByteOrder.h"
#include "MetafileRecordData.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace pelmora {

namespace {

enum EmfRecord : uint32_t {
    kPolyBezier = 2,
    kPolygon = 3,
    kPolyline = 4,
    kPolyBezierTo = 5,
    kPolylineTo = 6,
    kPolyPolyline = 7,
    kPolyPolygon = 8,
    kSetWindowExtEx = 9,
    kSetWindowOrgEx = 10,
    kSetViewportExtEx = 11,
    kSetViewportOrgEx = 12,
    kEof = 14,
    kSetPixelV = 15,
    kSetMapMode = 17,
    kSetBkMode = 18,
    kSetPolyFillMode = 19,
    kSetTextAlign = 22,
    kSetTextColor = 24,
    kSetBkColor = 25,
    kOffsetClipRgn = 26,
    kMoveToEx = 27,
    kExcludeClipRect = 29,
    kIntersectClipRect = 30,
    kScaleViewportExtEx = 31,
    kScaleWindowExtEx = 32,
    kSaveDC = 33,
    kRestoreDC = 34,
    kSetWorldTransform = 35,
    kModifyWorldTransform = 36,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrushIndirect = 39,
    kDeleteObject = 40,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kArc = 45,
    kChord = 46,
    kPie = 47,
    kAngleArc = 41,
    kCreatePalette = 49,
    kLineTo = 54,
    kArcTo = 55,
    kPolyDraw = 56,
    kSetArcDirection = 57,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kSelectClipPath = 67,
    kAbortPath = 68,
    kExtSelectClipRgn = 75,
    kBitBlt = 76,
    kStretchBlt = 77,
    kSetDIBitsToDevice = 80,
    kStretchDIBits = 81,
    kExtCreateFontIndirectW = 82,
    kExtTextOutA = 83,
    kExtTextOutW = 84,
    kPolyBezier16 = 85,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kPolyBezierTo16 = 88,
    kPolylineTo16 = 89,
    kPolyPolyline16 = 90,
    kPolyPolygon16 = 91,
    kPolyDraw16 = 92,
    kCreateMonoBrush = 93,
    kCreateDibPatternBrushPt = 94,
    kExtCreatePen = 95,
};

constexpr uint32_t kStockObject = 0x80000000u;

struct Record {
    std::span<const uint8_t> bytes; // the whole record, type and size included
    ByteCursor c; // after type and size
};

MetaPoint ReadPoint(ByteCursor& c, bool small)
{
    if (small) {
        double x = c.S16LE();
        return {x, double(c.S16LE())};
    }
    double x = c.S32LE();
    return {x, double(c.S32LE())};
}

MetaRect ReadRect(ByteCursor& c)
{
    double l = c.S32LE(), t = c.S32LE(), r = c.S32LE();
    return {l, t, r, double(c.S32LE())};
}

float ReadFloat(ByteCursor& c)
{
    return std::bit_cast<float>(c.U32LE());
}

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

// A part of the record given by offset and size from its start; empty when it lies outside.
std::span<const uint8_t> Part(const Record& r, uint32_t offset, uint32_t size)
{
    if (offset > r.bytes.size() || size > r.bytes.size() - offset)
        return {};
    return r.bytes.subspan(offset, size);
}

void PolyRecord(Record& r, uint32_t type, MetafileDevice& d)
{
    bool small = type >= kPolyBezier16;
    uint32_t base = small ? type - kPolyBezier16 + kPolyBezier : type;
    r.c.Skip(16); // bounds
    if (base == kPolyPolyline || base == kPolyPolygon) {
        uint32_t figures = r.c.U32LE();
        uint64_t total = r.c.U32LE();
        if (uint64_t(figures) * 4 > r.c.Remaining())
            return;
        std::vector<uint32_t> counts(figures);
        uint64_t sum = 0;
        for (uint32_t& n : counts) {
            n = r.c.U32LE();
            sum += n;
        }
        if (sum != total)
            return;
        auto points = ReadPoints(r.c, total, small);
        if (points)
            d.Polyline(std::move(*points), std::move(counts), base == kPolyPolygon);
        return;
    }
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

MetaPen PenFromStyle(uint32_t style, double width, uint32_t color)
{
    MetaPen pen;
    uint32_t kind = style & 0x0F;
    pen.style = kind <= 4 ? MetaPenStyle(kind) : kind == 5 ? MetaPenStyle::Null : MetaPenStyle::Solid;
    uint32_t cap = style & 0x0F00, join = style & 0xF000;
    pen.cap = cap == 0x100 ? MetaCap::Square : cap == 0x200 ? MetaCap::Flat : MetaCap::Round;
    pen.join = join == 0x1000 ? MetaJoin::Bevel : join == 0x2000 ? MetaJoin::Miter : MetaJoin::Round;
    pen.width = width;
    pen.color = ColorRef(color);
    return pen;
}

MetaBrush BrushFromStyle(uint32_t style, uint32_t color, uint32_t hatch)
{
    MetaBrush brush;
    brush.color = ColorRef(color);
    brush.hatch = uint8_t(std::min<uint32_t>(hatch, 5));
    brush.style = style == 1 ? MetaBrushStyle::Null : style == 2 ? MetaBrushStyle::Hatched : MetaBrushStyle::Solid;
    if (style > 2)
        brush.color = {128, 128, 128};
    return brush;
}

void Font(Record& r, MetafileDevice& d)
{
    uint32_t index = r.c.U32LE();
    MetaFont font;
    font.height = r.c.S32LE();
    r.c.Skip(4); // width
    font.escapement = r.c.S32LE();
    r.c.Skip(4); // orientation
    font.weight = std::clamp(r.c.S32LE(), 0, 1000);
    font.italic = r.c.U8() != 0;
    font.underline = r.c.U8() != 0;
    font.strikeOut = r.c.U8() != 0;
    r.c.Skip(5);
    for (int i = 0; i < 32 && r.c.Remaining() >= 2; ++i) {
        uint16_t ch = r.c.U16LE();
        if (ch == 0)
            break;
        font.face.push_back(ch < 0x80 ? char(ch) : '?');
    }
    d.CreateObject(index, font);
}

void Text(Record& r, bool wide, MetafileDevice& d)
{
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

// BitBlt, StretchBlt, StretchDIBits, SetDIBitsToDevice.
void Transfer(Record& r, uint32_t type, MetafileDevice& d)
{
    r.c.Skip(16); // bounds
    int32_t xDest = r.c.S32LE(), yDest = r.c.S32LE();
    int32_t xSrc, ySrc, cxSrc = 0, cySrc = 0, cxDest, cyDest;
    uint32_t rop = 0xCC0020, offBmi, cbBmi, offBits, cbBits;
    if (type == kBitBlt || type == kStretchBlt) {
        cxDest = r.c.S32LE(), cyDest = r.c.S32LE();
        rop = r.c.U32LE();
        xSrc = r.c.S32LE(), ySrc = r.c.S32LE();
        r.c.Skip(24 + 4 + 4); // source transform, background colour, colour usage
        offBmi = r.c.U32LE(), cbBmi = r.c.U32LE(), offBits = r.c.U32LE(), cbBits = r.c.U32LE();
        if (type == kStretchBlt)
            cxSrc = r.c.S32LE(), cySrc = r.c.S32LE();
        else
            cxSrc = cxDest, cySrc = cyDest;
    } else {
        xSrc = r.c.S32LE(), ySrc = r.c.S32LE(), cxSrc = r.c.S32LE(), cySrc = r.c.S32LE();
        offBmi = r.c.U32LE(), cbBmi = r.c.U32LE(), offBits = r.c.U32LE(), cbBits = r.c.U32LE();
        r.c.Skip(4); // colour usage
        if (type == kStretchDIBits) {
            rop = r.c.U32LE();
            cxDest = r.c.S32LE(), cyDest = r.c.S32LE();
        } else {
            cxDest = cxSrc, cyDest = cySrc;
        }
    }
    MetaRect destination {double(xDest), double(yDest), double(xDest) + cxDest, double(yDest) + cyDest};
    if (cbBmi == 0) {
        d.PatternFill(destination, rop);
        return;
    }
    auto info = Part(r, offBmi, cbBmi), bits = Part(r, offBits, cbBits);
    if (info.empty())
        return;
    auto dib = ReadMetaDib(info, bits);
    if (!dib)
        return;
    MetaRect source = SourceRect(*dib, xSrc, ySrc, cxSrc, cySrc);
    d.DrawBitmap(std::move(dib->bitmap), destination, source, rop);
}

void PolyDraw(Record& r, bool small, MetafileDevice& d)
{
    r.c.Skip(16); // bounds
    uint64_t count = r.c.U32LE();
    if (count * ((small ? 4 : 8) + 1) > r.c.Remaining())
        return; // more points and types than the record holds
    auto points = ReadPoints(r.c, count, small);
    auto types = r.c.Bytes(size_t(count));
    d.PolyDraw(*points, std::vector<uint8_t>(types.begin(), types.end()));
}

// A region's rectangles (device units), nothing when its data is damaged.
std::vector<MetaRect> ReadRegion(ByteCursor& c, uint32_t size)
{
    constexpr uint32_t kHeader = 32;
    if (size < kHeader || size > c.Remaining())
        return {};
    c.Skip(8); // header size, type
    uint64_t count = c.U32LE();
    c.Skip(4 + 16); // size, bounds
    if (count * 16 > size - kHeader)
        return {};
    std::vector<MetaRect> rects(static_cast<size_t>(count));
    for (MetaRect& rect : rects)
        rect = ReadRect(c);
    return rects;
}

// CreateMonoBrush, CreateDIBPatternBrushPt: the bitmap it tiles, or grey when it cannot be read.
void PatternBrush(Record& r, bool monochrome, MetafileDevice& d)
{
    uint32_t index = r.c.U32LE();
    r.c.Skip(4); // colour usage
    uint32_t offBmi = r.c.U32LE(), cbBmi = r.c.U32LE(), offBits = r.c.U32LE(), cbBits = r.c.U32LE();
    MetaBrush brush = BrushFromStyle(3, 0, 0);
    auto info = Part(r, offBmi, cbBmi);
    if (auto dib = info.empty() ? std::nullopt : ReadMetaDib(info, Part(r, offBits, cbBits)))
        d.PatternBrush(std::move(dib->bitmap), monochrome, brush);
    d.CreateObject(index, brush);
}

MetaTransform ReadTransform(ByteCursor& c)
{
    MetaTransform t;
    t.m11 = ReadFloat(c), t.m12 = ReadFloat(c), t.m21 = ReadFloat(c), t.m22 = ReadFloat(c);
    t.dx = ReadFloat(c), t.dy = ReadFloat(c);
    return t;
}

void PlayRecord(uint32_t type, Record& r, MetafileDevice& d)
{
    ByteCursor& c = r.c;
    switch (type) {
    case kPolyBezier:
    case kPolygon:
    case kPolyline:
    case kPolyBezierTo:
    case kPolylineTo:
    case kPolyPolyline:
    case kPolyPolygon:
    case kPolyBezier16:
    case kPolygon16:
    case kPolyline16:
    case kPolyBezierTo16:
    case kPolylineTo16:
    case kPolyPolyline16:
    case kPolyPolygon16: PolyRecord(r, type, d); break;
    case kSetWindowExtEx: {
        MetaPoint p = ReadPoint(c, false);
        d.SetWindowExt(p.x, p.y);
        break;
    }
    case kSetWindowOrgEx: {
        MetaPoint p = ReadPoint(c, false);
        d.SetWindowOrg(p.x, p.y);
        break;
    }
    case kSetViewportExtEx: {
        MetaPoint p = ReadPoint(c, false);
        d.SetViewportExt(p.x, p.y);
        break;
    }
    case kSetViewportOrgEx: {
        MetaPoint p = ReadPoint(c, false);
        d.SetViewportOrg(p.x, p.y);
        break;
    }
    case kScaleViewportExtEx:
    case kScaleWindowExtEx: {
        double xNum = c.S32LE(), xDen = c.S32LE(), yNum = c.S32LE(), yDen = c.S32LE();
        type == kScaleWindowExtEx ? d.ScaleWindowExt(xNum, xDen, yNum, yDen)
                                  : d.ScaleViewportExt(xNum, xDen, yNum, yDen);
        break;
    }
    case kSetPixelV: {
        MetaPoint p = ReadPoint(c, false);
        d.SetPixel(p, ColorRef(c.U32LE()));
        break;
    }
    case kSetMapMode: d.SetMapMode(int(c.U32LE() & 0xFF)); break;
    case kSetBkMode: d.SetBackgroundMode(int(c.U32LE() & 0xFF)); break;
    case kSetPolyFillMode: d.SetPolyFillMode(int(c.U32LE() & 0xFF)); break;
    case kSetTextAlign: d.SetTextAlign(c.U32LE()); break;
    case kSetTextColor: d.SetTextColor(ColorRef(c.U32LE())); break;
    case kSetBkColor: d.SetBackColor(ColorRef(c.U32LE())); break;
    case kOffsetClipRgn: {
        MetaPoint p = ReadPoint(c, false);
        d.OffsetClip(p.x, p.y);
        break;
    }
    case kMoveToEx: d.MoveTo(ReadPoint(c, false)); break;
    case kLineTo: d.LineTo(ReadPoint(c, false)); break;
    case kExcludeClipRect: d.ExcludeClip(ReadRect(c)); break;
    case kIntersectClipRect: d.IntersectClip(ReadRect(c)); break;
    case kExtSelectClipRgn: {
        uint32_t size = c.U32LE();
        int mode = int(c.U32LE());
        d.SelectClipRegion(ReadRegion(c, size), mode);
        break;
    }
    case kSaveDC: d.SaveDC(); break;
    case kRestoreDC: d.RestoreDC(c.S32LE()); break;
    case kSetWorldTransform: d.SetWorldTransform(ReadTransform(c)); break;
    case kModifyWorldTransform: {
        MetaTransform t = ReadTransform(c);
        d.ModifyWorldTransform(t, int(c.U32LE()));
        break;
    }
    case kSelectObject: {
        uint32_t index = c.U32LE();
        index& kStockObject ? d.SelectStockObject(index & ~kStockObject) : d.SelectObject(index);
        break;
    }
    case kDeleteObject: d.DeleteObject(c.U32LE()); break;
    case kCreatePen: {
        uint32_t index = c.U32LE(), style = c.U32LE();
        double width = c.S32LE();
        c.Skip(4);
        d.CreateObject(index, PenFromStyle(style, std::abs(width), c.U32LE()));
        break;
    }
    case kExtCreatePen: {
        uint32_t index = c.U32LE();
        c.Skip(16); // the pattern bitmap's offsets and sizes
        uint32_t style = c.U32LE(), width = c.U32LE();
        c.Skip(4); // brush style
        uint32_t color = c.U32LE();
        bool geometric = style & 0x10000;
        d.CreateObject(index, PenFromStyle(style, geometric ? double(width) : 0, color));
        break;
    }
    case kCreateBrushIndirect: {
        uint32_t index = c.U32LE(), style = c.U32LE(), color = c.U32LE();
        d.CreateObject(index, BrushFromStyle(style, color, c.U32LE()));
        break;
    }
    case kCreateMonoBrush:
    case kCreateDibPatternBrushPt: PatternBrush(r, type == kCreateMonoBrush, d); break;
    case kCreatePalette: d.CreateObject(c.U32LE(), MetaOtherObject {}); break;
    case kExtCreateFontIndirectW: Font(r, d); break;
    case kEllipse: d.Ellipse(ReadRect(c)); break;
    case kRectangle: d.Rectangle(ReadRect(c)); break;
    case kRoundRect: {
        MetaRect rect = ReadRect(c);
        MetaPoint corner = ReadPoint(c, false);
        d.RoundRect(rect, corner.x, corner.y);
        break;
    }
    case kArc:
    case kArcTo:
    case kChord:
    case kPie: {
        MetaRect rect = ReadRect(c);
        MetaPoint start = ReadPoint(c, false), end = ReadPoint(c, false);
        MetaStepKind kind = type == kChord ? MetaStepKind::Chord : type == kPie ? MetaStepKind::Pie : MetaStepKind::Arc;
        d.Arc(kind, rect, start, end);
        break;
    }
    case kAngleArc: {
        MetaPoint center = ReadPoint(c, false);
        double radius = c.U32LE();
        double start = ReadFloat(c);
        d.AngleArc(center, radius, start, ReadFloat(c));
        break;
    }
    case kPolyDraw:
    case kPolyDraw16: PolyDraw(r, type == kPolyDraw16, d); break;
    case kSetArcDirection: d.SetArcClockwise(c.U32LE() == 2); break;
    case kBeginPath: d.BeginPath(); break;
    case kEndPath: d.EndPath(); break;
    case kCloseFigure: d.CloseFigure(); break;
    case kAbortPath: d.AbortPath(); break;
    case kFillPath: d.DrawPath(false, true); break;
    case kStrokePath: d.DrawPath(true, false); break;
    case kStrokeAndFillPath: d.DrawPath(true, true); break;
    case kSelectClipPath: d.ClipToPath(int(c.U32LE())); break;
    case kBitBlt:
    case kStretchBlt:
    case kSetDIBitsToDevice:
    case kStretchDIBits: Transfer(r, type, d); break;
    case kExtTextOutA:
    case kExtTextOutW: Text(r, type == kExtTextOutW, d); break;
    default: break;
    }
}

} // namespace

RecordsPlayed PlayEmfRecords(std::span<const uint8_t> file, size_t first, MetafileDevice& device)
{
    RecordsPlayed played;
    size_t at = first;
    while (at <= file.size() && file.size() - at >= 8) {
        ByteCursor head(file.subspan(at, 8));
        uint32_t type = head.U32LE(), size = head.U32LE();
        if (size < 8 || size % 4 != 0 || size > file.size() - at) {
            played.damaged = true; // what was drawn so far stays
            return played;
        }
        if (type == kEof)
            return played;
        ++played.count;
        Record r {file.subspan(at, size), ByteCursor(file.subspan(at + 8, size - 8))};
        try {
            PlayRecord(type, r, device);
        } catch (const EReadError&) {
            // Too short for its own parameters: this record alone is skipped.
        }
        at += size;
    }
    return played;
}

} // namespace pelmora
