// Effects that move pixels: a radial lens, square blocks, a horizontal smear
// and three vertical ripples. Each brings its bitmaps to Rgb24 first.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

// Radial lens of strength k (0.2..2.5 as called) in single precision: reads
// only `source`, writes every pixel of `target`, which becomes an Rgb24
// bitmap of the source's size. The target may be the source itself.
void FishEye(const Bitmap& source, Bitmap& target, float k);
// Every n x n block takes the colour of its top-left pixel.
void Mosaic(Bitmap& bitmap, int size);
// The same into a target of its own, the source left as it is.
void Mosaic(const Bitmap& source, Bitmap& target, int size);
// A horizontal sample-and-hold whose run length follows a triangle wave down the picture.
void TriangleBlur(Bitmap& bitmap, int amount);
// Columns pushed down by a sawtooth offset 0, 1, ..., a, 0, 1, ...
void RippleTooth(Bitmap& bitmap, int amount);
// Columns pushed down by a triangle offset 0, 1, ..., a, a - 1, ..., 0, 1, ...
void RippleTriangle(Bitmap& bitmap, int amount);

// Whether RippleRandom seeds the generator from the clock (as the program
// does) or continues a sequence someone seeded.
enum class RandomSeeding { FromClock, Continue };
// Columns pushed down by a random offset drawn for every pixel.
void RippleRandom(Bitmap& bitmap, int amount, RandomSeeding seeding = RandomSeeding::FromClock);

} // namespace pelmora
