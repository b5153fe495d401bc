// What every effect shares: 24-bit blue-green-red rows, ClampByte, rounding
// with ties to even, and the step that brings a bitmap to Rgb24 first.
#pragma once

#include "formats/Bitmap.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

// The hot row loops are built for several instruction sets and the best one
// is picked at load time; the arithmetic is the same integer or single
// precision sequence in every version (no contraction into fused multiply-adds).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)                                \
    && !defined(__SANITIZE_ADDRESS__)
#define PELMORA_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define PELMORA_VECTOR_CLONES
#endif

// Keeps a loop whose body is already one wide vector step from being unrolled
// into a scalar one.
#if defined(__GNUC__) && !defined(__clang__)
#define PELMORA_NO_UNROLL _Pragma("GCC unroll 1")
#else
#define PELMORA_NO_UNROLL
#endif

namespace pelmora {

// More than 255 gives 255, less than 0 gives 0.
inline uint8_t ClampByte(int v)
{
    return uint8_t(v > 255 ? 255 : v < 0 ? 0 : v);
}

// Nearest integer, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
inline float RoundHalfEven(float v)
{
    return std::nearbyint(v);
}
inline double RoundHalfEven(double v)
{
    return std::nearbyint(v);
}

// Converts a bitmap of any other format to Rgb24 in place, keeping its colours.
void ToRgb24(Bitmap& bitmap);

// The source itself when it is Rgb24 already, else a converted copy kept in `holder`.
const Bitmap& Rgb24View(const Bitmap& source, Bitmap& holder);

// Makes `target` an Rgb24 bitmap of the source's size whose every pixel the
// caller then writes (its old pixels are not kept).
void PrepareRgb24Target(const Bitmap& source, Bitmap& target);

// The start of every effect that writes a result of its own: the source as
// Rgb24 (see Rgb24View) and `target` prepared to its size.
const Bitmap& Rgb24SourceAndTarget(const Bitmap& source, Bitmap& holder, Bitmap& target);

// The start of every row, so pixel loops that jump between rows need no lookups.
std::vector<uint8_t*> RowPointers(Bitmap& bitmap);
std::vector<const uint8_t*> RowPointers(const Bitmap& bitmap);

inline size_t PixelBytes(const Bitmap& bitmap)
{
    return size_t(bitmap.Width()) * 3;
}

} // namespace pelmora
