#include "EffectTesting.h"

#include "effects/Resample.h"
#include "formats/Exception.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pelmora::test {
namespace {

TEST(ResampleKernels, Values)
{
    struct Case {
        int kernel;
        float x, expected;
    } cases[] = {
        { 0, 0.5f, 1 },
        { 0, -0.5f, 0 },
        { 0, 0.0f, 1 },
        { 1, 0.25f, 0.75f },
        { 1, -1.0f, 0 },
        { 2, 0.5f, 0.5f },
        { 2, 1.0f, 0 },
        { 3, 0.0f, 0.75f },
        { 3, 1.0f, 0.125f },
        { 3, 1.5f, 0 },
        { 4, 0.0f, float(2.0L / 3) },
        { 4, 1.0f, float(1.0L / 6) },
        { 4, 2.0f, 0 },
        { 5, 0.0f, 1 },
        { 5, 3.0f, 0 },
        { 6, 0.0f, float(8.0L / 9) },
        { 6, -1.0f, float(1.0L / 18) },
        { 6, 2.0f, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResampleKernels[size_t(c.kernel)].function(c.x), c.expected)
            << ResampleKernels[size_t(c.kernel)].name << " at " << c.x;
    EXPECT_STREQ(ResampleKernels[kDefaultResampleKernel].name, "Lanczos3");
    EXPECT_FLOAT_EQ(Lanczos3Filter(0.5f), 0.6079271f);
}

// The single sine gives the same single-precision weights as two sines would,
// except at the whole numbers, where both are rounding noise of about 1e-20.
TEST(ResampleKernels, LanczosEqualsTheProductOfTwoSincs)
{
    const long double pi = 3.141592653589793238462643383279502884L;
    auto sinc = [pi](long double u) { return u == 0 ? 1.0L : std::sin(pi * u) / (pi * u); };
    for (int i = 1; i < 3000; ++i) {
        const float x = float(i) / 1000.0f + 0.0001234f * float(i % 7);
        if (x == std::floor(x))
            continue;
        const long double t = x;
        const float expected = t < 3 ? float(sinc(t) * sinc(t / 3)) : 0.0f;
        const float actual = Lanczos3Filter(-x);
        ASSERT_EQ(actual, expected) << x;
    }
}

TEST(Contributors, ReflectAndThenClampAtTheEdges)
{
    // Two pixels to one: the list sits over the centre, spread over the whole width.
    auto lists = BuildContributors(2, 1, SplineFilter, 2.0f);
    ASSERT_EQ(lists.size(), 1u);
    std::vector<int> indices;
    for (const Contributor& c : lists[0])
        indices.push_back(c.index);
    EXPECT_EQ(indices, (std::vector<int> { 0, 0, 1, 0, 1, 1, 0, 1 }));
    // Enlarging: corner pixels map onto corner pixels.
    auto grow = BuildContributors(4, 7, TriangleFilter, 1.0f);
    ASSERT_EQ(grow[6].size(), 1u);
    EXPECT_EQ(grow[6][0].index, 3);
    EXPECT_EQ(grow[6][0].weight, 1.0f);
}

// Both passes pixel by pixel from the lists, sums in list order.
Bitmap ReferenceResample(const Bitmap& s, int dw, int dh, const ResampleKernel& k)
{
    auto toByte = [](float sum) { return uint8_t(sum > 255 ? 255 : sum < 0 ? 0 : int(std::nearbyint(sum))); };
    Bitmap work(dw, s.Height(), PixelFormat::Rgb24), d(dw, dh, PixelFormat::Rgb24);
    auto columns = BuildContributors(s.Width(), dw, k.function, k.support);
    for (int y = 0; y < s.Height(); ++y)
        for (int i = 0; i < dw; ++i)
            for (int c = 0; c < 3; ++c) {
                float sum = 0;
                for (const Contributor& e : columns[size_t(i)])
                    sum += e.weight * float(s.ScanLine(y)[3 * e.index + c]);
                work.ScanLine(y)[3 * i + c] = toByte(sum);
            }
    auto rows = BuildContributors(s.Height(), dh, k.function, k.support);
    for (int x = 0; x < dw; ++x)
        for (int i = 0; i < dh; ++i)
            for (int c = 0; c < 3; ++c) {
                float sum = 0;
                for (const Contributor& e : rows[size_t(i)])
                    sum += e.weight * float(work.ScanLine(e.index)[3 * x + c]);
                d.ScanLine(i)[3 * x + c] = toByte(sum);
            }
    return d;
}

TEST(Resample, EveryKernelMatchesThePixelByPixelSums)
{
    struct Size {
        int sw, sh, dw, dh;
    } sizes[]
        = { { 1, 1, 3, 2 }, { 5, 1, 2, 9 }, { 1, 17, 4, 1 }, { 33, 19, 13, 40 }, { 40, 35, 77, 16 }, { 9, 50, 9, 50 } };
    for (const ResampleKernel& k : ResampleKernels)
        for (const Size& z : sizes) {
            Bitmap source = PatternBitmap(z.sw, z.sh, PixelFormat::Rgb24, uint32_t(z.sw * 31 + z.dh));
            Bitmap target(z.dw, z.dh, PixelFormat::Rgb24);
            Resample(source, target, k);
            ASSERT_TRUE(SamePixels(target, ReferenceResample(source, z.dw, z.dh, k)))
                << k.name << " " << z.sw << "x" << z.sh << " to " << z.dw << "x" << z.dh;
        }
}

TEST(Resample, WorkedExamples)
{
    const Bitmap picture = PatternBitmap(6, 5, PixelFormat::Rgb24, 2);
    for (int kernel : { 0, 1 }) {
        Bitmap source = CopyOf(picture), same(6, 5, PixelFormat::Rgb24);
        Resample(source, same, ResampleKernels[size_t(kernel)]);
        EXPECT_TRUE(SamePixels(same, picture)) << kernel;
    }
    Bitmap dot = Solid(1, 1, { 10, 20, 30 }), filled(5, 5, PixelFormat::Rgb24);
    Resample(dot, filled, ResampleKernels[0]);
    EXPECT_TRUE(SamePixels(filled, Solid(5, 5, { 10, 20, 30 })));

    // Left column 0, right 255, three wide: the middle is 127.5, rounded to even.
    Bitmap halves = Solid(2, 2, Grey(0));
    SetPixel(halves, 1, 0, Grey(255));
    SetPixel(halves, 1, 1, Grey(255));
    Bitmap wider(3, 2, PixelFormat::Rgb24);
    Resample(halves, wider, ResampleKernels[1]);
    EXPECT_EQ(PixelAt(wider, 1, 0), Grey(128));
    Resample(halves, wider, ResampleKernels[0]); // half-way takes the left pixel
    EXPECT_EQ(PixelAt(wider, 1, 1), Grey(0));
}

TEST(Resample, OnePixelTargetsAndRows)
{
    // Width 1 from 3: the mean of all three, not a division by zero.
    Bitmap row(3, 1, PixelFormat::Rgb24);
    SetPixel(row, 0, 0, Grey(0));
    SetPixel(row, 1, 0, Grey(90));
    SetPixel(row, 2, 0, Grey(210));
    Bitmap one(1, 1, PixelFormat::Rgb24);
    Resample(row, one, ResampleKernels[0]);
    EXPECT_EQ(PixelAt(one, 0, 0), Grey(100));
    Bitmap tall(3, 10, PixelFormat::Rgb24);
    Resample(row, tall, ResampleKernels[1]);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(PixelAt(tall, 2, y), Grey(210)) << y;

    Bitmap empty, target(4, 4, PixelFormat::Rgb24);
    try {
        Resample(empty, target, ResampleKernels[5]);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Source bitmap too small");
    }
}

TEST(Resample, LanczosOvershootIsClamped)
{
    Bitmap edge = Solid(8, 2, Grey(0));
    for (int x = 4; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            SetPixel(edge, x, y, Grey(255));
    auto lists = BuildContributors(8, 29, Lanczos3Filter, 3.0f);
    float highest = 0;
    for (const ContributorList& list : lists) {
        float sum = 0;
        for (const Contributor& c : list)
            sum += c.weight * (c.index >= 4 ? 255.0f : 0.0f);
        highest = std::max(highest, sum);
    }
    ASSERT_GT(highest, 255.5f);
    Bitmap wide(29, 2, PixelFormat::Rgb24);
    Resample(edge, wide, ResampleKernels[5]);
    EXPECT_TRUE(SamePixels(wide, ReferenceResample(edge, 29, 2, ResampleKernels[5])));
}

} // namespace
} // namespace pelmora::test
