// Windows bitmap files: our writer and reader agree on every format, the
// published variants read as they should, ImageMagick's files read pixel for
// pixel, and what is not a bitmap says so.
#include "formats/Bitmap.h"
#include "formats/Exception.h"
#include "formats/PixelRows.h"
#include "formats/Stream.h"
#include "tests/support/ByteWriter.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pelmora;
using namespace pelmora::test;

namespace {

Bitmap ReadBmp(const std::vector<uint8_t>& bytes)
{
    MemoryStream stream {std::span<const uint8_t>(bytes)};
    Bitmap b;
    b.LoadFromStream(stream);
    return b;
}

std::string ErrorOf(const std::vector<uint8_t>& bytes)
{
    try {
        ReadBmp(bytes);
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

// A file and info header for `width` x `height` (negative: top-down).
ByteWriter Header(int width, int height, int bits, uint32_t compression, uint32_t colours, uint32_t extra = 0)
{
    ByteWriter w;
    uint32_t offset = 14 + 40 + colours * 4 + extra;
    w.Text("BM").U32LE(0).U32LE(0).U32LE(offset);
    w.U32LE(40).U32LE(uint32_t(width)).U32LE(uint32_t(height)).U16LE(1).U16LE(unsigned(bits));
    w.U32LE(compression).U32LE(0).U32LE(0).U32LE(0).U32LE(colours).U32LE(0);
    return w;
}

TEST(BitmapFile, EveryFormatSurvivesAWriteAndARead)
{
    for (PixelFormat f : {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8, PixelFormat::Rgb15,
             PixelFormat::Rgb16, PixelFormat::Rgb24, PixelFormat::Rgb32}) {
        for (int width : {1, 3, 17}) {
            Bitmap source = PatternBitmap(width, 5, f, uint32_t(width));
            MemoryStream out;
            source.SaveToStream(out);
            Bitmap back = ReadBmp(out.Bytes());
            EXPECT_EQ(back.GetPixelFormat(), f) << PixelFormatName(f);
            EXPECT_EQ(CompareImages(ToRgba(source, true), ToRgba(back, true), 0, true), "")
                << PixelFormatName(f) << " width " << width;
            for (int y = 0; y < 5; ++y)
                ASSERT_EQ(std::memcmp(source.ScanLine(y), back.ScanLine(y), size_t(source.BytesPerLine())), 0);
        }
    }
}

TEST(BitmapFile, TopDownAndBottomUpRowsLandTheRightWayUp)
{
    for (int height : {2, -2}) {
        ByteWriter w = Header(1, height, 24, 0, 0);
        w.Bytes({1, 2, 3, 0}).Bytes({4, 5, 6, 0}); // first stored row, second stored row
        Bitmap b = ReadBmp(w.data);
        EXPECT_EQ(b.ScanLine(0)[0], height > 0 ? 4 : 1) << "height " << height;
        EXPECT_EQ(b.ScanLine(1)[0], height > 0 ? 1 : 4);
    }
}

TEST(BitmapFile, CoreHeaderWithThreeBytePaletteEntries)
{
    ByteWriter w;
    w.Text("BM").U32LE(0).U32LE(0).U32LE(14 + 12 + 6);
    w.U32LE(12).U16LE(2).U16LE(1).U16LE(1).U16LE(1);
    w.Bytes({0, 0, 255, 255, 0, 0}); // red, blue
    w.Bytes({0x40, 0, 0, 0}); // pixels 0, 1
    Bitmap b = ReadBmp(w.data);
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Indexed1);
    EXPECT_EQ(b.PaletteColor(0), (PaletteEntry {255, 0, 0, 0}));
    EXPECT_EQ(b.PaletteColor(1), (PaletteEntry {0, 0, 255, 0}));
    EXPECT_EQ(IndexAt(b.ScanLine(0), PixelFormat::Indexed1, 1), 1);
}

TEST(BitmapFile, RunLengthEightAndFourBits)
{
    // 4 x 3, bottom-up: a run, a literal, a delta, end of line and end of bitmap.
    ByteWriter w8 = Header(4, 3, 8, 1, 2);
    w8.Bytes({0, 0, 0, 0, 255, 255, 255, 0});
    w8.Bytes({3, 1, 0, 0}); // bottom row: 1 1 1, end of line
    w8.Bytes({0, 3, 1, 0, 1, 0}); // literal 1 0 1 (padded to a word)
    w8.Bytes({0, 0, 0, 2, 3, 0}); // end of line, delta: right 3
    w8.Bytes({1, 1, 0, 1}); // one pixel, end of bitmap
    Bitmap b = ReadBmp(w8.data);
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Indexed8);
    std::vector<int> rows[3];
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            rows[y].push_back(b.ScanLine(y)[x]);
    EXPECT_EQ(rows[2], (std::vector<int> {1, 1, 1, 0}));
    EXPECT_EQ(rows[1], (std::vector<int> {1, 0, 1, 0}));
    EXPECT_EQ(rows[0], (std::vector<int> {0, 0, 0, 1}));

    ByteWriter w4 = Header(5, 1, 4, 2, 16);
    w4.Fill(64, 0);
    w4.Bytes({5, 0x12, 0, 1}); // 1 2 1 2 1
    Bitmap c = ReadBmp(w4.data);
    EXPECT_EQ(c.GetPixelFormat(), PixelFormat::Indexed4);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(IndexAt(c.ScanLine(0), PixelFormat::Indexed4, x), x % 2 ? 2 : 1);
}

TEST(BitmapFile, RunsPastTheRowOrPictureAreCut)
{
    ByteWriter w = Header(2, 1, 8, 1, 0);
    w.Bytes({255, 7, 0, 2, 200, 200, 4, 9}); // run of 255, delta far outside, run
    Bitmap b = ReadBmp(w.data);
    EXPECT_EQ(b.ScanLine(0)[0], 7);
    EXPECT_EQ(b.ScanLine(0)[1], 7);
}

TEST(BitmapFile, BitFieldsOfEveryShape)
{
    struct Case {
        int bits;
        uint32_t r, g, b;
        std::vector<uint8_t> pixel;
        PixelFormat format;
        int red, green, blue;
    } cases[] = {
        {16, 0xF800, 0x07E0, 0x001F, {0x00, 0xF8}, PixelFormat::Rgb16, 255, 0, 0},
        {16, 0x7C00, 0x03E0, 0x001F, {0xE0, 0x03}, PixelFormat::Rgb15, 0, 255, 0},
        {16, 0x0F00, 0x00F0, 0x000F, {0x0F, 0x00}, PixelFormat::Rgb32, 0, 0, 255}, // 4-4-4
        {32, 0x00FF0000, 0x0000FF00, 0x000000FF, {1, 2, 3, 0}, PixelFormat::Rgb32, 3, 2, 1},
        {32, 0x000000FF, 0x0000FF00, 0x00FF0000, {1, 2, 3, 0}, PixelFormat::Rgb32, 1, 2, 3}, // swapped
    };
    for (const Case& c : cases) {
        ByteWriter w = Header(1, 1, c.bits, 3, 0, 12);
        w.U32LE(c.r).U32LE(c.g).U32LE(c.b).Bytes(c.pixel).Fill(4 - c.pixel.size() % 4, 0);
        Bitmap b = ReadBmp(w.data);
        EXPECT_EQ(b.GetPixelFormat(), c.format) << c.bits << " bits " << std::hex << c.r;
        auto rgba = ToRgba(b);
        EXPECT_EQ((std::vector<int> {rgba.pixels[0], rgba.pixels[1], rgba.pixels[2]}),
            (std::vector<int> {c.red, c.green, c.blue}))
            << c.bits << " bits " << std::hex << c.r;
    }
}

TEST(BitmapFile, WhatIsNotABitmapSaysSo)
{
    const std::vector<uint8_t> full = Header(1, 1, 24, 0, 0).Fill(4, 0).data;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!', '!', '!', '!', '!', '!'}},
        {"header cut", std::vector<uint8_t>(full.begin(), full.begin() + 30)},
        {"no pixels", Header(4, 4, 24, 0, 0).data},
        {"zero width", Header(0, 4, 24, 0, 0).Fill(64, 0).data},
        {"bits 7", Header(1, 1, 7, 0, 0).Fill(4, 0).data},
        {"rle8 with 4 bits", Header(1, 1, 4, 1, 0).Fill(4, 0).data},
        {"jpeg inside", Header(1, 1, 24, 4, 0).Fill(4, 0).data},
        {"rle8 claiming far more than its runs set", Header(16000, 16000, 8, 1, 0).Bytes({255, 1, 0, 1}).data},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorOf(c.bytes), "Bitmap image is not valid") << c.what;
    EXPECT_EQ(ErrorOf(Header(70000, 1, 24, 0, 0).Fill(16, 0).data), "Image dimensions too large.");
}

TEST(BitmapFile, ReadingAgainIntoTheSameBitmapReplacesEverything)
{
    Bitmap first = PatternBitmap(4, 4, PixelFormat::Indexed8, 1);
    Bitmap second = PatternBitmap(4, 4, PixelFormat::Rgb32, 2);
    MemoryStream a, b;
    first.SaveToStream(a);
    second.SaveToStream(b);
    Bitmap target = ReadBmp(a.Bytes());
    MemoryStream again {std::span<const uint8_t>(b.Bytes())};
    target.LoadFromStream(again);
    EXPECT_EQ(target.GetPixelFormat(), PixelFormat::Rgb32);
    EXPECT_EQ(CompareImages(ToRgba(second), ToRgba(target)), "");
}

// ImageMagick's bitmaps, read pixel for pixel against its own decode.
TEST(BitmapFileInterop, ImageMagickBitmapsReadPixelForPixel)
{
    TempDir dir;
    std::string source = dir.File("source.ppm");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 61x37 -seed 3 plasma:fractal -depth 8 " + source).status, 0);
    struct Case {
        const char* name;
        const char* arguments;
        PixelFormat format;
    } cases[] = {
        {"rgb24.bmp", "-type TrueColor BMP3:", PixelFormat::Rgb24},
        {"palette8.bmp", "-colors 200 -type Palette BMP3:", PixelFormat::Indexed8},
        {"palette4.bmp", "-colors 16 -type Palette -depth 4 BMP3:", PixelFormat::Indexed4},
        {"mono.bmp", "-monochrome BMP3:", PixelFormat::Indexed1},
        {"rle8.bmp", "-colors 100 -type Palette -compress RLE BMP3:", PixelFormat::Indexed8},
        {"os2.bmp", "-type TrueColor BMP2:", PixelFormat::Rgb24},
        {"alpha32.bmp",
            "-alpha set -channel A -evaluate set 50% +channel -type TrueColorAlpha BMP:", PixelFormat::Rgb32},
        {"v5.bmp", "-type TrueColor BMP:", PixelFormat::Rgb24},
    };
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        ASSERT_EQ(RunCommand(ImageMagick() + " " + source + " " + c.arguments + path).status, 0) << c.name;
        Bitmap ours = LoadBitmap(path);
        EXPECT_EQ(ours.GetPixelFormat(), c.format) << c.name;
        EXPECT_EQ(CompareImages(DecodeWithImageMagick(path), ToRgba(ours)), "") << c.name;
    }
}

// And ours read back by ImageMagick.
TEST(BitmapFileInterop, ImageMagickReadsOurBitmaps)
{
    TempDir dir;
    for (PixelFormat f : {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8, PixelFormat::Rgb15,
             PixelFormat::Rgb16, PixelFormat::Rgb24}) {
        Bitmap source = PatternBitmap(23, 9, f, 5);
        std::string path = dir.File(std::string(PixelFormatName(f)) + ".bmp");
        source.SaveBitmapToFile(path);
        EXPECT_EQ(CompareImages(ToRgba(source), DecodeWithImageMagick(path),
                      f == PixelFormat::Rgb15 || f == PixelFormat::Rgb16 ? 8 : 0),
            "")
            << PixelFormatName(f);
    }
}

} // namespace
