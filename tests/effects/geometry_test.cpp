#include "EffectTesting.h"

#include "effects/Geometry.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

TEST(Geometry, MirrorsAndRotationsComeBack)
{
    for (auto [w, h] : {std::pair {1, 1}, {1, 5}, {5, 1}, {7, 4}, {30, 17}}) {
        const Bitmap picture = PatternBitmap(w, h, PixelFormat::Rgb24, uint32_t(w * h));
        Bitmap v = CopyOf(picture), m = CopyOf(picture), r = CopyOf(picture);
        MirrorVertical(v);
        EXPECT_EQ(PixelAt(v, 0, 0), PixelAt(picture, 0, h - 1));
        MirrorVertical(v);
        MirrorHorizontal(m);
        EXPECT_EQ(PixelAt(m, 0, 0), PixelAt(picture, w - 1, 0));
        MirrorHorizontal(m);
        for (int i = 0; i < 4; ++i)
            Rotate90(r);
        EXPECT_TRUE(SamePixels(v, picture)) << w << "x" << h;
        EXPECT_TRUE(SamePixels(m, picture)) << w << "x" << h;
        EXPECT_TRUE(SamePixels(r, picture)) << w << "x" << h;
    }
}

TEST(Geometry, Rotate90TurnsClockwise)
{
    Bitmap picture(3, 2, PixelFormat::Rgb24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            SetPixel(picture, x, y, {uint8_t(x), uint8_t(y), 0});
    Bitmap r = CopyOf(picture);
    Rotate90(r);
    ASSERT_EQ(r.Width(), 2);
    ASSERT_EQ(r.Height(), 3);
    EXPECT_EQ(PixelAt(r, 0, 0), (Bgr {0, 1, 0}));
    EXPECT_EQ(PixelAt(r, 1, 0), (Bgr {0, 0, 0}));
    EXPECT_EQ(PixelAt(r, 1, 2), (Bgr {2, 0, 0}));
}

// The tiled turn against the definition, pixel by pixel: new (j, i) is old (i, H - 1 - j),
// on sizes around the tile's edge and with rows that have no padding.
TEST(Geometry, Rotate90MatchesItsDefinitionOnEverySize)
{
    for (auto [w, h] :
        {std::pair {1, 1}, {1, 7}, {9, 1}, {2, 2}, {4, 3}, {8, 1}, {17, 9}, {129, 130}, {256, 257}, {300, 4}}) {
        const Bitmap picture = PatternBitmap(w, h, PixelFormat::Rgb24, uint32_t(w + 7 * h));
        Bitmap turned;
        Rotate90(picture, turned);
        ASSERT_EQ(turned.Width(), h);
        ASSERT_EQ(turned.Height(), w);
        for (int i = 0; i < w; ++i)
            for (int j = 0; j < h; ++j)
                ASSERT_EQ(PixelAt(turned, j, i), PixelAt(picture, i, h - 1 - j))
                    << w << "x" << h << " at " << j << "," << i;
        Bitmap inPlace = CopyOf(picture);
        Rotate90(inPlace);
        EXPECT_TRUE(SamePixels(inPlace, turned));
    }
}

TEST(Geometry, MirrorsIntoATargetLeaveTheSource)
{
    const Bitmap picture = PatternBitmap(9, 5, PixelFormat::Indexed8, 3);
    for (bool vertical : {true, false}) {
        Bitmap target, expected = CopyOf(picture);
        if (vertical) {
            MirrorVertical(picture, target);
            MirrorVertical(expected);
        } else {
            MirrorHorizontal(picture, target);
            MirrorHorizontal(expected);
        }
        EXPECT_EQ(picture.GetPixelFormat(), PixelFormat::Indexed8);
        EXPECT_TRUE(SamePixels(target, expected)) << vertical;
    }
}

TEST(StretchCopy, BlocksReductionsAndClipping)
{
    const Bitmap source = PatternBitmap(4, 3, PixelFormat::Rgb24, 3);
    // Three times larger: every source pixel a 3 x 3 block.
    Bitmap big = StretchedCopy(source, 12, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(PixelAt(big, x, y), PixelAt(source, x / 3, y / 3));
    // Back down: each target pixel takes the source pixel under its centre.
    Bitmap small = StretchedCopy(big, 4, 3);
    EXPECT_TRUE(SamePixels(small, source));

    // A lens square reaching past the top-left corner: the parts outside stay.
    Bitmap lens = Solid(6, 6, Grey(1));
    StretchCopy(source, {-1, -1, 1, 1}, lens, {-2, -2, 2, 2});
    EXPECT_EQ(PixelAt(lens, 0, 0), PixelAt(source, 0, 0));
    EXPECT_EQ(PixelAt(lens, 1, 1), PixelAt(source, 0, 0));
    EXPECT_EQ(PixelAt(lens, 2, 0), Grey(1));

    // The preview draws a picture reduced into its own top-left corner.
    Bitmap preview = CopyOf(big);
    StretchCopy(preview, {0, 0, 12, 9}, preview, {0, 0, 4, 3});
    EXPECT_EQ(PixelAt(preview, 3, 2), PixelAt(source, 3, 2));
    EXPECT_EQ(PixelAt(preview, 11, 8), PixelAt(big, 11, 8));
}

TEST(StretchCopy, KeepsTheTargetsFormat)
{
    for (PixelFormat f :
        {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8, PixelFormat::Rgb15, PixelFormat::Rgb32}) {
        const Bitmap source = PatternBitmap(5, 3, f, 2);
        Bitmap doubled = StretchedCopy(source, 10, 6);
        ASSERT_EQ(doubled.GetPixelFormat(), f);
        Bitmap back = StretchedCopy(doubled, 5, 3);
        EXPECT_TRUE(SamePixels(back, source)) << PixelFormatName(f);
    }
    Bitmap target = Solid(4, 4, Grey(0));
    StretchCopy(PatternBitmap(2, 2, PixelFormat::Indexed8, 1), {0, 0, 2, 2}, target, {0, 0, 4, 4});
    EXPECT_EQ(target.GetPixelFormat(), PixelFormat::Rgb24);
}

} // namespace
} // namespace pelmora::test
