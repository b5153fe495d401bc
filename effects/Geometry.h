// Mirror, rotate and the nearest-neighbour stretched copy.
#pragma once

#include "formats/Bitmap.h"

#include <cstdint>

namespace pelmora {

// Each replaces the picture by its Rgb24 result, or leaves the source as it
// is and makes the target its Rgb24 result (the target may be the source).
// Rows in reverse order.
void MirrorVertical(Bitmap& picture);
void MirrorVertical(const Bitmap& source, Bitmap& target);
// Pixels of each row in reverse order.
void MirrorHorizontal(Bitmap& picture);
void MirrorHorizontal(const Bitmap& source, Bitmap& target);
// Turned clockwise: the picture becomes H wide and W high.
void Rotate90(Bitmap& picture);
void Rotate90(const Bitmap& source, Bitmap& target);

// A rectangle of pixels; right and bottom are exclusive.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Draws rectangle `from` of the source onto rectangle `to` of the target by
// nearest-neighbour sampling: every target pixel takes the source pixel under
// its centre, so rows and columns are repeated or dropped (an m times larger
// rectangle makes each source pixel an m x m block). Target pixels outside the
// target, or whose sample lies outside the source, stay as they are. The
// target keeps its format; a source of another format is converted first.
// Source and target may be the same bitmap.
void StretchCopy(const Bitmap& source, const PixelRect& from, Bitmap& target, const PixelRect& to);
// The source pixel under the centre of target pixel t of a line of `to`
// pixels showing `from` pixels: the sample StretchCopy takes.
inline int64_t StretchSample(int64_t t, int64_t from, int64_t to)
{
    return (2 * t + 1) * from / (2 * to);
}
// The whole source stretched onto a new bitmap of the given size, in the
// source's format and palette.
Bitmap StretchedCopy(const Bitmap& source, int width, int height);

} // namespace pelmora
