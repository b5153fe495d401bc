// The per-pixel colour effects of the Colors menu. Each converts its bitmap
// to Rgb24 first and works on every channel with 32-bit integer arithmetic,
// division truncating toward zero. Amounts outside the dialog's range follow
// the same formulas. Each also leaves a source as it is and makes the target
// its Rgb24 result (the target may be the source).
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

// Pushes channels away from 127 (negative amounts pull them toward it). Neutral 0.
void Contrast(Bitmap& bitmap, int amount);
void Contrast(const Bitmap& source, Bitmap& target, int amount);
// Moves channels toward 255 in proportion to their distance from it. Neutral 0.
void Lightness(Bitmap& bitmap, int amount);
void Lightness(const Bitmap& source, Bitmap& target, int amount);
// Scales channels toward 0. Neutral 0.
void Darkness(Bitmap& bitmap, int amount);
void Darkness(const Bitmap& source, Bitmap& target, int amount);
// Moves channels away from the pixel's grey mean; 255 is neutral, 0 gives grey.
void Saturation(Bitmap& bitmap, int amount);
void Saturation(const Bitmap& source, Bitmap& target, int amount);
// The plain mean of the three channels, equal weights.
void Grayscale(Bitmap& bitmap);
void Grayscale(const Bitmap& source, Bitmap& target);
void InvertColors(Bitmap& bitmap);
void InvertColors(const Bitmap& source, Bitmap& target);
// Each channel of the source rounded to a multiple of `step` (ties to even)
// into the target, which becomes an Rgb24 bitmap of the source's size. The
// target may be the source itself; another source is left as it is.
void Posterize(const Bitmap& source, Bitmap& target, int step);

} // namespace pelmora
