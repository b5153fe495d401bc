#include "Distortions.h"

#include "PixelConventions.h"
#include "Random.h"
#include "ResultRows.h"

#include "formats/CpuFeatures.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef PELMORA_X86_DISPATCH
#include <immintrin.h>
#endif

namespace pelmora {

namespace {

// Wraps a truncated lens position into 0..size-1.
int64_t WrapIndex(int64_t i, int size)
{
    if (i < 0)
        return size - 1 - (-i) % size;
    if (i > size - 1)
        return i % size;
    return i;
}

// The second sample of a pair: the next pixel, or from the far edge back
// (which is 0 for the last pixel).
int64_t SecondSample(int64_t i, int step, int size)
{
    return i + step < size ? i + step : size - i - step;
}

// Where the lens samples for the target pixels of one row, (fx, fy) in
// single precision: the row is dy below the centre. Pixels at the centre, on
// the rim (where the formula divides by zero) or whose position is not a
// finite number take the centre's colour. Every step is an exact single
// precision operation in the same order in every build, so the vector
// versions give the same positions as a pixel-by-pixel loop.
PELMORA_VECTOR_CLONES void LensRow(
    float dy, int w, float xmid, float ymid, float rmax, float* __restrict fxs, float* __restrict fys)
{
    const float half = rmax / 2.0f;
    for (int tx = 0; tx < w; ++tx) {
        const float dx = float(tx) - xmid;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float gap = 1.0f - r / rmax;
        const float q = (1.0f / gap - 1.0f) * half;
        const float x = dx * q / r + xmid;
        const float y = dy * q / r + ymid;
        const bool keep = (r != 0) & (gap != 0) & (std::abs(x) < 1e15f) & (std::abs(y) < 1e15f);
        fxs[tx] = keep ? x : xmid;
        fys[tx] = keep ? y : ymid;
    }
}

// The two weights of a truncated position, first sample then second.
void SampleWeights(float f, int64_t i, float& w0, float& w1)
{
    if (f >= 0) {
        w1 = f - float(i);
        w0 = 1.0f - w1;
    } else {
        w0 = float(i) - f;
        w1 = 1.0f - w0;
    }
}

// The four pixels around a lens position and their weights: columns c0, c1
// and rows r0, r1 with weights wx0, wx1 and wy0, wy1. Positions inside the
// picture take the short way; others wrap around.
struct LensTaps {
    int64_t c0, c1, r0, r1;
    float wx0, wx1, wy0, wy1;
};

inline LensTaps TapsAt(float fx, float fy, int w, int h)
{
    LensTaps t;
    if (fx >= 0.0f && fx < float(w) && fy >= 0.0f && fy < float(h)) {
        const int x = int(fx), y = int(fy);
        t.wx1 = fx - float(x);
        t.wx0 = 1.0f - t.wx1;
        t.wy1 = fy - float(y);
        t.wy0 = 1.0f - t.wy1;
        t.c0 = x, t.r0 = y;
        t.c1 = x + 1 < w ? x + 1 : 0;
        t.r1 = y + 1 < h ? y + 1 : 0;
        return t;
    }
    int64_t ix = int64_t(fx), iy = int64_t(fy);
    SampleWeights(fx, ix, t.wx0, t.wx1);
    SampleWeights(fy, iy, t.wy0, t.wy1);
    ix = WrapIndex(ix, w);
    iy = WrapIndex(iy, h);
    t.c0 = ix, t.r0 = iy;
    t.c1 = SecondSample(ix, 1, w);
    t.r1 = SecondSample(iy, 1, h);
    return t;
}

// One target row: each pixel mixes its four samples, column by column and
// within a column row by row, summing in that order, then rounds.
using SampleRowFunction = void (*)(const uint8_t* const*, int, int, const float*, const float*, uint8_t*);

void SampleRowPlain(const uint8_t* const* rows, int w, int h, const float* fxs, const float* fys, uint8_t* out)
{
    for (int tx = 0; tx < w; ++tx, out += 3) {
        const LensTaps t = TapsAt(fxs[tx], fys[tx], w, h);
        const uint8_t* p[4]
            = {rows[t.r0] + 3 * t.c0, rows[t.r1] + 3 * t.c0, rows[t.r0] + 3 * t.c1, rows[t.r1] + 3 * t.c1};
        const float weight[4] = {t.wx0 * t.wy0, t.wx0 * t.wy1, t.wx1 * t.wy0, t.wx1 * t.wy1};
        for (int c = 0; c < 3; ++c) {
            float sum = 0;
            for (int i = 0; i < 4; ++i)
                sum += float(p[i][c]) * weight[i];
            out[c] = ClampByte(int(RoundHalfEven(sum)));
        }
    }
}

#ifdef PELMORA_X86_DISPATCH
// The same sums with the three channels of a pixel side by side in one
// vector: the same single-precision products and additions in the same
// order, rounded to even and clamped as above. Each sample is read as four
// bytes (the fourth is not used).
__attribute__((target("sse4.1"))) inline __m128 SamplePixel(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(v))));
}

__attribute__((target("sse4.1"))) void SampleRowSse41(
    const uint8_t* const* rows, int w, int h, const float* fxs, const float* fys, uint8_t* out)
{
    for (int tx = 0; tx < w; ++tx, out += 3) {
        const LensTaps t = TapsAt(fxs[tx], fys[tx], w, h);
        const uint8_t* up = rows[t.r0];
        const uint8_t* down = rows[t.r1];
        const __m128 weights
            = _mm_mul_ps(_mm_setr_ps(t.wx0, t.wx0, t.wx1, t.wx1), _mm_setr_ps(t.wy0, t.wy1, t.wy0, t.wy1));
        __m128 sum = _mm_mul_ps(SamplePixel(up + 3 * t.c0), _mm_shuffle_ps(weights, weights, 0x00));
        sum = _mm_add_ps(sum, _mm_mul_ps(SamplePixel(down + 3 * t.c0), _mm_shuffle_ps(weights, weights, 0x55)));
        sum = _mm_add_ps(sum, _mm_mul_ps(SamplePixel(up + 3 * t.c1), _mm_shuffle_ps(weights, weights, 0xAA)));
        sum = _mm_add_ps(sum, _mm_mul_ps(SamplePixel(down + 3 * t.c1), _mm_shuffle_ps(weights, weights, 0xFF)));
        __m128i rounded = _mm_cvtps_epi32(_mm_round_ps(sum, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
        rounded = _mm_packus_epi32(rounded, rounded);
        rounded = _mm_packus_epi16(rounded, rounded);
        const uint32_t bgr = uint32_t(_mm_cvtsi128_si32(rounded));
        // Four bytes where the next pixel follows and overwrites the fourth.
        std::memcpy(out, &bgr, tx + 1 < w ? 4 : 3);
    }
}

SampleRowFunction ChooseSampleRow()
{
    static const SampleRowFunction chosen = CpuHasSse41() ? SampleRowSse41 : SampleRowPlain;
    return chosen;
}
#else
SampleRowFunction ChooseSampleRow()
{
    return SampleRowPlain;
}
#endif

// Moves pixel (x, y) of the rows H-1-a up to 0, bottom row first, to
// (x, y + d): d starts at 0 in every row and `next` gives the one after.
template <class NextOffset> void RippleRows(Bitmap& bitmap, int a, NextOffset next)
{
    const int w = bitmap.Width(), h = bitmap.Height();
    const std::vector<uint8_t*> rows = RowPointers(bitmap);
    for (int y = h - 1 - a; y >= 0; --y) {
        const uint8_t* from = rows[size_t(y)];
        int d = 0;
        for (int x = 0; x < w; ++x) {
            std::memcpy(rows[size_t(y + d)] + 3 * x, from + 3 * x, 3);
            d = next(x, d);
        }
    }
}

// The ripple's band: at most half the height, never negative.
int RippleAmplitude(const Bitmap& bitmap, int amount)
{
    return std::max(0, std::min(bitmap.Height() / 2, amount));
}

} // namespace

void FishEye(const Bitmap& source, Bitmap& target, float k)
{
    Bitmap holder;
    const Bitmap* s = &Rgb24View(source, holder);
    Bitmap copy;
    if (s == &target) {
        copy.Assign(target);
        s = &copy;
    }
    PrepareRgb24Target(*s, target);
    const int w = s->Width(), h = s->Height();
    if (w == 0 || h == 0)
        return;
    const float xmid = float(w) / 2.0f, ymid = float(h) / 2.0f;
    const float rmax = float(w) * k;
    std::vector<const uint8_t*> rows = RowPointers(*s);
    // The fast sampler reads four bytes a pixel: the row that ends the block is read from a copy with room after it.
    auto last = std::max_element(rows.begin(), rows.end());
    std::vector<uint8_t> lastRow(PixelBytes(*s) + 4);
    std::memcpy(lastRow.data(), *last, PixelBytes(*s));
    *last = lastRow.data();
    std::vector<float> fx(static_cast<size_t>(w)), fy(static_cast<size_t>(w));
    const SampleRowFunction sampleRow = ChooseSampleRow();
    for (int ty = 0; ty < h; ++ty) {
        LensRow(float(ty) - ymid, w, xmid, ymid, rmax, fx.data(), fy.data());
        sampleRow(rows.data(), w, h, fx.data(), fy.data(), target.ScanLine(ty));
    }
}

namespace {

// Mosaic from the Rgb24 rows of `from` into those of `to`: the same bitmap,
// or another of its size. Blocks of 1 x 1 and less copy the pixels.
void MosaicRows(const Bitmap& from, Bitmap& to, int size)
{
    size = std::max(size, 1);
    const int w = from.Width(), h = from.Height();
    // The copies of a block's first row are the bulk of the result. Into a
    // result of its own that row is made aside and copied like the others, so
    // every row of the result is written once, past the cache where it is large.
    ResultRows out(from, to, RowWork::Light);
    std::vector<uint8_t> aside(&from == &to ? 0 : PixelBytes(from));
    for (int top = 0; top < h; top += size) {
        const uint8_t* source = from.ScanLine(top);
        uint8_t* first = aside.empty() ? to.ScanLine(top) : aside.data();
        for (int left = 0; left < w; left += size) {
            uint8_t pixel[3];
            std::memcpy(pixel, source + 3 * left, 3);
            for (int x = left; x < std::min(w, left + size); ++x)
                std::memcpy(first + 3 * x, pixel, 3);
        }
        for (int y = aside.empty() ? top + 1 : top; y < std::min(h, top + size); ++y)
            out.Copy(first, to.ScanLine(y), PixelBytes(from));
    }
}

} // namespace

void Mosaic(Bitmap& bitmap, int size)
{
    ToRgb24(bitmap);
    if (size > 1)
        MosaicRows(bitmap, bitmap, size);
}

void Mosaic(const Bitmap& source, Bitmap& target, int size)
{
    if (&source == &target)
        return Mosaic(target, size);
    Bitmap holder;
    const Bitmap& s = Rgb24SourceAndTarget(source, holder, target);
    MosaicRows(s, target, size);
}

void TriangleBlur(Bitmap& bitmap, int amount)
{
    ToRgb24(bitmap);
    int a = amount < 5 ? 5 : amount;
    a = 2 * (a / 2) + 1;
    const int h = a / 2;
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        int t = y % (a - 1);
        if (t > h)
            t = 2 * h - t;
        if (t == 0)
            t = a;
        const int s = std::abs(h - y % a) + h;
        uint8_t hold[3] = {row[0], row[1], row[2]};
        for (int x = 0; x < bitmap.Width(); ++x) {
            uint8_t* p = row + 3 * x;
            if (x % t == 0 || x % s == 1)
                std::memcpy(hold, p, 3);
            std::memcpy(p, hold, 3);
        }
    }
}

void RippleTooth(Bitmap& bitmap, int amount)
{
    ToRgb24(bitmap);
    const int a = RippleAmplitude(bitmap, amount);
    if (a == 0)
        return;
    RippleRows(bitmap, a, [a](int, int d) { return d + 1 > a ? 0 : d + 1; });
}

void RippleTriangle(Bitmap& bitmap, int amount)
{
    ToRgb24(bitmap);
    // A one-row picture would need an offset of -1: it stays as it is.
    const int a = RippleAmplitude(bitmap, amount);
    if (a == 0)
        return;
    RippleRows(bitmap, a, [a](int x, int) {
        const int phase = (x + 1) % (2 * a);
        return phase > a ? 2 * a - phase : phase;
    });
}

void RippleRandom(Bitmap& bitmap, int amount, RandomSeeding seeding)
{
    ToRgb24(bitmap);
    const int a = RippleAmplitude(bitmap, amount);
    if (a == 0)
        return;
    if (seeding == RandomSeeding::FromClock)
        Randomize();
    RippleRows(bitmap, a, [a](int, int) { return Random(a); });
}

} // namespace pelmora
