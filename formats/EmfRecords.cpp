#include "EmfRecords.h"

#include "EmfHandlers.h"
#include "MetafileRecordData.h"

#include <vector>

namespace pelmora {

namespace emf {

namespace {

// Records of the device state, mapping and clip that the one-call shapes of
// EmfHandlers.h do not fit.

void SetArcDirection(Record& r, MetafileDevice& d)
{
    d.SetArcClockwise(r.c.U32LE() == 2);
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

void ExtSelectClipRgn(Record& r, MetafileDevice& d)
{
    uint32_t size = r.c.U32LE();
    int mode = int(r.c.U32LE());
    d.SelectClipRegion(ReadRegion(r.c, size), mode);
}

void RestoreDC(Record& r, MetafileDevice& d)
{
    d.RestoreDC(r.c.S32LE());
}

MetaTransform ReadTransform(ByteCursor& c)
{
    MetaTransform t;
    t.m11 = ReadFloat(c), t.m12 = ReadFloat(c), t.m21 = ReadFloat(c), t.m22 = ReadFloat(c);
    t.dx = ReadFloat(c), t.dy = ReadFloat(c);
    return t;
}

void SetWorldTransform(Record& r, MetafileDevice& d)
{
    d.SetWorldTransform(ReadTransform(r.c));
}

void ModifyWorldTransform(Record& r, MetafileDevice& d)
{
    MetaTransform t = ReadTransform(r.c);
    d.ModifyWorldTransform(t, int(r.c.U32LE()));
}

template <bool stroke, bool fill> void DrawPath(Record&, MetafileDevice& d)
{
    d.DrawPath(stroke, fill);
}

using D = MetafileDevice;

// By record type; records of other types are skipped.
using Table = RecordTable<uint32_t, Handler>;

constexpr Table::Entry kEntries[] = {
    {kPolyBezier, &Poly},
    {kPolygon, &Poly},
    {kPolyline, &Poly},
    {kPolyBezierTo, &Poly},
    {kPolylineTo, &Poly},
    {kPolyPolyline, &Poly},
    {kPolyPolygon, &Poly},
    {kSetWindowExtEx, &XY<&D::SetWindowExt>},
    {kSetWindowOrgEx, &XY<&D::SetWindowOrg>},
    {kSetViewportExtEx, &XY<&D::SetViewportExt>},
    {kSetViewportOrgEx, &XY<&D::SetViewportOrg>},
    {kSetPixelV, &SetPixelV},
    {kSetMapMode, &Mode<&D::SetMapMode>},
    {kSetBkMode, &Mode<&D::SetBackgroundMode>},
    {kSetPolyFillMode, &Mode<&D::SetPolyFillMode>},
    {kSetTextAlign, &Value<&D::SetTextAlign>},
    {kSetTextColor, &Colour<&D::SetTextColor>},
    {kSetBkColor, &Colour<&D::SetBackColor>},
    {kOffsetClipRgn, &XY<&D::OffsetClip>},
    {kMoveToEx, &Point<&D::MoveTo>},
    {kExcludeClipRect, &Rect<&D::ExcludeClip>},
    {kIntersectClipRect, &Rect<&D::IntersectClip>},
    {kScaleViewportExtEx, &Scale<&D::ScaleViewportExt>},
    {kScaleWindowExtEx, &Scale<&D::ScaleWindowExt>},
    {kSaveDC, &NoParameters<&D::SaveDC>},
    {kRestoreDC, &RestoreDC},
    {kSetWorldTransform, &SetWorldTransform},
    {kModifyWorldTransform, &ModifyWorldTransform},
    {kSelectObject, &SelectObject},
    {kCreatePen, &CreatePen},
    {kCreateBrushIndirect, &CreateBrushIndirect},
    {kDeleteObject, &Value<&D::DeleteObject>},
    {kAngleArc, &AngleArc},
    {kEllipse, &Rect<&D::Ellipse>},
    {kRectangle, &Rect<&D::Rectangle>},
    {kRoundRect, &RoundRect},
    {kArc, &ArcChordPie},
    {kChord, &ArcChordPie},
    {kPie, &ArcChordPie},
    {kCreatePalette, &CreatePalette},
    {kLineTo, &Point<&D::LineTo>},
    {kArcTo, &ArcChordPie},
    {kPolyDraw, &PolyDraw},
    {kSetArcDirection, &SetArcDirection},
    {kBeginPath, &NoParameters<&D::BeginPath>},
    {kEndPath, &NoParameters<&D::EndPath>},
    {kCloseFigure, &NoParameters<&D::CloseFigure>},
    {kFillPath, &DrawPath<false, true>},
    {kStrokeAndFillPath, &DrawPath<true, true>},
    {kStrokePath, &DrawPath<true, false>},
    {kSelectClipPath, &Value<&D::ClipToPath>},
    {kAbortPath, &NoParameters<&D::AbortPath>},
    {kExtSelectClipRgn, &ExtSelectClipRgn},
    {kBitBlt, &Transfer},
    {kStretchBlt, &Transfer},
    {kSetDIBitsToDevice, &Transfer},
    {kStretchDIBits, &Transfer},
    {kExtCreateFontIndirectW, &ExtCreateFontIndirectW},
    {kExtTextOutA, &ExtTextOut},
    {kExtTextOutW, &ExtTextOut},
    {kPolyBezier16, &Poly},
    {kPolygon16, &Poly},
    {kPolyline16, &Poly},
    {kPolyBezierTo16, &Poly},
    {kPolylineTo16, &Poly},
    {kPolyPolyline16, &Poly},
    {kPolyPolygon16, &Poly},
    {kPolyDraw16, &PolyDraw},
    {kCreateMonoBrush, &CreatePatternBrush},
    {kCreateDibPatternBrushPt, &CreatePatternBrush},
    {kExtCreatePen, &ExtCreatePen},
};
constexpr Table kHandlers(kEntries);

} // namespace

} // namespace emf

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
        if (type == emf::kEof)
            return played;
        ++played.count;
        at += size;
        emf::Handler handler = emf::kHandlers.Find(type);
        if (!handler)
            continue;
        emf::Record r {type, file.subspan(at - size, size), ByteCursor(file.subspan(at - size + 8, size - 8))};
        try {
            handler(r, device);
        } catch (const EReadError&) {
            // Too short for its own parameters: this record alone is skipped.
        }
    }
    return played;
}

} // namespace pelmora
