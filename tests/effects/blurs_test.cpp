#include "EffectTesting.h"

#include "effects/NeighbourhoodFilters.h"
#include "effects/Random.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

// SplitBlur pixel by pixel in place, straight from its description; a partner
// past the far end reads the last column or row.
void ReferenceSplitBlur(Bitmap& p, int a)
{
    const int w = p.Width(), h = p.Height();
    auto nearer = [a](int i) { return i - a >= 0 ? i - a : i; };
    auto farther = [a](int i, int size) { return std::min(i + a < size ? i + a : size - i, size - 1); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int up = nearer(y), down = farther(y, h), left = nearer(x), right = farther(x, w);
            Bgr q[4] = { PixelAt(p, left, up), PixelAt(p, left, down), PixelAt(p, right, up), PixelAt(p, right, down) };
            SetPixel(p, x, y,
                { uint8_t((q[0].b + q[1].b + q[2].b + q[3].b) / 4), uint8_t((q[0].g + q[1].g + q[2].g + q[3].g) / 4),
                    uint8_t((q[0].r + q[1].r + q[2].r + q[3].r) / 4) });
        }
}

TEST(SplitBlur, MatchesThePixelByPixelMean)
{
    const std::pair<int, int> sizes[] = { { 1, 1 }, { 1, 9 }, { 9, 1 }, { 2, 3 }, { 7, 7 }, { 13, 40 }, { 50, 11 } };
    for (auto [w, h] : sizes)
        for (int distance : { 1, 2, 3, 5, 6, 7, 40, 100 }) {
            Bitmap picture = PatternBitmap(w, h, PixelFormat::Rgb24, uint32_t(w + distance));
            Bitmap b = CopyOf(picture), expected = CopyOf(picture);
            SplitBlur(b, distance);
            ReferenceSplitBlur(expected, distance);
            ASSERT_TRUE(SamePixels(b, expected)) << w << "x" << h << " distance " << distance;
        }
}

TEST(SplitBlur, PartnersNearTheEdges)
{
    // 100 rows, distance 3: row 98 takes its lower partners from row 2, row 1
    // its upper partners from row 1 itself (already blurred left of it).
    Bitmap b = Solid(1, 100, Grey(0));
    SetPixel(b, 0, 2, Grey(200));
    SplitBlur(b, 3);
    // Row 2 is (200 + 0) twice over 4 = 100 by then; row 98 is (row 95 + row 2) twice over 4.
    EXPECT_EQ(PixelAt(b, 0, 2), Grey(100));
    EXPECT_EQ(PixelAt(b, 0, 98), Grey(50));
    Bitmap zero = PatternBitmap(5, 5, PixelFormat::Rgb24, 1), untouched = CopyOf(zero);
    SplitBlur(zero, 0);
    EXPECT_TRUE(SamePixels(zero, untouched));
}

TEST(GaussianBlur, IsRepeatedSplitBlurAtThree)
{
    Bitmap picture = PatternBitmap(20, 15, PixelFormat::Rgb24, 6);
    for (int count : { 0, 2 }) {
        Bitmap b = CopyOf(picture), expected = CopyOf(picture);
        GaussianBlur(b, count);
        for (int i = 0; i <= count; ++i)
            SplitBlur(expected, 3);
        EXPECT_TRUE(SamePixels(b, expected)) << count;
    }
}

TEST(Spray, SeededRunsRepeatAndStayClose)
{
    Bitmap picture = PatternBitmap(30, 20, PixelFormat::Rgb24, 3);
    Bitmap first = CopyOf(picture), second = CopyOf(picture), other = CopyOf(picture);
    SetRandomSeed(42);
    Spray(first, 8);
    SetRandomSeed(42);
    Spray(second, 8);
    SetRandomSeed(43);
    Spray(other, 8);
    EXPECT_TRUE(SamePixels(first, second));
    EXPECT_FALSE(SamePixels(first, other));

    // Amount 2: each pixel from itself or its right, lower or lower-right neighbour.
    Bitmap unique(12, 10, PixelFormat::Rgb24);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            SetPixel(unique, x, y, { uint8_t(x), uint8_t(y), 0 });
    Bitmap sprayed = CopyOf(unique);
    SetRandomSeed(7);
    Spray(sprayed, 2);
    bool moved = false;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            Bgr c = PixelAt(sprayed, x, y);
            // Pixels to the right and below are still unsprayed, or sprayed from farther still.
            EXPECT_GE(c.b, x);
            EXPECT_GE(c.g, y);
            moved |= c != PixelAt(unique, x, y);
        }
    EXPECT_TRUE(moved);
}

} // namespace
} // namespace pelmora::test
