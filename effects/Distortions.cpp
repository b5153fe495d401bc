#include "Distortions.h"

#include "PixelConventions.h"
#include "Random.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

// Where the lens samples for target pixel (tx, ty): (fx, fy) in single precision.
void LensPosition(int tx, int ty, float xmid, float ymid, float rmax, float& fx, float& fy)
{
    const float dx = float(tx) - xmid;
    const float dy = float(ty) - ymid;
    const float r = std::sqrt(dx * dx + dy * dy);
    fx = xmid, fy = ymid;
    if (r == 0)
        return;
    const float gap = 1.0f - r / rmax;
    // Exactly on the rim the formula divides by zero: such a pixel takes
    // the centre's colour, as at r = 0.
    if (gap == 0)
        return;
    const float q = (1.0f / gap - 1.0f) * (rmax / 2.0f);
    const float x = dx * q / r + xmid;
    const float y = dy * q / r + ymid;
    // A strength that is not a finite number gives nothing to sample.
    if (!(std::abs(x) < 1e15f) || !(std::abs(y) < 1e15f))
        return;
    fx = x, fy = y;
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
    const std::vector<const uint8_t*> rows = RowPointers(*s);
    for (int ty = 0; ty < h; ++ty) {
        uint8_t* out = target.ScanLine(ty);
        for (int tx = 0; tx < w; ++tx, out += 3) {
            float fx, fy;
            LensPosition(tx, ty, xmid, ymid, rmax, fx, fy);
            int64_t ix = int64_t(fx), iy = int64_t(fy);
            float wx[2], wy[2];
            SampleWeights(fx, ix, wx[0], wx[1]);
            SampleWeights(fy, iy, wy[0], wy[1]);
            ix = WrapIndex(ix, w);
            iy = WrapIndex(iy, h);
            float sum[3] = { 0, 0, 0 };
            for (int i = 0; i < 2; ++i) {
                const int64_t column = SecondSample(ix, i, w);
                for (int j = 0; j < 2; ++j) {
                    const uint8_t* p = rows[size_t(SecondSample(iy, j, h))] + 3 * column;
                    const float weight = wx[i] * wy[j];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += float(p[c]) * weight;
                }
            }
            for (int c = 0; c < 3; ++c)
                out[c] = ClampByte(int(RoundHalfEven(sum[c])));
        }
    }
}

void Mosaic(Bitmap& bitmap, int size)
{
    ToRgb24(bitmap);
    if (size <= 1)
        return;
    const int w = bitmap.Width(), h = bitmap.Height();
    for (int top = 0; top < h; top += size) {
        uint8_t* first = bitmap.ScanLine(top);
        for (int left = 0; left < w; left += size)
            for (int x = left + 1; x < std::min(w, left + size); ++x)
                std::memcpy(first + 3 * x, first + 3 * left, 3);
        for (int y = top + 1; y < std::min(h, top + size); ++y)
            std::memcpy(bitmap.ScanLine(y), first, PixelBytes(bitmap));
    }
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
        uint8_t hold[3] = { row[0], row[1], row[2] };
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
