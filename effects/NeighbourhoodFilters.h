// Filters that compute a pixel from its neighbours. Each brings the bitmaps
// it touches to Rgb24 first; integer division truncates toward zero.
#pragma once

#include "formats/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pelmora {

// One 3 x 3 kernel: weights[0] weighs the row above the pixel, weights[2] the
// row below; within a row left, centre, right.
struct ConvolveKernel {
    int weights[3][3];
    int divisor;
};

inline constexpr ConvolveKernel ConvolveKernels[9] = {
    { { { -1, -1, -1 }, { -1, 8, -1 }, { -1, -1, -1 } }, 1 },
    { { { -1, -1, -1 }, { -1, 9, -1 }, { -1, -1, -1 } }, 1 },
    { { { 1, 1, 1 }, { 1, -2, 1 }, { -1, -1, -1 } }, 1 },
    { { { -1, -1, -1 }, { -1, 16, -1 }, { -1, -1, -1 } }, 8 },
    { { { 0, -1, 0 }, { -1, 5, -1 }, { 0, -1, 0 } }, 1 },
    { { { 1, 0, 1 }, { 0, 0, 0 }, { 1, 0, -2 } }, 1 },
    { { { 2, 2, 2 }, { 2, 0, 2 }, { 2, 2, 2 } }, 16 },
    { { { 3, 3, 3 }, { 3, 8, 3 }, { 3, 3, 3 } }, 32 },
    { { { 0, 1, 0 }, { 1, 2, 1 }, { 0, 1, 0 } }, 6 },
};
inline constexpr int kConvolveKernelCount = 9;

// How Convolve treats the pixels beyond the border.
enum class EdgeMode { WrapAround = 0, Replicate = 1, KeepBorder = 2 };

// Five-point sharpening in 16.16 fixed point: 1.0 leaves the picture as it
// is, more sharpens, less softens. The picture is replaced by the Rgb24
// result; its outermost rows and columns keep their values.
void Sharpen(Bitmap& picture, double amount);
// The same into a target of its own, the source left as it is.
void Sharpen(const Bitmap& source, Bitmap& target, double amount);

// Applies kernel `kernel` (0..8) with edge mode 0, 1 or 2 in place. Another
// edge mode only converts the picture to Rgb24; another kernel does nothing.
void Convolve(Bitmap& picture, int kernel, int edgeMode);
// The same into a target of its own, the source left as it is.
void Convolve(const Bitmap& source, Bitmap& target, int kernel, int edgeMode);

// The picture two pixels wider and higher, its frame filled for edge mode
// WrapAround or Replicate (the corners are the picture's nearest corners).
Bitmap BorderedCopy(const Bitmap& picture, EdgeMode mode);

// One emboss step in place: the mean of a pixel and the complement of the
// pixel one row down and three columns right.
void Emboss(Bitmap& bitmap);
void Emboss(const Bitmap& source, Bitmap& target);
// One emboss step in place that gives back the bit of each byte it drops,
// and the step taken back with them: the bitmap's bytes exactly as they were.
// Unemboss refuses (false, nothing changed) bits of another bitmap's size.
struct DroppedBits {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};
DroppedBits EmbossKeepingBits(Bitmap& bitmap);
bool Unemboss(Bitmap& bitmap, const DroppedBits& bits);

// The mean of the four pixels `distance` away diagonally, in place.
void SplitBlur(Bitmap& bitmap, int distance);
// The same into a target of its own, giving what the step in place gives.
void SplitBlur(const Bitmap& source, Bitmap& target, int distance);
// SplitBlur at distance 3, count + 1 times.
void GaussianBlur(Bitmap& bitmap, int count);
// Each pixel takes the colour of a random pixel near it, drawing from the
// process-wide generator (three draws a pixel, column by column).
void Spray(Bitmap& bitmap, int amount);

// Black outlines along the colour boundaries of the picture's QuantizedCopy.
void Trace(Bitmap& bitmap, int passes);
// The fixed 256-colour palette of QuantizedCopy: the 6 x 6 x 6 cube of the
// levels 0, 51, ..., 255 (index 36 red + 6 green + blue level) and then 40
// greys between them (round(k x 255 / 41), k = 1..40).
const Palette& HalftonePalette();
// The index of the nearest HalftonePalette entry (least squared distance,
// the lower index on ties).
int NearestHalftoneIndex(uint8_t blue, uint8_t green, uint8_t red);
// An Indexed8 copy of the picture on HalftonePalette.
Bitmap QuantizedCopy(const Bitmap& picture);

} // namespace pelmora
