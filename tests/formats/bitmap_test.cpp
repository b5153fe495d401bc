// Bitmap: pixel formats, conversions both ways, palettes, row access, sizes.
#include "formats/Bitmap.h"
#include "formats/Exception.h"
#include "formats/PixelRows.h"
#include "tests/support/TestFiles.h"

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

using namespace pelmora;
using pelmora::test::PatternBitmap;
using pelmora::test::ToRgba;

namespace {

PixelFormat kAddressable[] = {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8, PixelFormat::Rgb15,
    PixelFormat::Rgb16, PixelFormat::Rgb24, PixelFormat::Rgb32};

TEST(Bitmap, RowsArePaddedToFourBytesForEveryFormat)
{
    struct Row {
        PixelFormat format;
        int width;
        ptrdiff_t bytes;
    } rows[] = {{PixelFormat::Indexed1, 33, 8}, {PixelFormat::Indexed4, 9, 8}, {PixelFormat::Indexed8, 5, 8},
        {PixelFormat::Rgb15, 3, 8}, {PixelFormat::Rgb16, 2, 4}, {PixelFormat::Rgb24, 5, 16},
        {PixelFormat::Rgb32, 3, 12}, {PixelFormat::Indexed1, 32, 4}, {PixelFormat::Rgb24, 4, 12}};
    for (const Row& r : rows) {
        Bitmap b(r.width, 2, r.format);
        EXPECT_EQ(b.BytesPerLine(), r.bytes) << PixelFormatName(r.format) << " width " << r.width;
        EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), r.bytes);
    }
}

TEST(Bitmap, ScanLineOutsideThePictureIsRefused)
{
    Bitmap b(4, 3, PixelFormat::Rgb24);
    for (int row : {-1, 3, 100}) {
        try {
            b.ScanLine(row);
            FAIL() << "row " << row;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Scan line index out of range");
        }
    }
    Bitmap empty;
    EXPECT_THROW(empty.ScanLine(0), Exception);
}

TEST(Bitmap, ReleaseEmptiesAndReportsDevice)
{
    Bitmap b(4, 3, PixelFormat::Indexed8);
    b.Release();
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Device);
    EXPECT_EQ(b.Width(), 0);
}

TEST(Bitmap, GrowingKeepsPixelsAndZeroesNewRowsAndColumns)
{
    for (PixelFormat f : kAddressable) {
        Bitmap b = PatternBitmap(5, 3, f);
        auto before = ToRgba(b);
        b.SetWidth(9);
        b.SetHeight(6);
        auto after = ToRgba(b);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 9; ++x)
                for (int c = 0; c < 3; ++c) {
                    uint8_t got = after.pixels[(size_t(y) * 9 + size_t(x)) * 4 + size_t(c)];
                    if (x < 5 && y < 3) {
                        ASSERT_EQ(got, before.pixels[(size_t(y) * 5 + size_t(x)) * 4 + size_t(c)])
                            << PixelFormatName(f);
                    } else if (!IsIndexed(f)) {
                        ASSERT_EQ(got, 0) << PixelFormatName(f) << " at " << x << "," << y;
                    }
                }
        if (IsIndexed(f)) {
            EXPECT_EQ(IndexAt(b.ScanLine(5), f, 8), 0);
        }
    }
}

TEST(Bitmap, ShrinkingAOneBitRowClearsTheBitsThatLeftThePicture)
{
    Bitmap b(8, 1, PixelFormat::Indexed1);
    b.ScanLine(0)[0] = 0xFF;
    b.SetWidth(3);
    EXPECT_EQ(b.ScanLine(0)[0], 0xE0);
    b.SetWidth(8);
    EXPECT_EQ(b.ScanLine(0)[0], 0xE0);
}

TEST(Bitmap, SizesAboveTheLimitAreRefusedBeforeAllocating)
{
    Bitmap b;
    for (auto [w, h] : {std::pair {65536, 1}, {1, 65536}, {20000, 20000}}) {
        try {
            b.Allocate(PixelFormat::Rgb24, w, h);
            FAIL() << w << "x" << h;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Image dimensions too large.");
        }
    }
    EXPECT_NO_THROW(b.Allocate(PixelFormat::Indexed1, 65535, 1));
}

// Every format to every other keeps colours where the target can hold them.
TEST(Bitmap, ConversionToTrueColourKeepsEveryColour)
{
    for (PixelFormat from : kAddressable) {
        Bitmap source = PatternBitmap(13, 4, from);
        auto expected = ToRgba(source);
        for (PixelFormat to : {PixelFormat::Rgb24, PixelFormat::Rgb32}) {
            Bitmap b;
            b.Assign(source);
            b.SetPixelFormat(to);
            EXPECT_EQ(b.GetPixelFormat(), to);
            EXPECT_EQ(test::CompareImages(expected, ToRgba(b)), "")
                << PixelFormatName(from) << " to " << PixelFormatName(to);
        }
    }
}

TEST(Bitmap, SixteenBitWordsExpandToFullRange)
{
    Bitmap b(2, 1, PixelFormat::Rgb15);
    b.ScanLine(0)[0] = 0xFF, b.ScanLine(0)[1] = 0x7F; // white
    b.ScanLine(0)[2] = 0x1F, b.ScanLine(0)[3] = 0x00; // blue 31
    b.SetPixelFormat(PixelFormat::Rgb24);
    const uint8_t* p = b.ScanLine(0);
    EXPECT_EQ((std::vector<int> {p[0], p[1], p[2], p[3], p[4], p[5]}), (std::vector<int> {255, 255, 255, 255, 0, 0}));

    Bitmap c(1, 1, PixelFormat::Rgb16);
    c.ScanLine(0)[0] = 0xE0, c.ScanLine(0)[1] = 0x07; // green 63
    c.SetPixelFormat(PixelFormat::Rgb24);
    EXPECT_EQ(c.ScanLine(0)[1], 255);
    EXPECT_EQ(c.ScanLine(0)[0], 0);
}

TEST(Bitmap, Rgb32DropsItsFourthByteAndTrueColourToIndexedFindsThePaletteColour)
{
    Bitmap b(3, 1, PixelFormat::Rgb32);
    uint8_t* p = b.ScanLine(0);
    const uint8_t pixels[] = {0, 0, 255, 7, 255, 255, 255, 9, 0, 0, 0, 200};
    std::copy(std::begin(pixels), std::end(pixels), p);
    b.SetPixelFormat(PixelFormat::Rgb24);
    EXPECT_EQ(b.ScanLine(0)[2], 255);
    EXPECT_EQ(b.ScanLine(0)[3], 255);
    b.SetPixelFormat(PixelFormat::Indexed1);
    EXPECT_EQ(b.GetPalette().size(), 2u);
    EXPECT_EQ(IndexAt(b.ScanLine(0), PixelFormat::Indexed1, 0), 0); // pure red is nearer black
    EXPECT_EQ(IndexAt(b.ScanLine(0), PixelFormat::Indexed1, 1), 1);
    EXPECT_EQ(IndexAt(b.ScanLine(0), PixelFormat::Indexed1, 2), 0);
}

TEST(Bitmap, IndexedToWiderIndexedKeepsIndicesAndPalette)
{
    for (PixelFormat from : {PixelFormat::Indexed1, PixelFormat::Indexed4}) {
        Bitmap b = PatternBitmap(11, 3, from);
        Palette palette = b.GetPalette();
        auto colours = ToRgba(b);
        b.SetPixelFormat(PixelFormat::Indexed8);
        EXPECT_EQ(b.GetPalette(), palette);
        EXPECT_EQ(test::CompareImages(colours, ToRgba(b)), "");
    }
}

TEST(Bitmap, IndexPastThePaletteShowsTheLastEntry)
{
    Bitmap b(2, 1, PixelFormat::Indexed8);
    b.SetPalette({{10, 20, 30, 0}, {40, 50, 60, 0}});
    b.ScanLine(0)[0] = 1;
    b.ScanLine(0)[1] = 200;
    EXPECT_EQ(b.PaletteColor(200), (PaletteEntry {40, 50, 60, 0}));
    b.SetPixelFormat(PixelFormat::Rgb24);
    EXPECT_EQ(b.ScanLine(0)[3], 60);
    EXPECT_EQ(b.ScanLine(0)[5], 40);
}

TEST(Bitmap, FreshIndexedBitmapsHaveTheDefaultPalettes)
{
    EXPECT_EQ(Bitmap(1, 1, PixelFormat::Indexed1).GetPalette().size(), 2u);
    Palette vga = Bitmap(1, 1, PixelFormat::Indexed4).GetPalette();
    ASSERT_EQ(vga.size(), 16u);
    EXPECT_EQ(vga[12], (PaletteEntry {0, 0, 255, 0}));
    Palette grey = Bitmap(1, 1, PixelFormat::Indexed8).GetPalette();
    ASSERT_EQ(grey.size(), 256u);
    EXPECT_EQ(grey[128], (PaletteEntry {128, 128, 128, 0}));
}

TEST(Bitmap, SetPaletteKeepsAtMost256EntriesAndIgnoresNone)
{
    Bitmap b(1, 1, PixelFormat::Indexed8);
    b.SetPalette(Palette(300, {1, 2, 3, 0}));
    EXPECT_EQ(b.GetPalette().size(), 256u);
    b.SetPalette({});
    EXPECT_EQ(b.GetPalette().size(), 256u);
}

TEST(Bitmap, AssignCopiesPixelsFormatAndPalette)
{
    Bitmap source = PatternBitmap(7, 5, PixelFormat::Indexed4);
    Bitmap copy;
    copy.Assign(source);
    EXPECT_EQ(copy.GetPixelFormat(), PixelFormat::Indexed4);
    EXPECT_EQ(copy.GetPalette(), source.GetPalette());
    EXPECT_EQ(test::CompareImages(ToRgba(source), ToRgba(copy)), "");
    source.ScanLine(0)[0] ^= 0xFF;
    EXPECT_NE(copy.ScanLine(0)[0], source.ScanLine(0)[0]);
}

} // namespace

// Large blocks let go are kept for the next picture of about their size; a
// reused block reads as zeros unless the caller writes every pixel, and then
// the padding past each row's last pixel still reads as zeros.
TEST(Bitmap, ReusedPixelBlocksReadAsFreshOnes)
{
    struct Row {
        int width, height;
        PixelFill fill;
    } rows[] = {{1000, 1000, PixelFill::Zeroed}, {998, 1000, PixelFill::Overwritten}, {1001, 998, PixelFill::Zeroed},
        {1000, 1000, PixelFill::Overwritten}};
    for (const Row& r : rows) {
        ReleaseSparePixels();
        {
            Bitmap used(1000, 1000, PixelFormat::Rgb24);
            std::memset(used.Bits(), 0xA5, size_t(used.BytesPerLine()) * 1000);
        }
        EXPECT_EQ(SparePixelBlocks(), 1);
        Bitmap b;
        b.Allocate(PixelFormat::Rgb24, r.width, r.height, r.fill);
        EXPECT_EQ(SparePixelBlocks(), 0) << r.width << "x" << r.height;
        const size_t used = size_t(r.width) * 3;
        for (int y = 0; y < r.height; ++y) {
            const uint8_t* row = b.ScanLine(y);
            const uint8_t* first = r.fill == PixelFill::Zeroed ? row : row + used;
            ASSERT_EQ(std::count(first, row + b.BytesPerLine(), 0), row + b.BytesPerLine() - first)
                << r.width << "x" << r.height << " row " << y;
        }
    }
    // At most two blocks wait, and they can be given back at once.
    for (int i = 0; i < 3; ++i)
        Bitmap(1000 + i * 10, 1000, PixelFormat::Rgb24);
    EXPECT_EQ(SparePixelBlocks(), 2);
    ReleaseSparePixels();
    EXPECT_EQ(SparePixelBlocks(), 0);
}
