// The handlers of Windows metafile records, one a record type, shared by the
// record player (WmfRecords.cpp) and the files of each family. A handler
// reads its record's parameters through a cursor that throws when they run
// short; the player then skips that record alone.
#pragma once

#include "ByteCursor.h"
#include "MetafileDevice.h"
#include "MetafileRecordData.h"

#include <cstddef>
#include <vector>

namespace pelmora::wmf {

using Handler = void (*)(ByteCursor& c, MetafileDevice& d);

// Parameters stored last-first, as most records keep them.
class Reversed {
public:
    Reversed(ByteCursor& c, size_t count)
        : values_(count)
    {
        for (size_t i = 0; i < count; ++i)
            values_[count - 1 - i] = c.S16LE();
    }
    double operator[](size_t i) const { return values_[i]; }
    MetaRect Rect(size_t first = 0) const
    {
        return {(*this)[first], (*this)[first + 1], (*this)[first + 2], (*this)[first + 3]};
    }
    // x, y, width, height as a rectangle.
    MetaRect Box(size_t first = 0) const
    {
        const Reversed& r = *this;
        return {r[first], r[first + 1], r[first] + r[first + 2], r[first + 1] + r[first + 3]};
    }

private:
    std::vector<int16_t> values_;
};

// Records whose parameters go to one call on the device: none, a word, a
// colour, x and y, a point, or a rectangle (the last three stored last-first).
template <auto Call> void NoParameters(ByteCursor&, MetafileDevice& d)
{
    (d.*Call)();
}
template <auto Call> void Word(ByteCursor& c, MetafileDevice& d)
{
    (d.*Call)(c.U16LE());
}
template <auto Call> void Colour(ByteCursor& c, MetafileDevice& d)
{
    (d.*Call)(ColorRef(c.U32LE()));
}
template <auto Call> void XY(ByteCursor& c, MetafileDevice& d)
{
    Reversed r(c, 2);
    (d.*Call)(r[0], r[1]);
}
template <auto Call> void Point(ByteCursor& c, MetafileDevice& d)
{
    Reversed r(c, 2);
    (d.*Call)(MetaPoint {r[0], r[1]});
}
template <auto Call> void Rect(ByteCursor& c, MetafileDevice& d)
{
    (d.*Call)(Reversed(c, 4).Rect());
}

// Drawing: lines, shapes, text and bit-block transfers (WmfDrawing.cpp).
void SetPixel(ByteCursor& c, MetafileDevice& d);
void RoundRect(ByteCursor& c, MetafileDevice& d);
void Arc(ByteCursor& c, MetafileDevice& d);
void Pie(ByteCursor& c, MetafileDevice& d);
void Chord(ByteCursor& c, MetafileDevice& d);
void Polygon(ByteCursor& c, MetafileDevice& d);
void Polyline(ByteCursor& c, MetafileDevice& d);
void PolyPolygon(ByteCursor& c, MetafileDevice& d);
void TextOut(ByteCursor& c, MetafileDevice& d);
void ExtTextOut(ByteCursor& c, MetafileDevice& d);
void PatBlt(ByteCursor& c, MetafileDevice& d);
void StretchDIBits(ByteCursor& c, MetafileDevice& d);
void DibStretchBlt(ByteCursor& c, MetafileDevice& d);
void DibBitBlt(ByteCursor& c, MetafileDevice& d);
void SetDIBitsToDevice(ByteCursor& c, MetafileDevice& d);

// Objects: pens, brushes, fonts and the slots they take (WmfObjects.cpp).
void CreatePenIndirect(ByteCursor& c, MetafileDevice& d);
void CreateBrushIndirect(ByteCursor& c, MetafileDevice& d);
void CreateFontIndirect(ByteCursor& c, MetafileDevice& d);
void CreatePatternBrush(ByteCursor& c, MetafileDevice& d);
void DibCreatePatternBrush(ByteCursor& c, MetafileDevice& d);
void CreateOtherObject(ByteCursor& c, MetafileDevice& d);

} // namespace pelmora::wmf
