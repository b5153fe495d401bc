#include "formats/readers/PPMGraphic.h"

#include "tests/support/PnmFile.h"
#include "tests/support/ReaderChecks.h"

#include <gtest/gtest.h>

using namespace pelmora;
using namespace pelmora::test;

namespace {

constexpr int kWidth = 10, kHeight = 3;

std::vector<uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::vector<int> Samples(int count, int maxValue, int seed)
{
    std::vector<int> v(static_cast<size_t>(count));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = int((i * 37 + size_t(seed)) % size_t(maxValue + 1));
    return v;
}

PnmFile Picture(int variant, int maxValue = 255)
{
    PnmFile f;
    f.variant = variant;
    f.width = kWidth;
    f.height = kHeight;
    f.maxValue = maxValue;
    bool bilevel = variant == 1 || variant == 4;
    int channels = variant == 3 || variant == 6 ? 3 : 1;
    f.samples = Samples(kWidth * kHeight * channels, bilevel ? 1 : maxValue, variant);
    return f;
}

uint8_t Scaled(int v, int maxValue)
{
    return uint8_t((v * 255 + maxValue / 2) / maxValue);
}

// The bitmap holds the file's samples, scaled to 0..255, in its pixel format.
void ExpectPicture(const Bitmap& b, const PnmFile& f)
{
    ASSERT_EQ(b.Width(), f.width);
    ASSERT_EQ(b.Height(), f.height);
    for (int y = 0; y < f.height; ++y) {
        const uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < f.width; ++x) {
            size_t i = size_t(y) * size_t(f.width) + size_t(x);
            SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
            switch (f.variant) {
            case 1:
            case 4: ASSERT_EQ(row[x / 8] >> (7 - x % 8) & 1, f.samples[i]); break;
            case 2:
            case 5: ASSERT_EQ(row[x], Scaled(f.samples[i], f.maxValue)); break;
            default:
                ASSERT_EQ(row[x * 3], Scaled(f.samples[i * 3 + 2], f.maxValue));
                ASSERT_EQ(row[x * 3 + 1], Scaled(f.samples[i * 3 + 1], f.maxValue));
                ASSERT_EQ(row[x * 3 + 2], Scaled(f.samples[i * 3], f.maxValue));
            }
        }
    }
}

} // namespace

TEST(PPMGraphic, EveryVariantAndMaximumValue)
{
    struct Case {
        int variant, maxValue;
        PixelFormat format;
    };
    const Case cases[] = {
        {1, 1, PixelFormat::Indexed1},
        {4, 1, PixelFormat::Indexed1},
        {2, 255, PixelFormat::Indexed8},
        {5, 255, PixelFormat::Indexed8},
        {3, 255, PixelFormat::Rgb24},
        {6, 255, PixelFormat::Rgb24},
        {2, 1, PixelFormat::Indexed8},
        {5, 1, PixelFormat::Indexed8},
        {5, 15, PixelFormat::Indexed8},
        {6, 15, PixelFormat::Rgb24},
        {3, 1000, PixelFormat::Rgb24},
        {2, 65535, PixelFormat::Indexed8},
        {5, 65535, PixelFormat::Indexed8},
        {6, 65535, PixelFormat::Rgb24},
        {5, 300, PixelFormat::Indexed8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "P" << c.variant << " maximum " << c.maxValue);
        PnmFile f = Picture(c.variant, c.maxValue);
        auto ppm = LoadFromBytes<TPPMGraphic>(f.Bytes());
        EXPECT_EQ(ppm.GetPixelFormat(), c.format);
        ExpectPicture(ppm, f);
        if (c.format == PixelFormat::Indexed1) {
            EXPECT_EQ(ppm.GetPalette(), (Palette {{255, 255, 255, 0}, {0, 0, 0, 0}}));
            // Width 10: the second byte holds two pixels at its top, the rest clear.
            for (int y = 0; y < kHeight; ++y) {
                EXPECT_EQ(ppm.ScanLine(y)[1] & 0x3F, 0);
            }
        }
        if (c.format == PixelFormat::Indexed8) {
            EXPECT_EQ(ppm.GetPalette(), GreyRamp());
        }
    }
}

// Past the reader's own buffer, a pixmap in memory goes from the stream's
// bytes straight into the rows; each band of rows must come out the same.
TEST(PPMGraphic, LargePixmapsFromMemoryAndWithPaddedRows)
{
    for (int width : {400, 401}) {
        SCOPED_TRACE(width);
        PnmFile f;
        f.variant = 6;
        f.width = width;
        f.height = 300;
        f.maxValue = 255;
        f.samples = Samples(width * 300 * 3, 255, 6);
        auto ppm = LoadFromBytes<TPPMGraphic>(f.Bytes());
        ExpectPicture(ppm, f);
    }
}

TEST(PPMGraphic, HeaderTokensStandAnywhereWithCommentsBetween)
{
    const std::string pixels = "\x01\x02\x03\x04\x05\x06";
    const char* headers[] = {
        "P6\n2 1\n255\n",
        "P6 2 1 255\n",
        "P6 2 1 255 ", // one white space byte before the pixels, whatever it is
        "P6\t2\r\n1\r\n255\r",
        "P6# a comment right after the magic\n2 1 255\n",
        "P6\n# comment\n2 # width\n# more\n1\n#\n255\n",
        "P6\n000002 1\n255\n",
    };
    for (const char* header : headers) {
        SCOPED_TRACE(header);
        auto ppm = LoadFromBytes<TPPMGraphic>(Bytes(header + pixels));
        ASSERT_EQ(ppm.Width(), 2);
        ASSERT_EQ(ppm.Height(), 1);
        const uint8_t* row = ppm.ScanLine(0);
        EXPECT_EQ(std::vector<uint8_t>(row, row + 6), (std::vector<uint8_t> {3, 2, 1, 6, 5, 4}));
    }
}

TEST(PPMGraphic, BinaryPixelsMayLookLikeText)
{
    // The byte after the maximum value is the only separator: "\n" and "7" here are pixels.
    auto pgm = LoadFromBytes<TPPMGraphic>(Bytes("P5 3 1 255\n\n7#"));
    const uint8_t* row = pgm.ScanLine(0);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 3), (std::vector<uint8_t> {'\n', '7', '#'}));
}

TEST(PPMGraphic, PlainBitmapPixelsNeedNoSpaces)
{
    auto pbm = LoadFromBytes<TPPMGraphic>(Bytes("P1\n10 2\n0101010101\n1 1 1 1 1\n0000 0\n"));
    EXPECT_EQ(pbm.ScanLine(0)[0], 0x55);
    EXPECT_EQ(pbm.ScanLine(0)[1], 0x40);
    EXPECT_EQ(pbm.ScanLine(1)[0], 0xF8);
    EXPECT_EQ(pbm.ScanLine(1)[1], 0x00);
}

TEST(PPMGraphic, PlainSamplesAboveTheMaximumCountAsIt)
{
    auto pgm = LoadFromBytes<TPPMGraphic>(Bytes("P2 3 1 15 15 16 99999999999999999999"));
    const uint8_t* row = pgm.ScanLine(0);
    EXPECT_EQ(std::vector<uint8_t>(row, row + 3), (std::vector<uint8_t> {255, 255, 255}));
}

TEST(PPMGraphic, Failures)
{
    struct Case {
        std::string bytes, message;
    };
    const Case cases[] = {
        {"", "Not a valid ppm file."},
        {"Q6 1 1 255\n...", "Not a valid ppm file."},
        {"\nP6 1 1 255\n...", "Not a valid ppm file."},
        {"P7\nWIDTH 1\n", "Not a valid ppm file."},
        {"P0 1 1\n", "Not a valid ppm file."},
        {"P6 1 1 0\n...", "Not a valid ppm file."},
        {"P6 1 1 65536\n......", "Not a valid ppm file."},
        {"PX 1 1 255\n", "'X' is not a valid integer value"},
        {"P\n1 1 255\n", "'' is not a valid integer value"},
        {"P6 abc 1 255\n...", "'abc' is not a valid integer value"},
        {"P2 2 1 255\n7 x9\n", "'x9' is not a valid integer value"},
        {"P1 2 1\n0 2\n", "'2' is not a valid integer value"},
        {"P6 2 1 255\n.....", "PPM: Stream read error."},
        {"P5 2 2 65535\n.......", "PPM: Stream read error."},
        {"P4 9 2\n...", "PPM: Stream read error."},
        {"P3 1 1 255\n1 2", "PPM: Stream read error."},
        {"P3 1 1 255\n1 2 ", "PPM: Stream read error."},
        {"P6 2", "PPM: Stream read error."},
        {"P6 70000 1 255\n", "Image dimensions too large."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadError<TPPMGraphic>(Bytes(c.bytes)), c.message) << c.bytes;
}

TEST(PPMGraphic, ZeroSizeLoadsEmpty)
{
    EXPECT_TRUE(LoadFromBytes<TPPMGraphic>(Bytes("P6 0 5 255\n")).IsEmpty());
}

// ---- interop: files ImageMagick and netpbm write, against ImageMagick's decode

TEST(PPMGraphicInterop, ImageMagickFilesInEveryVariant)
{
    TempDir dir;
    const std::string source = PlasmaPicture(dir.File("source.ppm"), 45, 29, 9, "-depth 8");
    struct Case {
        const char* name;
        const char* options;
    };
    // ImageMagick reduces some 16-bit samples to 8 bits by truncation; netpbm
    // rounds, as we do, so those files are held against netpbm's reduction.
    const Case cases[] = {
        {"p1.pbm", "-monochrome -compress none"},
        {"p4.pbm", "-monochrome"},
        {"p2.pgm", "-colorspace gray -compress none"},
        {"p5.pgm", "-colorspace gray"},
        {"p3.ppm", "-compress none"},
        {"p6.ppm", ""},
        {"p5-16.pgm", "-colorspace gray -depth 16"},
        {"p6-16.ppm", "-depth 16"},
        {"p3-16.ppm", "-depth 16 -compress none"},
        {"p6-4.ppm", "-depth 4"},
    };
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        MakeFile(ImageMagick() + " " + source + " " + c.options + " " + path);
        std::string reference = dir.File(std::string("8bit-") + c.name);
        MakeFile("pamdepth 255 " + path + " 2>/dev/null > " + reference);
        EXPECT_EQ(DiffFromReference(path, reference), "") << c.name;
        EXPECT_EQ(DiffFromImageMagick(path, 1), "") << c.name;
    }
}

TEST(PPMGraphicInterop, NetpbmFiles)
{
    TempDir dir;
    const std::string source = PlasmaPicture(dir.File("source.ppm"), 37, 19, 4, "-depth 8");
    struct Case {
        const char* name;
        std::string command;
    };
    const Case cases[] = {
        {"plain.ppm", "pnmtoplainpnm " + source},
        {"plain16.ppm", "pamdepth 1000 " + source + " | pnmtoplainpnm"},
        {"grey.pbm", "pbmmake -gray 13 7"},
        {"black.pbm", "pbmmake -black 9 3"},
        {"plaingrey.pbm", "pbmmake -gray 21 5 | pnmtoplainpnm"},
    };
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        MakeFile(c.command + " > " + path);
        std::string reference = dir.File(std::string("8bit-") + c.name);
        MakeFile("pamdepth 255 " + path + " 2>/dev/null > " + reference);
        EXPECT_EQ(DiffFromReference(path, reference), "") << c.name;
        EXPECT_EQ(DiffFromImageMagick(path, 1), "") << c.name;
    }
}
