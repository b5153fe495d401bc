#include "WmfRecords.h"

#include "MetafileRecordData.h"
#include "WmfHandlers.h"

namespace pelmora {

namespace wmf {

namespace {

void RestoreDC(ByteCursor& c, MetafileDevice& d)
{
    d.RestoreDC(c.S16LE());
}

// ScaleWindowExt, ScaleViewportExt: x numerator and denominator, then y's.
template <auto Call> void Scale(ByteCursor& c, MetafileDevice& d)
{
    Reversed r(c, 4);
    (d.*Call)(r[0], r[1], r[2], r[3]);
}

using D = MetafileDevice;

using Table = RecordTable<uint16_t, Handler>;

constexpr Table::Entry kEntries[] = {
    {0x001E, &NoParameters<&D::SaveDC>}, // SaveDC
    {0x00F7, &CreateOtherObject}, // CreatePalette
    {0x0102, &Word<&D::SetBackgroundMode>}, // SetBkMode
    {0x0103, &Word<&D::SetMapMode>}, // SetMapMode
    {0x0106, &Word<&D::SetPolyFillMode>}, // SetPolyFillMode
    {0x0127, &RestoreDC}, // RestoreDC
    {0x012C, &NoParameters<&D::ResetClip>}, // SelectClipRegion: regions are not kept, the clip is cleared
    {0x012D, &Word<&D::SelectObject>}, // SelectObject
    {0x012E, &Word<&D::SetTextAlign>}, // SetTextAlign
    {0x0142, &DibCreatePatternBrush}, // DibCreatePatternBrush
    {0x01F0, &Word<&D::DeleteObject>}, // DeleteObject
    {0x01F9, &CreatePatternBrush}, // CreatePatternBrush
    {0x0201, &Colour<&D::SetBackColor>}, // SetBkColor
    {0x0209, &Colour<&D::SetTextColor>}, // SetTextColor
    {0x020B, &XY<&D::SetWindowOrg>}, // SetWindowOrg
    {0x020C, &XY<&D::SetWindowExt>}, // SetWindowExt
    {0x020D, &XY<&D::SetViewportOrg>}, // SetViewportOrg
    {0x020E, &XY<&D::SetViewportExt>}, // SetViewportExt
    {0x020F, &XY<&D::OffsetWindowOrg>}, // OffsetWindowOrg
    {0x0211, &XY<&D::OffsetViewportOrg>}, // OffsetViewportOrg
    {0x0213, &Point<&D::LineTo>}, // LineTo
    {0x0214, &Point<&D::MoveTo>}, // MoveTo
    {0x0220, &XY<&D::OffsetClip>}, // OffsetClipRgn
    {0x02FA, &CreatePenIndirect}, // CreatePenIndirect
    {0x02FB, &CreateFontIndirect}, // CreateFontIndirect
    {0x02FC, &CreateBrushIndirect}, // CreateBrushIndirect
    {0x0324, &Polygon}, // Polygon
    {0x0325, &Polyline}, // Polyline
    {0x0410, &Scale<&D::ScaleWindowExt>}, // ScaleWindowExt
    {0x0412, &Scale<&D::ScaleViewportExt>}, // ScaleViewportExt
    {0x0415, &Rect<&D::ExcludeClip>}, // ExcludeClipRect
    {0x0416, &Rect<&D::IntersectClip>}, // IntersectClipRect
    {0x0418, &Rect<&D::Ellipse>}, // Ellipse
    {0x041B, &Rect<&D::Rectangle>}, // Rectangle
    {0x041F, &SetPixel}, // SetPixel
    {0x0521, &TextOut}, // TextOut
    {0x0538, &PolyPolygon}, // PolyPolygon
    {0x061C, &RoundRect}, // RoundRect
    {0x061D, &PatBlt}, // PatBlt
    {0x06FF, &CreateOtherObject}, // CreateRegion
    {0x0817, &Arc}, // Arc
    {0x081A, &Pie}, // Pie
    {0x0830, &Chord}, // Chord
    {0x0940, &DibBitBlt}, // DibBitBlt
    {0x0A32, &ExtTextOut}, // ExtTextOut
    {0x0B41, &DibStretchBlt}, // DibStretchBlt
    {0x0D33, &SetDIBitsToDevice}, // SetDIBitsToDevice
    {0x0F43, &StretchDIBits}, // StretchDIBits
};
constexpr Table kHandlers(kEntries);

constexpr uint16_t kEof = 0x0000;

} // namespace

} // namespace wmf

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
        if (function == wmf::kEof)
            return played;
        ++played.count;
        wmf::Handler handler = wmf::kHandlers.Find(function);
        if (!handler)
            continue;
        try {
            handler(parameters, device);
        } catch (const EReadError&) {
            // Too short for its own parameters: this record alone is skipped.
        }
    }
    return played;
}

} // namespace pelmora
