#include "ColorAdjustments.h"

#include "PixelConventions.h"
#include "ResultRows.h"

#include <algorithm>

namespace pelmora {

namespace {

// Beyond this size an amount saturates every channel it can change, so
// limiting it keeps the products inside 32 bits without changing a result.
constexpr int kAmountLimit = 1 << 20;

int LimitAmount(int amount)
{
    return std::clamp(amount, -kAmountLimit, kAmountLimit);
}

// The row loops read `width` pixels at s and write them at d, which is s
// itself or a row of another bitmap (the two never overlap otherwise).
PELMORA_VECTOR_CLONES void ContrastRow(const uint8_t* s, uint8_t* d, size_t width, int a)
{
    for (size_t i = 0; i < 3 * width; ++i) {
        int c = s[i];
        int e = (c > 127 ? c - 127 : 127 - c) * a / 255;
        d[i] = ClampByte(c > 127 ? c + e : c - e);
    }
}

PELMORA_VECTOR_CLONES void LightnessRow(const uint8_t* s, uint8_t* d, size_t width, int a)
{
    for (size_t i = 0; i < 3 * width; ++i) {
        int c = s[i];
        d[i] = ClampByte(c + (255 - c) * a / 255);
    }
}

PELMORA_VECTOR_CLONES void DarknessRow(const uint8_t* s, uint8_t* d, size_t width, int a)
{
    for (size_t i = 0; i < 3 * width; ++i) {
        int c = s[i];
        d[i] = ClampByte(c - c * a / 255);
    }
}

PELMORA_VECTOR_CLONES void SaturationRow(const uint8_t* s, uint8_t* d, size_t width, int a)
{
    for (size_t x = 0; x < width; ++x) {
        int b = s[3 * x], g = s[3 * x + 1], r = s[3 * x + 2];
        int m = (b + g + r) / 3;
        d[3 * x] = ClampByte(m + (b - m) * a / 255);
        d[3 * x + 1] = ClampByte(m + (g - m) * a / 255);
        d[3 * x + 2] = ClampByte(m + (r - m) * a / 255);
    }
}

PELMORA_VECTOR_CLONES void GrayscaleRow(const uint8_t* s, uint8_t* d, size_t width)
{
    for (size_t x = 0; x < width; ++x) {
        auto m = uint8_t((s[3 * x] + s[3 * x + 1] + s[3 * x + 2]) / 3);
        d[3 * x] = d[3 * x + 1] = d[3 * x + 2] = m;
    }
}

PELMORA_VECTOR_CLONES void InvertRow(const uint8_t* s, uint8_t* d, size_t width)
{
    for (size_t i = 0; i < 3 * width; ++i)
        d[i] = uint8_t(~s[i]);
}

// Single precision is exact here: c / step is either exactly a half or at
// least 1 / (2 * 511) away from one, far more than a float's error at 255.
PELMORA_VECTOR_CLONES void PosterizeRow(const uint8_t* s, uint8_t* d, size_t width, int step)
{
    const float divisor = float(step);
    for (size_t i = 0; i < 3 * width; ++i) {
        int q = int(RoundHalfEven(float(s[i]) / divisor));
        d[i] = ClampByte(q * step);
    }
}

// Every row through a row loop, in place.
template <class RowFunction> void ForEachRow(Bitmap& bitmap, RowFunction run)
{
    ToRgb24(bitmap);
    const size_t width = size_t(bitmap.Width());
    for (int y = 0; y < bitmap.Height(); ++y)
        run(bitmap.ScanLine(y), bitmap.ScanLine(y), width);
}

// The same loop reading one bitmap and writing another, which becomes an
// Rgb24 bitmap of the source's size.
template <class RowFunction>
void ForEachRow(const Bitmap& source, Bitmap& target, RowFunction run, RowWork work = RowWork::Heavy)
{
    if (&source == &target)
        return ForEachRow(target, run);
    Bitmap holder;
    const Bitmap& s = Rgb24SourceAndTarget(source, holder, target);
    ResultRows out(s, target, work);
    for (int y = 0; y < s.Height(); ++y) {
        const uint8_t* from = s.ScanLine(y);
        out.Write(target.ScanLine(y), size_t(s.Width()),
            [&](size_t x, size_t count, uint8_t* to) { run(from + 3 * x, to, count); });
    }
}

using AmountRow = void (*)(const uint8_t*, uint8_t*, size_t, int);

void WithAmount(Bitmap& bitmap, int amount, AmountRow row)
{
    const int a = LimitAmount(amount);
    ForEachRow(bitmap, [a, row](const uint8_t* s, uint8_t* d, size_t width) { row(s, d, width, a); });
}

void WithAmount(const Bitmap& source, Bitmap& target, int amount, AmountRow row)
{
    const int a = LimitAmount(amount);
    ForEachRow(source, target, [a, row](const uint8_t* s, uint8_t* d, size_t width) { row(s, d, width, a); });
}

} // namespace

void Contrast(Bitmap& bitmap, int amount)
{
    WithAmount(bitmap, amount, ContrastRow);
}

void Contrast(const Bitmap& source, Bitmap& target, int amount)
{
    WithAmount(source, target, amount, ContrastRow);
}

void Lightness(Bitmap& bitmap, int amount)
{
    WithAmount(bitmap, amount, LightnessRow);
}

void Lightness(const Bitmap& source, Bitmap& target, int amount)
{
    WithAmount(source, target, amount, LightnessRow);
}

void Darkness(Bitmap& bitmap, int amount)
{
    WithAmount(bitmap, amount, DarknessRow);
}

void Darkness(const Bitmap& source, Bitmap& target, int amount)
{
    WithAmount(source, target, amount, DarknessRow);
}

void Saturation(Bitmap& bitmap, int amount)
{
    WithAmount(bitmap, amount, SaturationRow);
}

void Saturation(const Bitmap& source, Bitmap& target, int amount)
{
    WithAmount(source, target, amount, SaturationRow);
}

void Grayscale(Bitmap& bitmap)
{
    ForEachRow(bitmap, GrayscaleRow);
}

void Grayscale(const Bitmap& source, Bitmap& target)
{
    // Its arithmetic outlasts the reads of the rows it writes: streamed, the
    // result only cost a pass through a buffer more.
    ForEachRow(source, target, GrayscaleRow);
}

void InvertColors(Bitmap& bitmap)
{
    ForEachRow(bitmap, InvertRow);
}

void InvertColors(const Bitmap& source, Bitmap& target)
{
    ForEachRow(source, target, InvertRow, RowWork::Light);
}

void Posterize(const Bitmap& source, Bitmap& target, int step)
{
    // A step of 0 would divide by zero: it leaves the colours as they are, like
    // step 1. Steps beyond 511 round every channel to 0, as 511 does.
    const int s = std::clamp(step == 0 ? 1 : step, -511, 511);
    ForEachRow(
        source, target, [s](const uint8_t* from, uint8_t* to, size_t width) { PosterizeRow(from, to, width, s); });
}

} // namespace pelmora
