#include "ColorAdjustments.h"

#include "PixelConventions.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

// Beyond this size an amount saturates every channel it can change, so
// limiting it keeps the products inside 32 bits without changing a result.
constexpr int kAmountLimit = 1 << 20;

int LimitAmount(int amount)
{
    return std::clamp(amount, -kAmountLimit, kAmountLimit);
}

PELMORA_VECTOR_CLONES void ContrastRow(uint8_t* __restrict p, size_t n, int a)
{
    for (size_t i = 0; i < n; ++i) {
        int c = p[i];
        int d = (c > 127 ? c - 127 : 127 - c) * a / 255;
        p[i] = ClampByte(c > 127 ? c + d : c - d);
    }
}

PELMORA_VECTOR_CLONES void LightnessRow(uint8_t* __restrict p, size_t n, int a)
{
    for (size_t i = 0; i < n; ++i) {
        int c = p[i];
        p[i] = ClampByte(c + (255 - c) * a / 255);
    }
}

PELMORA_VECTOR_CLONES void DarknessRow(uint8_t* __restrict p, size_t n, int a)
{
    for (size_t i = 0; i < n; ++i) {
        int c = p[i];
        p[i] = ClampByte(c - c * a / 255);
    }
}

PELMORA_VECTOR_CLONES void SaturationRow(uint8_t* __restrict p, size_t width, int a)
{
    for (size_t x = 0; x < width; ++x) {
        int b = p[3 * x], g = p[3 * x + 1], r = p[3 * x + 2];
        int m = (b + g + r) / 3;
        p[3 * x] = ClampByte(m + (b - m) * a / 255);
        p[3 * x + 1] = ClampByte(m + (g - m) * a / 255);
        p[3 * x + 2] = ClampByte(m + (r - m) * a / 255);
    }
}

PELMORA_VECTOR_CLONES void GrayscaleRow(uint8_t* __restrict p, size_t width)
{
    for (size_t x = 0; x < width; ++x) {
        auto m = uint8_t((p[3 * x] + p[3 * x + 1] + p[3 * x + 2]) / 3);
        p[3 * x] = p[3 * x + 1] = p[3 * x + 2] = m;
    }
}

PELMORA_VECTOR_CLONES void InvertRow(uint8_t* __restrict p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        p[i] = uint8_t(~p[i]);
}

// Single precision is exact here: c / step is either exactly a half or at
// least 1 / (2 * 511) away from one, far more than a float's error at 255.
PELMORA_VECTOR_CLONES void PosterizeRow(const uint8_t* s, uint8_t* d, size_t n, int step)
{
    const float divisor = float(step);
    for (size_t i = 0; i < n; ++i) {
        int q = int(RoundHalfEven(float(s[i]) / divisor));
        d[i] = ClampByte(q * step);
    }
}

// Every row through a row loop: `count` is bytes or pixels, as the loop takes them.
template <class RowFunction> void ForEachRow(Bitmap& bitmap, size_t count, RowFunction run)
{
    ToRgb24(bitmap);
    for (int y = 0; y < bitmap.Height(); ++y)
        run(bitmap.ScanLine(y), count);
}

// The same loop writing another bitmap: each row is copied and changed while
// it is still in the cache, which costs what changing it in place costs.
template <class RowFunction> void ForEachRow(const Bitmap& source, Bitmap& target, size_t count, RowFunction run)
{
    if (&source == &target)
        return ForEachRow(target, count, run);
    Bitmap holder;
    const Bitmap& s = Rgb24View(source, holder);
    PrepareRgb24Target(s, target);
    const size_t n = PixelBytes(s);
    for (int y = 0; y < s.Height(); ++y) {
        uint8_t* row = target.ScanLine(y);
        std::memcpy(row, s.ScanLine(y), n);
        run(row, count);
    }
}

using AmountRow = void (*)(uint8_t*, size_t, int);

void WithAmount(Bitmap& bitmap, size_t count, int amount, AmountRow row)
{
    const int a = LimitAmount(amount);
    ForEachRow(bitmap, count, [a, row](uint8_t* p, size_t n) { row(p, n, a); });
}

void WithAmount(const Bitmap& source, Bitmap& target, size_t count, int amount, AmountRow row)
{
    const int a = LimitAmount(amount);
    ForEachRow(source, target, count, [a, row](uint8_t* p, size_t n) { row(p, n, a); });
}

} // namespace

void Contrast(Bitmap& bitmap, int amount)
{
    WithAmount(bitmap, PixelBytes(bitmap), amount, ContrastRow);
}

void Contrast(const Bitmap& source, Bitmap& target, int amount)
{
    WithAmount(source, target, PixelBytes(source), amount, ContrastRow);
}

void Lightness(Bitmap& bitmap, int amount)
{
    WithAmount(bitmap, PixelBytes(bitmap), amount, LightnessRow);
}

void Lightness(const Bitmap& source, Bitmap& target, int amount)
{
    WithAmount(source, target, PixelBytes(source), amount, LightnessRow);
}

void Darkness(Bitmap& bitmap, int amount)
{
    WithAmount(bitmap, PixelBytes(bitmap), amount, DarknessRow);
}

void Darkness(const Bitmap& source, Bitmap& target, int amount)
{
    WithAmount(source, target, PixelBytes(source), amount, DarknessRow);
}

void Saturation(Bitmap& bitmap, int amount)
{
    WithAmount(bitmap, size_t(bitmap.Width()), amount, SaturationRow);
}

void Saturation(const Bitmap& source, Bitmap& target, int amount)
{
    WithAmount(source, target, size_t(source.Width()), amount, SaturationRow);
}

void Grayscale(Bitmap& bitmap)
{
    ForEachRow(bitmap, size_t(bitmap.Width()), GrayscaleRow);
}

void Grayscale(const Bitmap& source, Bitmap& target)
{
    ForEachRow(source, target, size_t(source.Width()), GrayscaleRow);
}

void InvertColors(Bitmap& bitmap)
{
    ForEachRow(bitmap, PixelBytes(bitmap), InvertRow);
}

void InvertColors(const Bitmap& source, Bitmap& target)
{
    ForEachRow(source, target, PixelBytes(source), InvertRow);
}

void Posterize(const Bitmap& source, Bitmap& target, int step)
{
    if (&target == &source)
        ToRgb24(target);
    Bitmap holder;
    const Bitmap& rgb = Rgb24View(source, holder);
    if (&target != &rgb)
        PrepareRgb24Target(rgb, target);
    // A step of 0 would divide by zero: it leaves the colours as they are, like
    // step 1. Steps beyond 511 round every channel to 0, as 511 does.
    int s = std::clamp(step == 0 ? 1 : step, -511, 511);
    size_t n = PixelBytes(rgb);
    for (int y = 0; y < rgb.Height(); ++y)
        PosterizeRow(rgb.ScanLine(y), target.ScanLine(y), n, s);
}

} // namespace pelmora
