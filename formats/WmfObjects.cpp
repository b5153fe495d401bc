// Windows metafile records that make objects (pens, brushes, fonts and the
// slots palettes and regions take). Each new object takes the lowest free
// slot, as Windows numbers them.
#include "MetafileRecordData.h"
#include "WmfHandlers.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace pelmora::wmf {

namespace {

constexpr MetaColor kPatternStandIn {128, 128, 128}; // a pattern whose bitmap cannot be read

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
    if (style > 2) // patterns come in records of their own
        brush.color = kPatternStandIn;
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

// The device-dependent bitmap of the old pattern brush record: its header,
// 18 bytes nobody reads, then the rows, top first, each a whole number of
// 16-bit words. Monochrome and 24-bit ones are read; nothing else is.
std::optional<Bitmap> ReadBitmap16(ByteCursor& c, bool& monochrome)
{
    c.Skip(2); // type
    int width = c.S16LE(), height = c.S16LE();
    c.Skip(2); // bytes a row, which the width and depth fix
    int planes = c.U8(), depth = c.U8();
    c.Skip(4 + 18); // the bits' address in memory, reserved
    monochrome = depth == 1;
    if (planes != 1 || (depth != 1 && depth != 24) || width <= 0 || height <= 0)
        return std::nullopt;
    const size_t stride = ((size_t(width) * depth + 15) >> 4) << 1;
    if (stride * size_t(height) > c.Remaining())
        return std::nullopt;
    Bitmap bitmap;
    bitmap.Allocate(monochrome ? PixelFormat::Indexed1 : PixelFormat::Rgb24, width, height);
    if (monochrome)
        bitmap.SetPalette({{0, 0, 0, 0}, {255, 255, 255, 0}});
    const size_t used = (size_t(width) * depth + 7) / 8;
    for (int y = 0; y < height; ++y)
        std::memcpy(bitmap.ScanLine(y), c.Bytes(stride).data(), used);
    return bitmap;
}

} // namespace

void CreatePenIndirect(ByteCursor& c, MetafileDevice& d)
{
    d.CreateObjectInFreeSlot(ReadPen(c));
}

void CreateBrushIndirect(ByteCursor& c, MetafileDevice& d)
{
    d.CreateObjectInFreeSlot(ReadBrush(c));
}

void CreateFontIndirect(ByteCursor& c, MetafileDevice& d)
{
    d.CreateObjectInFreeSlot(ReadFont(c));
}

void CreatePatternBrush(ByteCursor& c, MetafileDevice& d)
{
    MetaBrush brush {MetaBrushStyle::Solid, 0, kPatternStandIn};
    bool monochrome = false;
    try {
        if (auto bitmap = ReadBitmap16(c, monochrome))
            d.PatternBrush(std::move(*bitmap), monochrome, brush);
    } catch (const EReadError&) {
        // A record too short for its bitmap still takes its slot.
    }
    d.CreateObjectInFreeSlot(brush);
}

void DibCreatePatternBrush(ByteCursor& c, MetafileDevice& d)
{
    c.Skip(4); // style, colour usage
    MetaBrush brush {MetaBrushStyle::Solid, 0, kPatternStandIn};
    if (auto dib = ReadMetaDib(c.Bytes(c.Remaining()), {}))
        d.PatternBrush(std::move(dib->bitmap), false, brush);
    d.CreateObjectInFreeSlot(brush);
}

void CreateOtherObject(ByteCursor&, MetafileDevice& d)
{
    d.CreateObjectInFreeSlot(MetaOtherObject {});
}

} // namespace pelmora::wmf
