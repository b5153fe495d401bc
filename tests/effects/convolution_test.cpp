#include "EffectTesting.h"

#include "effects/NeighbourhoodFilters.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelmora::test {
namespace {

const std::pair<int, int> kSizes[]
    = { { 1, 1 }, { 1, 6 }, { 6, 1 }, { 2, 2 }, { 3, 3 }, { 4, 5 }, { 17, 9 }, { 40, 23 } };

// Sharpen straight from its description, in 64 bits.
Bitmap ReferenceSharpen(const Bitmap& s, double x)
{
    Bitmap d = CopyOf(s);
    const int64_t weight = int64_t(std::nearbyint(x * 65536));
    const int64_t meanWeight = int64_t(std::nearbyint(double(float((x - 1) / 5)) * 65536));
    auto round = [](int64_t p) { return int64_t(std::floor((double(p) + 32767) / 65536)); };
    for (int y = 1; y + 1 < s.Height(); ++y)
        for (int x0 = 1; x0 + 1 < s.Width(); ++x0)
            for (int c = 0; c < 3; ++c) {
                auto at = [&](int dx, int dy) { return int64_t(s.ScanLine(y + dy)[3 * (x0 + dx) + c]); };
                int64_t sum = at(0, -1) + at(-1, 0) + at(0, 0) + at(1, 0) + at(0, 1);
                int64_t v = round(at(0, 0) * weight) - round(sum * meanWeight);
                d.ScanLine(y)[3 * x0 + c] = uint8_t(std::clamp<int64_t>(v, 0, 255));
            }
    return d;
}

TEST(Sharpen, WhiteDotExamples)
{
    struct Case {
        double amount;
        int centre, neighbour;
    } cases[] = { { 2.5, 255, 0 }, { 0.0, 51, 51 }, { 1.0, 255, 0 } };
    for (const Case& c : cases) {
        Bitmap b = Solid(5, 5, Grey(0));
        SetPixel(b, 2, 2, Grey(255));
        Sharpen(b, c.amount);
        EXPECT_EQ(PixelAt(b, 2, 2), Grey(uint8_t(c.centre))) << c.amount;
        EXPECT_EQ(PixelAt(b, 2, 1), Grey(uint8_t(c.neighbour))) << c.amount;
        EXPECT_EQ(PixelAt(b, 3, 2), Grey(uint8_t(c.neighbour))) << c.amount;
        EXPECT_EQ(PixelAt(b, 1, 1), Grey(0)) << c.amount;
    }
}

TEST(Sharpen, MatchesTheFixedPointFormulaAndKeepsTheBorder)
{
    for (auto [w, h] : kSizes)
        for (double amount : { -4.0, -0.4, 0.0, 0.1, 1.0, 2.5, 39.9, 40.0, 300.0, 1e6 }) {
            Bitmap picture = PatternBitmap(w, h, PixelFormat::Rgb24, uint32_t(w * h));
            Bitmap b = CopyOf(picture);
            Sharpen(b, amount);
            ASSERT_TRUE(SamePixels(b, ReferenceSharpen(picture, amount))) << w << "x" << h << " " << amount;
        }
    Bitmap picture = PatternBitmap(30, 20, PixelFormat::Rgb24, 4);
    Bitmap b = CopyOf(picture);
    Sharpen(b, 1.0);
    EXPECT_TRUE(SamePixels(b, picture));
}

TEST(Convolve, BorderedCopyFramesTheEdges)
{
    Bitmap b(3, 2, PixelFormat::Rgb24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            SetPixel(b, x, y, { uint8_t(x), uint8_t(y), 7 });
    auto at = [](const Bitmap& t, int x, int y) { return PixelAt(t, x, y); };
    Bitmap replicated = BorderedCopy(b, EdgeMode::Replicate);
    Bitmap wrapped = BorderedCopy(b, EdgeMode::WrapAround);
    ASSERT_EQ(replicated.Width(), 5);
    ASSERT_EQ(replicated.Height(), 4);
    // Inside: the picture one pixel in. Corners: the nearest corner in both modes.
    for (const Bitmap* t : { &replicated, &wrapped }) {
        EXPECT_EQ(at(*t, 2, 2), (Bgr { 1, 1, 7 }));
        EXPECT_EQ(at(*t, 0, 0), (Bgr { 0, 0, 7 }));
        EXPECT_EQ(at(*t, 4, 0), (Bgr { 2, 0, 7 }));
        EXPECT_EQ(at(*t, 0, 3), (Bgr { 0, 1, 7 }));
        EXPECT_EQ(at(*t, 4, 3), (Bgr { 2, 1, 7 }));
    }
    EXPECT_EQ(at(replicated, 2, 0), (Bgr { 1, 0, 7 }));
    EXPECT_EQ(at(replicated, 0, 1), (Bgr { 0, 0, 7 }));
    EXPECT_EQ(at(replicated, 4, 2), (Bgr { 2, 1, 7 }));
    EXPECT_EQ(at(wrapped, 2, 0), (Bgr { 1, 1, 7 }));
    EXPECT_EQ(at(wrapped, 2, 3), (Bgr { 1, 0, 7 }));
    EXPECT_EQ(at(wrapped, 0, 1), (Bgr { 2, 0, 7 }));
    EXPECT_EQ(at(wrapped, 4, 2), (Bgr { 0, 1, 7 }));
}

// Convolve straight from its description, on the whole bordered copy.
Bitmap ReferenceConvolve(const Bitmap& b, int kernel, int mode)
{
    Bitmap out = CopyOf(b);
    const ConvolveKernel& k = ConvolveKernels[kernel];
    const bool keep = mode == 2;
    Bitmap t = keep ? CopyOf(b) : BorderedCopy(b, EdgeMode(mode));
    const int shift = keep ? 0 : 1;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            if (keep && (x < 1 || y < 1 || x > b.Width() - 2 || y > b.Height() - 2))
                continue;
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int r = 0; r < 3; ++r)
                    for (int q = 0; q < 3; ++q)
                        sum += k.weights[r][q] * t.ScanLine(y + shift + r - 1)[3 * (x + shift + q - 1) + c];
                out.ScanLine(y)[3 * x + c] = uint8_t(std::clamp(sum / k.divisor, 0, 255));
            }
        }
    return out;
}

TEST(Convolve, EveryKernelAndModeMatchesTheBorderedCopy)
{
    for (auto [w, h] : kSizes)
        for (int kernel = 0; kernel < kConvolveKernelCount; ++kernel)
            for (int mode = 0; mode < 3; ++mode) {
                Bitmap picture = PatternBitmap(w, h, PixelFormat::Rgb24, uint32_t(kernel + 10 * mode));
                Bitmap b = CopyOf(picture);
                Convolve(b, kernel, mode);
                ASSERT_TRUE(SamePixels(b, ReferenceConvolve(picture, kernel, mode)))
                    << w << "x" << h << " kernel " << kernel << " mode " << mode;
            }
}

TEST(Convolve, FlatPictures)
{
    for (int kernel = 0; kernel < kConvolveKernelCount; ++kernel)
        for (int mode = 0; mode < 3; ++mode) {
            Bitmap b = Solid(6, 5, Grey(100));
            Convolve(b, kernel, mode);
            const ConvolveKernel& k = ConvolveKernels[kernel];
            int sum = 0;
            for (auto& row : k.weights)
                for (int v : row)
                    sum += v;
            const Bgr inside = Grey(uint8_t(std::clamp(100 * sum / k.divisor, 0, 255)));
            EXPECT_EQ(PixelAt(b, 2, 2), inside) << kernel << " " << mode;
            EXPECT_EQ(PixelAt(b, 0, 0), mode == 2 ? Grey(100) : inside) << kernel << " " << mode;
            if (kernel >= 6) {
                EXPECT_EQ(inside, Grey(100));
            }
        }
}

TEST(Convolve, WrapAroundReadsTheOppositeEdge)
{
    // Top row red, bottom row blue: kernel 8 weighs the row above by 1 of 6.
    Bitmap b = Solid(3, 3, Grey(0));
    for (int x = 0; x < 3; ++x) {
        SetPixel(b, x, 0, { 0, 0, 255 });
        SetPixel(b, x, 2, { 255, 0, 0 });
    }
    Bitmap wrapped = CopyOf(b), replicated = CopyOf(b);
    Convolve(wrapped, 8, 0);
    Convolve(replicated, 8, 1);
    EXPECT_EQ(PixelAt(wrapped, 1, 0), (Bgr { 42, 0, 170 }));
    EXPECT_EQ(PixelAt(replicated, 1, 0), (Bgr { 0, 0, 212 }));
}

TEST(Convolve, KernelThreeTruncatesTowardZero)
{
    // Centre 0 with neighbours summing to 15: -15 div 8 = -1, clamped to 0;
    // centre 1: (16 - 15) div 8 = 0.
    Bitmap b = Solid(3, 3, Grey(0));
    for (auto [x, y] : { std::pair { 0, 0 }, { 1, 0 }, { 2, 0 }, { 0, 1 }, { 2, 1 }, { 0, 2 }, { 1, 2 } })
        SetPixel(b, x, y, Grey(2));
    SetPixel(b, 2, 2, Grey(1));
    Bitmap c = CopyOf(b);
    Convolve(c, 3, 2);
    EXPECT_EQ(PixelAt(c, 1, 1), Grey(0));
    SetPixel(b, 1, 1, Grey(8));
    Convolve(b, 3, 2);
    EXPECT_EQ(PixelAt(b, 1, 1), Grey(14)); // (128 - 15) div 8
}

TEST(Convolve, OutOfRangeArguments)
{
    Bitmap picture = PatternBitmap(5, 5, PixelFormat::Indexed8, 3);
    Bitmap b = CopyOf(picture);
    Convolve(b, 9, 1);
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Indexed8);
    Convolve(b, 4, 3);
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::Rgb24);
    picture.SetPixelFormat(PixelFormat::Rgb24);
    EXPECT_TRUE(SamePixels(b, picture));
}

TEST(Emboss, MeanOfPixelAndComplementBelowRight)
{
    Bitmap b = Solid(7, 4, Grey(128));
    Emboss(b);
    EXPECT_EQ(PixelAt(b, 0, 0), Grey(127));
    EXPECT_EQ(PixelAt(b, 3, 2), Grey(127));
    EXPECT_EQ(PixelAt(b, 4, 0), Grey(128));
    EXPECT_EQ(PixelAt(b, 0, 3), Grey(128));
    Bitmap steps = PatternBitmap(9, 3, PixelFormat::Rgb24, 8);
    Bitmap e = CopyOf(steps);
    Emboss(e);
    EXPECT_EQ(PixelAt(e, 2, 1).g, (PixelAt(steps, 2, 1).g + 255 - PixelAt(steps, 5, 2).g) / 2);
}

// Steps in place with the dropped bits kept give Emboss's bytes, and the bits
// give the picture back exactly; widths around the sixteen-byte steps.
TEST(Emboss, KeptBitsTakeEachStepBackExactly)
{
    struct Case {
        int width, height, steps;
    };
    for (const Case& c : std::initializer_list<Case> {
             {1, 1, 1}, {3, 5, 1}, {4, 2, 1}, {8, 3, 1}, {9, 4, 3}, {11, 3, 1}, {19, 5, 2}, {40, 6, 3}}) {
        const Bitmap original = PatternBitmap(c.width, c.height, PixelFormat::Rgb24, uint32_t(c.width));
        Bitmap expected = CopyOf(original), b = CopyOf(original);
        std::vector<DroppedBits> bits;
        for (int i = 0; i < c.steps; ++i) {
            Emboss(expected);
            bits.push_back(EmbossKeepingBits(b));
        }
        EXPECT_TRUE(SamePixels(b, expected)) << c.width << "x" << c.height;
        for (auto step = bits.rbegin(); step != bits.rend(); ++step)
            EXPECT_TRUE(Unemboss(b, *step));
        EXPECT_TRUE(SamePixels(b, original)) << c.width << "x" << c.height;
    }
    // Bits of a picture of another size change nothing.
    Bitmap small = PatternBitmap(9, 4, PixelFormat::Rgb24), large = PatternBitmap(40, 6, PixelFormat::Rgb24);
    const DroppedBits bits = EmbossKeepingBits(small);
    const Bitmap before = CopyOf(large);
    EXPECT_FALSE(Unemboss(large, bits));
    EXPECT_TRUE(SamePixels(large, before));
}

} // namespace
} // namespace pelmora::test
