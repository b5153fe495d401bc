// Enhanced metafile records that make objects (pens, brushes, fonts and the
// slots palettes take) in the slot they name, and select them.
#include "EmfHandlers.h"
#include "MetafileRecordData.h"

#include <algorithm>
#include <cmath>

namespace pelmora::emf {

namespace {

constexpr uint32_t kStockObject = 0x80000000u;
constexpr uint32_t kPatternStyle = 3;

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

// Styles past hatched are patterns, grey until a pattern record gives their bitmap.
MetaBrush BrushFromStyle(uint32_t style, uint32_t color, uint32_t hatch)
{
    MetaBrush brush;
    brush.color = ColorRef(color);
    brush.hatch = uint8_t(std::min<uint32_t>(hatch, 5));
    brush.style = style == 1 ? MetaBrushStyle::Null : style == 2 ? MetaBrushStyle::Hatched : MetaBrushStyle::Solid;
    if (style >= kPatternStyle)
        brush.color = {128, 128, 128};
    return brush;
}

} // namespace

void CreatePen(Record& r, MetafileDevice& d)
{
    uint32_t index = r.c.U32LE(), style = r.c.U32LE();
    double width = r.c.S32LE();
    r.c.Skip(4);
    d.CreateObject(index, PenFromStyle(style, std::abs(width), r.c.U32LE()));
}

void ExtCreatePen(Record& r, MetafileDevice& d)
{
    uint32_t index = r.c.U32LE();
    r.c.Skip(16); // the pattern bitmap's offsets and sizes
    uint32_t style = r.c.U32LE(), width = r.c.U32LE();
    r.c.Skip(4); // brush style
    uint32_t color = r.c.U32LE();
    bool geometric = style & 0x10000;
    d.CreateObject(index, PenFromStyle(style, geometric ? double(width) : 0, color));
}

void CreateBrushIndirect(Record& r, MetafileDevice& d)
{
    uint32_t index = r.c.U32LE(), style = r.c.U32LE(), color = r.c.U32LE();
    d.CreateObject(index, BrushFromStyle(style, color, r.c.U32LE()));
}

// The bitmap it tiles, or grey when it cannot be read.
void CreatePatternBrush(Record& r, MetafileDevice& d)
{
    uint32_t index = r.c.U32LE();
    r.c.Skip(4); // colour usage
    uint32_t offBmi = r.c.U32LE(), cbBmi = r.c.U32LE(), offBits = r.c.U32LE(), cbBits = r.c.U32LE();
    MetaBrush brush = BrushFromStyle(kPatternStyle, 0, 0);
    auto info = Part(r, offBmi, cbBmi);
    if (auto dib = info.empty() ? std::nullopt : ReadMetaDib(info, Part(r, offBits, cbBits)))
        d.PatternBrush(std::move(dib->bitmap), r.type == kCreateMonoBrush, brush);
    d.CreateObject(index, brush);
}

void CreatePalette(Record& r, MetafileDevice& d)
{
    d.CreateObject(r.c.U32LE(), MetaOtherObject {});
}

void ExtCreateFontIndirectW(Record& r, MetafileDevice& d)
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

void SelectObject(Record& r, MetafileDevice& d)
{
    uint32_t index = r.c.U32LE();
    if (index & kStockObject)
        d.SelectStockObject(index & ~kStockObject);
    else
        d.SelectObject(index);
}

} // namespace pelmora::emf
