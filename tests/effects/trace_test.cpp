#include "EffectTesting.h"

#include "effects/NeighbourhoodFilters.h"
#include "formats/PixelRows.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>

namespace pelmora::test {
namespace {

TEST(QuantizedCopy, NearestColourAsASearchOfThePaletteFinds)
{
    const Palette& palette = HalftonePalette();
    ASSERT_EQ(palette.size(), 256u);
    NearestColorMap search(palette);
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) {
        auto b = uint8_t(random()), g = uint8_t(random()), r = uint8_t(random());
        if (i % 3 == 0)
            g = r = b; // greys, where the extra entries compete with the cube
        ASSERT_EQ(NearestHalftoneIndex(b, g, r), search.Find(b, g, r)) << int(b) << " " << int(g) << " " << int(r);
    }
    Bitmap q = QuantizedCopy(Solid(2, 1, { 0, 0, 255 }));
    EXPECT_EQ(q.GetPixelFormat(), PixelFormat::Indexed8);
    EXPECT_EQ(q.PaletteColor(q.ScanLine(0)[1]), (PaletteEntry { 255, 0, 0, 0 }));
}

// Left half one colour, right half another far from it.
Bitmap TwoColours(int w, int h)
{
    Bitmap b = Solid(w, h, { 0, 0, 250 });
    for (int y = 0; y < h; ++y)
        for (int x = w / 2; x < w; ++x)
            SetPixel(b, x, y, { 250, 250, 0 });
    return b;
}

TEST(Trace, OutlinesTheBoundary)
{
    Bitmap one = TwoColours(8, 4), two = TwoColours(8, 4), ten = TwoColours(8, 4);
    Trace(one, 1);
    Trace(two, 2);
    Trace(ten, 10);
    // Forward sweep: the first boundary (3,0)|(4,0) blackens (3,0) and marks the
    // right colour; later left pixels differ from the mark and are blackened too.
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(PixelAt(one, 3, y), Grey(0)) << y;
        EXPECT_EQ(PixelAt(one, 4, y), (Bgr { 250, 250, 0 })) << y;
    }
    // Row 3 is not swept forward. The backward sweep tests (4,3), which has
    // the marked colour, against (3,3): so the neighbour is blackened.
    EXPECT_EQ(PixelAt(one, 3, 3), (Bgr { 0, 0, 250 }));
    EXPECT_EQ(PixelAt(two, 3, 3), Grey(0));
    EXPECT_EQ(PixelAt(two, 4, 3), (Bgr { 250, 250, 0 }));
    EXPECT_FALSE(SamePixels(one, two));
    EXPECT_TRUE(SamePixels(two, ten));
}

TEST(Trace, TooSmallPicturesStayUnchanged)
{
    for (auto [w, h] : { std::pair { 1, 6 }, { 6, 1 }, { 1, 1 } }) {
        Bitmap picture = PatternBitmap(w, h, PixelFormat::Rgb24, 2), b = CopyOf(picture);
        Trace(b, 3);
        EXPECT_TRUE(SamePixels(b, picture)) << w << "x" << h;
    }
    Bitmap narrow = TwoColours(2, 3);
    Trace(narrow, 2);
    EXPECT_EQ(PixelAt(narrow, 0, 0), Grey(0));
}

} // namespace
} // namespace pelmora::test
