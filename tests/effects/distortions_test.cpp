#include "EffectTesting.h"

#include "effects/Distortions.h"
#include "effects/Random.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace pelmora::test {
namespace {

// Every pixel different: blue and green are the column and the row.
Bitmap Coordinates(int w, int h)
{
    Bitmap b(w, h, PixelFormat::Rgb24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(b, x, y, {uint8_t(x), uint8_t(y), 9});
    return b;
}

TEST(FishEye, CentreAndCornerSamples)
{
    Bitmap even = PatternBitmap(10, 8, PixelFormat::Rgb24, 4), target;
    FishEye(even, target, 1.0f);
    EXPECT_EQ(PixelAt(target, 5, 4), PixelAt(even, 5, 4));

    // 100 x 100 at strength 1: the top-left pixel mixes columns and rows 64
    // and 65 with weights 0.355 and 0.645. Only column 64 and row 64 are bright.
    Bitmap lens = Solid(100, 100, {0, 0, 0});
    for (int i = 0; i < 100; ++i) {
        lens.ScanLine(i)[3 * 64] = 100;
        lens.ScanLine(64)[3 * i + 1] = 100;
    }
    FishEye(lens, target, 1.0f);
    EXPECT_EQ(PixelAt(target, 0, 0), (Bgr {36, 36, 0}));

    // On the rim exactly (4 wide, strength 0.5, pixel (0, 2)) the centre is taken.
    Bitmap rim = PatternBitmap(4, 4, PixelFormat::Rgb24, 8);
    FishEye(rim, target, 0.5f);
    EXPECT_EQ(PixelAt(target, 0, 2), PixelAt(rim, 2, 2));

    Bitmap same = CopyOf(lens);
    FishEye(same, same, 1.3f);
    FishEye(lens, target, 1.3f);
    EXPECT_TRUE(SamePixels(same, target));
}

// The lens as first written, one pixel at a time, in single precision: the
// fast version must give the same bytes everywhere.
int64_t ReferenceWrap(int64_t i, int size)
{
    if (i < 0)
        return size - 1 - (-i) % size;
    if (i > size - 1)
        return i % size;
    return i;
}

int64_t ReferenceSecond(int64_t i, int step, int size)
{
    return i + step < size ? i + step : size - i - step;
}

void ReferenceWeights(float f, int64_t i, float& w0, float& w1)
{
    if (f >= 0) {
        w1 = f - float(i);
        w0 = 1.0f - w1;
    } else {
        w0 = float(i) - f;
        w1 = 1.0f - w0;
    }
}

Bitmap ReferenceFishEye(const Bitmap& s, float k)
{
    const int w = s.Width(), h = s.Height();
    Bitmap t(w, h, PixelFormat::Rgb24);
    const float xmid = float(w) / 2.0f, ymid = float(h) / 2.0f, rmax = float(w) * k;
    for (int ty = 0; ty < h; ++ty)
        for (int tx = 0; tx < w; ++tx) {
            const float dx = float(tx) - xmid, dy = float(ty) - ymid;
            const float r = std::sqrt(dx * dx + dy * dy);
            float fx = xmid, fy = ymid;
            const float gap = 1.0f - r / rmax;
            if (r != 0 && gap != 0) {
                const float q = (1.0f / gap - 1.0f) * (rmax / 2.0f);
                const float x = dx * q / r + xmid, y = dy * q / r + ymid;
                if (std::abs(x) < 1e15f && std::abs(y) < 1e15f)
                    fx = x, fy = y;
            }
            int64_t ix = int64_t(fx), iy = int64_t(fy);
            float wx[2], wy[2];
            ReferenceWeights(fx, ix, wx[0], wx[1]);
            ReferenceWeights(fy, iy, wy[0], wy[1]);
            ix = ReferenceWrap(ix, w);
            iy = ReferenceWrap(iy, h);
            float sum[3] = {0, 0, 0};
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j) {
                    const uint8_t* p = s.ScanLine(int(ReferenceSecond(iy, j, h))) + 3 * ReferenceSecond(ix, i, w);
                    const float weight = wx[i] * wy[j];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += float(p[c]) * weight;
                }
            for (int c = 0; c < 3; ++c) {
                const int v = int(std::nearbyint(sum[c]));
                t.ScanLine(ty)[3 * tx + c] = uint8_t(v > 255 ? 255 : v < 0 ? 0 : v);
            }
        }
    return t;
}

TEST(FishEye, MatchesThePixelByPixelLens)
{
    for (auto [w, h] : {std::pair {1, 1}, {2, 3}, {7, 5}, {64, 64}, {101, 67}, {240, 320}})
        for (float k : {0.2f, 0.4f, 0.6f, 1.0f, 1.3f, 2.5f}) {
            const Bitmap picture = PatternBitmap(w, h, PixelFormat::Rgb24, uint32_t(w * h) + 5);
            Bitmap target;
            FishEye(picture, target, k);
            ASSERT_TRUE(SamePixels(target, ReferenceFishEye(picture, k))) << w << "x" << h << " at " << k;
        }
}

TEST(Mosaic, BlocksTakeTheirTopLeftPixel)
{
    Bitmap picture = Coordinates(14, 14), b = CopyOf(picture);
    Mosaic(b, 6);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 14; ++x)
            ASSERT_EQ(PixelAt(b, x, y), PixelAt(picture, x / 6 * 6, y / 6 * 6)) << x << "," << y;
    Bitmap one = CopyOf(picture);
    Mosaic(one, 1);
    EXPECT_TRUE(SamePixels(one, picture));
}

TEST(TriangleBlur, SmallAmountsActAsFive)
{
    Bitmap picture = Coordinates(11, 6), zero = CopyOf(picture), five = CopyOf(picture);
    TriangleBlur(zero, 0);
    TriangleBlur(five, 5);
    EXPECT_TRUE(SamePixels(zero, five));
    // Row 0: run length 5, second hold every 4 from 1; rows 1 and 2 keep every pixel.
    const int row0[] = {0, 1, 1, 1, 1, 5, 5, 5, 5, 9, 10};
    for (int x = 0; x < 11; ++x) {
        EXPECT_EQ(PixelAt(zero, x, 0).b, row0[x]) << x;
        EXPECT_EQ(PixelAt(zero, x, 1), PixelAt(picture, x, 1));
        EXPECT_EQ(PixelAt(zero, x, 2), PixelAt(picture, x, 2));
    }
}

// P(x, r) is the old P(x, r - d(x)) inside the band d(x) .. H - 1 - a + d(x).
void ExpectRipple(const Bitmap& before, const Bitmap& after, int a, const std::function<int(int)>& offset)
{
    for (int x = 0; x < before.Width(); ++x)
        for (int r = 0; r < before.Height(); ++r) {
            const int d = offset(x);
            const bool inBand = r >= d && r <= before.Height() - 1 - a + d;
            ASSERT_EQ(PixelAt(after, x, r), PixelAt(before, x, inBand ? r - d : r)) << x << "," << r;
        }
}

TEST(Ripples, OffsetsFollowTheirWaves)
{
    Bitmap picture = Coordinates(20, 10), tooth = CopyOf(picture);
    RippleTooth(tooth, 7); // a = H div 2 = 5
    ExpectRipple(picture, tooth, 5, [](int x) { return x % 6; });

    Bitmap tall = Coordinates(20, 8), triangle = CopyOf(tall);
    RippleTriangle(triangle, 3);
    const int offsets[] = {0, 1, 2, 3, 2, 1, 0, 1};
    ExpectRipple(tall, triangle, 3, [&](int x) { return x < 8 ? offsets[x] : (x % 6 > 3 ? 6 - x % 6 : x % 6); });
}

TEST(Ripples, SeededRandomRipplesRepeat)
{
    Bitmap picture = PatternBitmap(25, 16, PixelFormat::Rgb24, 5);
    Bitmap first = CopyOf(picture), second = CopyOf(picture), clocked = CopyOf(picture);
    SetRandomSeed(5);
    RippleRandom(first, 6, RandomSeeding::Continue);
    SetRandomSeed(5);
    RippleRandom(second, 6, RandomSeeding::Continue);
    EXPECT_TRUE(SamePixels(first, second));
    EXPECT_FALSE(SamePixels(first, picture));
    RippleRandom(clocked, 6);
    Bitmap again = CopyOf(picture);
    RippleRandom(again, 6);
    EXPECT_FALSE(SamePixels(clocked, again));
}

TEST(Ripples, NothingToMove)
{
    using Ripple = std::function<void(Bitmap&, int)>;
    const Ripple ripples[] = {RippleTooth, RippleTriangle, [](Bitmap& b, int a) { RippleRandom(b, a); }};
    for (const Ripple& ripple : ripples)
        for (auto [w, h, amount] : {std::tuple {9, 1, 5}, {9, 6, 0}, {9, 6, -3}}) {
            Bitmap picture = PatternBitmap(w, h, PixelFormat::Rgb24, 1), b = CopyOf(picture);
            ripple(b, amount);
            EXPECT_TRUE(SamePixels(b, picture)) << w << "x" << h << " " << amount;
        }
}

} // namespace
} // namespace pelmora::test
