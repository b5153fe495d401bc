#include "WmfRecords.h"

#include "ByteCursor.h"
#include "MetafileRecordData.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

enum WmfFunction : uint16_t {
    kEof = 0x0000,
    kSaveDC = 0x001E,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetPolyFillMode = 0x0106,
    kRestoreDC = 0x0127,
    kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kDibCreatePatternBrush = 0x0142,
    kCreatePalette = 0x00F7,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kOffsetWindowOrg = 0x020F,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kOffsetClipRgn = 0x0220,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kSetPixel = 0x041F,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kDibStretchBlt = 0x0B41,
    kSetDIBitsToDevice = 0x0D33,
    kStretchDIBits = 0x0F43,
};

MetaPen ReadPen(ByteCursor& c)
{
    uint16_t style = c.U16LE();
    int16_t width = c.S16LE();
    c.Skip(2);
    MetaPen pen;
    pen.color = ColorRef(c.U32LE());
    pen.width = std::abs(int(width));
    int kind = style & 0x0F;
    pen.style = kind <= 4 ? MetaPenStyle(kind) : kind == 5 ? MetaPenStyle::Null : MetaPenStyle::Solid;
    int cap = (style >> 8) & 0x0F, join = (style >> 12) & 0x0F;
    pen.cap = cap == 1 ? MetaCap::Square : cap == 2 ? MetaCap::Flat : MetaCap::Round;
    pen.join = join == 1 ? MetaJoin::Bevel : join == 2 ? MetaJoin::Miter : MetaJoin::Round;
    return pen;
}

MetaBrush ReadBrush(ByteCursor& c)
{
    uint16_t style = c.U16LE();
    MetaBrush brush;
    brush.color = ColorRef(c.U32LE());
    brush.hatch = uint8_t(std::min<unsigned>(c.U16LE(), 5));
    brush.style = style == 1 ? MetaBrushStyle::Null : style == 2 ? MetaBrushStyle::Hatched : MetaBrushStyle::Solid;
    if (style > 2) // patterns: a neutral grey stands in
        brush.color = {128, 128, 128};
    return brush;
}

MetaFont ReadFont(ByteCursor& c)
{
    MetaFont font;
    font.height = c.S16LE();
    c.Skip(2); // width
    font.escapement = c.S16LE();
    c.Skip(2); // orientation
    font.weight = c.S16LE();
    font.italic = c.U8() != 0;
    font.underline = c.U8() != 0;
    font.strikeOut = c.U8() != 0;
    c.Skip(5);
    std::span<const uint8_t> name = c.Bytes(std::min<size_t>(c.Remaining(), 32));
    std::u16string face = AnsiText(name);
    font.face.assign(face.begin(), face.end()); // face names are ASCII in practice
    for (char& ch : font.face)
        if (uint8_t(ch) >= 0x80)
            ch = '?';
    return font;
}

std::vector<MetaPoint> ReadPoints(ByteCursor& c, size_t count)
{
    if (count * 4 > c.Remaining())
        count = c.Remaining() / 4; // a count larger than the record holds is clipped
    std::vector<MetaPoint> points(count);
    for (MetaPoint& p : points) {
        p.x = c.S16LE();
        p.y = c.S16LE();
    }
    return points;
}

// Parameters stored last-first, as most records keep them.
struct Reversed {
    ByteCursor& c;
    std::vector<int16_t> values;
    Reversed(ByteCursor& cursor, size_t count)
        : c(cursor)
        , values(count)
    {
        for (size_t i = 0; i < count; ++i)
            values[count - 1 - i] = c.S16LE();
    }
    double operator[](size_t i) const { return values[i]; }
};

void Transfer(ByteCursor& c, MetafileDevice& d, uint32_t rop, MetaRect destination, MetaRect sourceAt, bool stretch)
{
    auto dib = ReadMetaDib(c.Bytes(c.Remaining()), {});
    if (!dib)
        return;
    if (!stretch)
        sourceAt.right = sourceAt.left + (destination.right - destination.left),
        sourceAt.bottom = sourceAt.top + (destination.bottom - destination.top);
    MetaRect source
        = SourceRect(*dib, sourceAt.left, sourceAt.top, sourceAt.right - sourceAt.left, sourceAt.bottom - sourceAt.top);
    d.DrawBitmap(std::move(dib->bitmap), destination, source, rop);
}

void PlayRecord(uint16_t function, ByteCursor& c, MetafileDevice& d)
{
    switch (function) {
    case kSaveDC: d.SaveDC(); break;
    case kRestoreDC: d.RestoreDC(c.S16LE()); break;
    case kSetBkMode: d.SetBackgroundMode(c.U16LE()); break;
    case kSetMapMode: d.SetMapMode(c.U16LE()); break;
    case kSetPolyFillMode: d.SetPolyFillMode(c.U16LE()); break;
    case kSetTextAlign: d.SetTextAlign(c.U16LE()); break;
    case kSetBkColor: d.SetBackColor(ColorRef(c.U32LE())); break;
    case kSetTextColor: d.SetTextColor(ColorRef(c.U32LE())); break;
    case kSetWindowOrg: {
        Reversed r(c, 2);
        d.SetWindowOrg(r[0], r[1]);
        break;
    }
    case kSetWindowExt: {
        Reversed r(c, 2);
        d.SetWindowExt(r[0], r[1]);
        break;
    }
    case kOffsetWindowOrg: {
        Reversed r(c, 2);
        d.OffsetWindowOrg(r[0], r[1]);
        break;
    }
    case kScaleWindowExt: {
        Reversed r(c, 4);
        d.ScaleWindowExt(r[0], r[1], r[2], r[3]);
        break;
    }
    case kMoveTo: {
        Reversed r(c, 2);
        d.MoveTo({r[0], r[1]});
        break;
    }
    case kLineTo: {
        Reversed r(c, 2);
        d.LineTo({r[0], r[1]});
        break;
    }
    case kSetPixel: {
        MetaColor color = ColorRef(c.U32LE());
        Reversed r(c, 2);
        d.SetPixel({r[0], r[1]}, color);
        break;
    }
    case kIntersectClipRect:
    case kExcludeClipRect: {
        Reversed r(c, 4);
        MetaRect rect {r[0], r[1], r[2], r[3]};
        function == kIntersectClipRect ? d.IntersectClip(rect) : d.ExcludeClip(rect);
        break;
    }
    case kOffsetClipRgn: {
        Reversed r(c, 2);
        d.OffsetClip(r[0], r[1]);
        break;
    }
    case kSelectClipRegion: d.ResetClip(); break;
    case kRectangle:
    case kEllipse: {
        Reversed r(c, 4);
        MetaRect rect {r[0], r[1], r[2], r[3]};
        function == kRectangle ? d.Rectangle(rect) : d.Ellipse(rect);
        break;
    }
    case kRoundRect: {
        Reversed r(c, 6);
        d.RoundRect({r[0], r[1], r[2], r[3]}, r[4], r[5]);
        break;
    }
    case kArc:
    case kPie:
    case kChord: {
        Reversed r(c, 8);
        MetaStepKind kind = function == kArc ? MetaStepKind::Arc
            : function == kPie               ? MetaStepKind::Pie
                                             : MetaStepKind::Chord;
        d.Arc(kind, {r[0], r[1], r[2], r[3]}, {r[4], r[5]}, {r[6], r[7]});
        break;
    }
    case kPolygon:
    case kPolyline: {
        int16_t count = c.S16LE();
        if (count <= 0)
            break;
        auto points = ReadPoints(c, size_t(count));
        uint32_t n = uint32_t(points.size());
        d.Polyline(std::move(points), {n}, function == kPolygon);
        break;
    }
    case kPolyPolygon: {
        uint16_t polygons = c.U16LE();
        if (size_t(polygons) * 2 > c.Remaining())
            break;
        std::vector<uint32_t> counts(polygons);
        size_t total = 0;
        for (uint32_t& n : counts) {
            n = c.U16LE();
            total += n;
        }
        if (total * 4 > c.Remaining())
            break; // more points than the record holds
        d.Polyline(ReadPoints(c, total), std::move(counts), true);
        break;
    }
    case kTextOut: {
        int16_t count = c.S16LE();
        if (count < 0)
            break;
        auto bytes = c.Bytes(size_t(count));
        c.Skip(count % 2);
        Reversed r(c, 2);
        d.Text({r[0], r[1]}, AnsiText(bytes), std::nullopt, false, false);
        break;
    }
    case kExtTextOut: {
        double y = c.S16LE(), x = c.S16LE();
        int16_t count = c.S16LE();
        uint16_t options = c.U16LE();
        std::optional<MetaRect> box;
        if (options & 6) {
            double l = c.S16LE(), t = c.S16LE(), r = c.S16LE(), b = c.S16LE();
            box = MetaRect {l, t, r, b};
        }
        if (count < 0)
            break;
        auto bytes = c.Bytes(std::min(size_t(count), c.Remaining()));
        std::u16string text = AnsiText(bytes);
        // Each character's advance, after the string's padding byte.
        std::vector<double> advances;
        if (c.Remaining() >= size_t(count % 2) + text.size() * 2) {
            c.Skip(count % 2);
            for (size_t i = 0; i < text.size(); ++i)
                advances.push_back(c.S16LE());
        }
        d.Text({x, y}, std::move(text), box, options & 2, options & 4, std::move(advances));
        break;
    }
    case kPatBlt: {
        uint32_t rop = c.U32LE();
        Reversed r(c, 4);
        d.PatternFill({r[0], r[1], r[0] + r[2], r[1] + r[3]}, rop);
        break;
    }
    case kStretchDIBits: {
        uint32_t rop = c.U32LE();
        c.Skip(2); // colour usage
        Reversed r(c, 8);
        Transfer(c, d, rop, {r[0], r[1], r[0] + r[2], r[1] + r[3]}, {r[4], r[5], r[4] + r[6], r[5] + r[7]}, true);
        break;
    }
    case kDibStretchBlt: {
        uint32_t rop = c.U32LE();
        if (c.Remaining() == 18) { // no bitmap: a pattern transfer
            Reversed r(c, 9);
            d.PatternFill({r[0], r[1], r[0] + r[2], r[1] + r[3]}, rop);
            break;
        }
        Reversed r(c, 8);
        Transfer(c, d, rop, {r[0], r[1], r[0] + r[2], r[1] + r[3]}, {r[4], r[5], r[4] + r[6], r[5] + r[7]}, true);
        break;
    }
    case kDibBitBlt: {
        uint32_t rop = c.U32LE();
        if (c.Remaining() == 14) {
            Reversed r(c, 7);
            d.PatternFill({r[0], r[1], r[0] + r[2], r[1] + r[3]}, rop);
            break;
        }
        Reversed r(c, 6);
        Transfer(c, d, rop, {r[0], r[1], r[0] + r[2], r[1] + r[3]}, {r[4], r[5], 0, 0}, false);
        break;
    }
    case kSetDIBitsToDevice: {
        c.Skip(2); // colour usage
        Reversed r(c, 8);
        // The scan lines given are the whole bitmap in practice; the source is its own size.
        Transfer(c, d, 0xCC0020, {r[0], r[1], r[0] + r[2], r[1] + r[3]}, {r[4], r[5], 0, 0}, false);
        break;
    }
    case kCreatePenIndirect: d.CreateObjectInFreeSlot(ReadPen(c)); break;
    case kCreateBrushIndirect: d.CreateObjectInFreeSlot(ReadBrush(c)); break;
    case kCreateFontIndirect: d.CreateObjectInFreeSlot(ReadFont(c)); break;
    case kCreatePatternBrush: d.CreateObjectInFreeSlot(MetaBrush {MetaBrushStyle::Solid, 0, {128, 128, 128}}); break;
    case kDibCreatePatternBrush: {
        c.Skip(4); // style, colour usage
        MetaBrush brush {MetaBrushStyle::Solid, 0, {128, 128, 128}}; // grey when the bitmap cannot be read
        if (auto dib = ReadMetaDib(c.Bytes(c.Remaining()), {}))
            d.PatternBrush(std::move(dib->bitmap), false, brush);
        d.CreateObjectInFreeSlot(brush);
        break;
    }
    case kCreatePalette:
    case kCreateRegion: d.CreateObjectInFreeSlot(MetaOtherObject {}); break;
    case kSelectObject: d.SelectObject(c.U16LE()); break;
    case kDeleteObject: d.DeleteObject(c.U16LE()); break;
    default: break;
    }
}

} // namespace

RecordsPlayed PlayWmfRecords(std::span<const uint8_t> records, MetafileDevice& device)
{
    RecordsPlayed played;
    ByteCursor c(records);
    while (c.Remaining() >= 6) {
        uint64_t words = c.U32LE();
        uint16_t function = c.U16LE();
        if (words < 3 || (words - 3) * 2 > c.Remaining()) {
            played.damaged = true; // what was drawn so far stays
            return played;
        }
        ByteCursor parameters(c.Bytes(size_t(words - 3) * 2));
        if (function == kEof)
            return played;
        ++played.count;
        try {
            PlayRecord(function, parameters, device);
        } catch (const EReadError&) {
            // Too short for its own parameters: this record alone is skipped.
        }
    }
    return played;
}

} // namespace pelmora
