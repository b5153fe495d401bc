// The handlers of enhanced metafile records, one a record type, shared by
// the record player (EmfRecords.cpp) and the files of each family. A handler
// reads its record through a cursor that throws when the record runs short;
// the player then skips that record alone. Parts the record names by offset
// are taken only when they lie inside it.
#pragma once

#include "ByteCursor.h"
#include "MetafileDevice.h"
#include "MetafileRecordData.h"

#include <bit>
#include <cstdint>
#include <span>

namespace pelmora::emf {

struct Record {
    uint32_t type = 0;
    std::span<const uint8_t> bytes; // the whole record, type and size included
    ByteCursor c; // after type and size
};

using Handler = void (*)(Record& r, MetafileDevice& d);

inline MetaPoint ReadPoint(ByteCursor& c, bool small)
{
    if (small) {
        double x = c.S16LE();
        return {x, double(c.S16LE())};
    }
    double x = c.S32LE();
    return {x, double(c.S32LE())};
}

inline MetaRect ReadRect(ByteCursor& c)
{
    double l = c.S32LE(), t = c.S32LE(), r = c.S32LE();
    return {l, t, r, double(c.S32LE())};
}

inline float ReadFloat(ByteCursor& c)
{
    return std::bit_cast<float>(c.U32LE());
}

// A part of the record given by offset and size from its start; empty when it lies outside.
inline std::span<const uint8_t> Part(const Record& r, uint32_t offset, uint32_t size)
{
    if (offset > r.bytes.size() || size > r.bytes.size() - offset)
        return {};
    return r.bytes.subspan(offset, size);
}

// Records whose parameters go to one call on the device: none, a value, a
// mode (in the low byte), a colour, x and y, a point, a rectangle, or four
// values of a scaling.
template <auto Call> void NoParameters(Record&, MetafileDevice& d)
{
    (d.*Call)();
}
template <auto Call> void Value(Record& r, MetafileDevice& d)
{
    (d.*Call)(r.c.U32LE());
}
template <auto Call> void Mode(Record& r, MetafileDevice& d)
{
    (d.*Call)(int(r.c.U32LE() & 0xFF));
}
template <auto Call> void Colour(Record& r, MetafileDevice& d)
{
    (d.*Call)(ColorRef(r.c.U32LE()));
}
template <auto Call> void XY(Record& r, MetafileDevice& d)
{
    MetaPoint p = ReadPoint(r.c, false);
    (d.*Call)(p.x, p.y);
}
template <auto Call> void Point(Record& r, MetafileDevice& d)
{
    (d.*Call)(ReadPoint(r.c, false));
}
template <auto Call> void Rect(Record& r, MetafileDevice& d)
{
    (d.*Call)(ReadRect(r.c));
}
template <auto Call> void Scale(Record& r, MetafileDevice& d)
{
    double xNum = r.c.S32LE(), xDen = r.c.S32LE(), yNum = r.c.S32LE(), yDen = r.c.S32LE();
    (d.*Call)(xNum, xDen, yNum, yDen);
}

// Drawing: figures, shapes, text and bit-block transfers (EmfDrawing.cpp).
void Poly(Record& r, MetafileDevice& d); // the Poly... records, 32- and 16-bit
void SetPixelV(Record& r, MetafileDevice& d);
void RoundRect(Record& r, MetafileDevice& d);
void ArcChordPie(Record& r, MetafileDevice& d);
void AngleArc(Record& r, MetafileDevice& d);
void PolyDraw(Record& r, MetafileDevice& d);
void ExtTextOut(Record& r, MetafileDevice& d);
void Transfer(Record& r, MetafileDevice& d); // BitBlt, StretchBlt, SetDIBitsToDevice, StretchDIBits

// Objects: pens, brushes, fonts and the slots they take (EmfObjects.cpp).
void CreatePen(Record& r, MetafileDevice& d);
void ExtCreatePen(Record& r, MetafileDevice& d);
void CreateBrushIndirect(Record& r, MetafileDevice& d);
void CreatePatternBrush(Record& r, MetafileDevice& d); // CreateMonoBrush, CreateDIBPatternBrushPt
void CreatePalette(Record& r, MetafileDevice& d);
void ExtCreateFontIndirectW(Record& r, MetafileDevice& d);
void SelectObject(Record& r, MetafileDevice& d);

// Record types.
enum Type : uint32_t {
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
    kAngleArc = 41,
    kEllipse = 42,
    kRectangle = 43,
    kRoundRect = 44,
    kArc = 45,
    kChord = 46,
    kPie = 47,
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

} // namespace pelmora::emf
