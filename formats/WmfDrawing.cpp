// Windows metafile records that draw: lines, shapes, text and bit-block
// transfers. Counts are checked against the bytes the record holds.
#include "MetafileRecordData.h"
#include "WmfHandlers.h"

#include <optional>

namespace pelmora::wmf {

namespace {

constexpr uint32_t kSourceCopy = 0xCC0020;

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

void Figure(ByteCursor& c, MetafileDevice& d, bool closed)
{
    int16_t count = c.S16LE();
    if (count <= 0)
        return;
    auto points = ReadPoints(c, size_t(count));
    uint32_t n = uint32_t(points.size());
    d.Polyline(std::move(points), {n}, closed);
}

void ArcRecord(ByteCursor& c, MetafileDevice& d, MetaStepKind kind)
{
    Reversed r(c, 8);
    d.Arc(kind, r.Rect(), {r[4], r[5]}, {r[6], r[7]});
}

// The bitmap after the parameters drawn into `destination`; the source's size is the destination's unless stretched.
void Transfer(ByteCursor& c, MetafileDevice& d, uint32_t rop, MetaRect destination, MetaRect sourceAt, bool stretch)
{
    auto dib = ReadMetaDib(c.Bytes(c.Remaining()), {});
    if (!dib)
        return;
    if (!stretch) {
        sourceAt.right = sourceAt.left + (destination.right - destination.left);
        sourceAt.bottom = sourceAt.top + (destination.bottom - destination.top);
    }
    MetaRect source
        = SourceRect(*dib, sourceAt.left, sourceAt.top, sourceAt.right - sourceAt.left, sourceAt.bottom - sourceAt.top);
    d.DrawBitmap(std::move(dib->bitmap), destination, source, rop);
}

// DibStretchBlt and DibBitBlt without a bitmap are pattern transfers: `words` parameters and no more.
bool PatternTransfer(ByteCursor& c, MetafileDevice& d, uint32_t rop, size_t words)
{
    if (c.Remaining() != words * 2)
        return false;
    Reversed r(c, words);
    d.PatternFill(r.Box(), rop);
    return true;
}

} // namespace

void SetPixel(ByteCursor& c, MetafileDevice& d)
{
    MetaColor color = ColorRef(c.U32LE());
    Reversed r(c, 2);
    d.SetPixel({r[0], r[1]}, color);
}

void RoundRect(ByteCursor& c, MetafileDevice& d)
{
    Reversed r(c, 6);
    d.RoundRect(r.Rect(), r[4], r[5]);
}

void Arc(ByteCursor& c, MetafileDevice& d)
{
    ArcRecord(c, d, MetaStepKind::Arc);
}

void Pie(ByteCursor& c, MetafileDevice& d)
{
    ArcRecord(c, d, MetaStepKind::Pie);
}

void Chord(ByteCursor& c, MetafileDevice& d)
{
    ArcRecord(c, d, MetaStepKind::Chord);
}

void Polygon(ByteCursor& c, MetafileDevice& d)
{
    Figure(c, d, true);
}

void Polyline(ByteCursor& c, MetafileDevice& d)
{
    Figure(c, d, false);
}

void PolyPolygon(ByteCursor& c, MetafileDevice& d)
{
    uint16_t polygons = c.U16LE();
    if (size_t(polygons) * 2 > c.Remaining())
        return;
    std::vector<uint32_t> counts(polygons);
    size_t total = 0;
    for (uint32_t& n : counts) {
        n = c.U16LE();
        total += n;
    }
    if (total * 4 > c.Remaining())
        return; // more points than the record holds
    d.Polyline(ReadPoints(c, total), std::move(counts), true);
}

void TextOut(ByteCursor& c, MetafileDevice& d)
{
    int16_t count = c.S16LE();
    if (count < 0)
        return;
    auto bytes = c.Bytes(size_t(count));
    c.Skip(count % 2);
    Reversed r(c, 2);
    d.Text({r[0], r[1]}, AnsiText(bytes), std::nullopt, false, false);
}

void ExtTextOut(ByteCursor& c, MetafileDevice& d)
{
    double y = c.S16LE(), x = c.S16LE();
    int16_t count = c.S16LE();
    uint16_t options = c.U16LE();
    std::optional<MetaRect> box;
    if (options & 6) {
        double l = c.S16LE(), t = c.S16LE(), r = c.S16LE(), b = c.S16LE();
        box = MetaRect {l, t, r, b};
    }
    if (count < 0)
        return;
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
}

void PatBlt(ByteCursor& c, MetafileDevice& d)
{
    uint32_t rop = c.U32LE();
    d.PatternFill(Reversed(c, 4).Box(), rop);
}

void StretchDIBits(ByteCursor& c, MetafileDevice& d)
{
    uint32_t rop = c.U32LE();
    c.Skip(2); // colour usage
    Reversed r(c, 8);
    Transfer(c, d, rop, r.Box(), r.Box(4), true);
}

void DibStretchBlt(ByteCursor& c, MetafileDevice& d)
{
    uint32_t rop = c.U32LE();
    if (PatternTransfer(c, d, rop, 9))
        return;
    Reversed r(c, 8);
    Transfer(c, d, rop, r.Box(), r.Box(4), true);
}

void DibBitBlt(ByteCursor& c, MetafileDevice& d)
{
    uint32_t rop = c.U32LE();
    if (PatternTransfer(c, d, rop, 7))
        return;
    Reversed r(c, 6);
    Transfer(c, d, rop, r.Box(), {r[4], r[5], 0, 0}, false);
}

void SetDIBitsToDevice(ByteCursor& c, MetafileDevice& d)
{
    c.Skip(2); // colour usage
    Reversed r(c, 8);
    // The scan lines given are the whole bitmap in practice; the source is its own size.
    Transfer(c, d, kSourceCopy, r.Box(), {r[4], r[5], 0, 0}, false);
}

} // namespace pelmora::wmf
