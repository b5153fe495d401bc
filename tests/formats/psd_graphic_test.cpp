#include "formats/readers/PSDGraphic.h"

#include "formats/ColorConverters.h"
#include "tests/support/PsdFile.h"
#include "tests/support/ReaderChecks.h"

#include <gtest/gtest.h>

#include <functional>

using namespace pelmora;
using namespace pelmora::test;

namespace {

constexpr int kWidth = 11, kHeight = 4;

// A sample that varies with the pixel and the channel, and runs for PackBits.
uint8_t Sample(int x, int y, int channel)
{
    return uint8_t(x < 4 ? 200 - channel * 50 : (x * 23 + y * 71 + channel * 101) & 0xFF);
}

// One plane of the picture's channel in the file's sample size: 16-bit
// samples carry the 8-bit sample as their high byte and noise below.
std::vector<uint8_t> Plane(int channel, int bits)
{
    std::vector<uint8_t> plane;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            plane.push_back(Sample(x, y, channel));
            if (bits == 16)
                plane.push_back(uint8_t(x * 13 + 7));
        }
    return plane;
}

std::vector<uint8_t> BitPlane()
{
    std::vector<uint8_t> plane;
    for (int y = 0; y < kHeight; ++y) {
        std::vector<uint8_t> row((kWidth + 7) / 8);
        for (int x = 0; x < kWidth; ++x)
            if (Sample(x, y, 0) & 1)
                row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        plane.insert(plane.end(), row.begin(), row.end());
    }
    return plane;
}

// The colour each reader mode should give a pixel, as red, green, blue.
using Expected = std::function<PaletteEntry(int x, int y)>;

PaletteEntry Grey(uint8_t v)
{
    return { v, v, v, 0 };
}

std::vector<uint8_t> IndexedColors()
{
    std::vector<uint8_t> colors(768);
    for (int i = 0; i < 256; ++i) {
        colors[size_t(i)] = uint8_t(i ^ 0x55);
        colors[size_t(256 + i)] = uint8_t(255 - i);
        colors[size_t(512 + i)] = uint8_t(i * 3);
    }
    return colors;
}

struct ModeCase {
    const char* name;
    int mode;
    int planes; // colour planes plus any extra the file carries
    PixelFormat format;
    Expected color;
};

std::vector<ModeCase> ModeCases(int bits)
{
    auto s = [](int x, int y, int c) { return Sample(x, y, c); };
    return {
        { "bitmap", 0, 1, PixelFormat::Indexed1, [=](int x, int y) { return s(x, y, 0) & 1 ? Grey(0) : Grey(255); } },
        { "greyscale with alpha", 1, 2, PixelFormat::Indexed8, [=](int x, int y) { return Grey(s(x, y, 0)); } },
        { "indexed", 2, 1, PixelFormat::Indexed8,
            [=](int x, int y) {
                uint8_t i = s(x, y, 0);
                return PaletteEntry { uint8_t(i ^ 0x55), uint8_t(255 - i), uint8_t(i * 3), 0 };
            } },
        { "duotone", 8, 1, PixelFormat::Indexed8, [=](int x, int y) { return Grey(s(x, y, 0)); } },
        { "RGB with alpha", 3, 4, PixelFormat::Rgb24,
            [=](int x, int y) {
                return PaletteEntry { s(x, y, 0), s(x, y, 1), s(x, y, 2), 0 };
            } },
        { "CMYK", 4, 4, PixelFormat::Rgb24,
            [=](int x, int y) {
                uint8_t rgb[3];
                if (bits == 16) {
                    auto ink = [&](int c) { return 65535u - (unsigned(s(x, y, c)) << 8 | unsigned(x * 13 + 7)); };
                    CMYKToRGB(ink(0), ink(1), ink(2), ink(3), true, rgb);
                } else {
                    CMYKToRGB(255u - s(x, y, 0), 255u - s(x, y, 1), 255u - s(x, y, 2), 255u - s(x, y, 3), false, rgb);
                }
                return PaletteEntry { rgb[0], rgb[1], rgb[2], 0 };
            } },
        { "Lab", 9, 3, PixelFormat::Rgb24,
            [=](int x, int y) {
                uint8_t rgb[3];
                CIELabToRGB(s(x, y, 0), s(x, y, 1) - 128, s(x, y, 2) - 128, rgb);
                return PaletteEntry { rgb[0], rgb[1], rgb[2], 0 };
            } },
    };
}

PsdFile FileFor(const ModeCase& c, int bits, bool packBits)
{
    PsdFile f;
    f.mode = c.mode;
    f.bits = c.mode == 0 ? 1 : bits;
    f.width = kWidth;
    f.height = kHeight;
    f.packBits = packBits;
    if (c.mode == 2)
        f.colorModeData = IndexedColors();
    if (c.mode == 8)
        f.colorModeData = std::vector<uint8_t>(40, 7); // the duotone's inks, not a palette
    f.resources = { '8', 'B', 'I', 'M', 3, 0xED, 0, 0, 0, 0, 0, 0 };
    for (int p = 0; p < c.planes; ++p)
        f.planes.push_back(c.mode == 0 ? BitPlane() : Plane(p, f.bits));
    return f;
}

void ExpectColors(const Bitmap& b, const Expected& color)
{
    ASSERT_EQ(b.Width(), kWidth);
    ASSERT_EQ(b.Height(), kHeight);
    RgbaImage rgba = ToRgba(b);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &rgba.pixels[size_t(y * kWidth + x) * 4];
            PaletteEntry want = color(x, y);
            ASSERT_EQ(PaletteEntry({ p[0], p[1], p[2], 0 }), want) << "pixel " << x << "," << y;
        }
}

std::vector<uint8_t> Header(int channels, int width, int height, int bits, int mode)
{
    PsdFile f;
    f.channels = channels;
    f.width = width;
    f.height = height;
    f.bits = bits;
    f.mode = mode;
    return f.Bytes();
}

// 16000 x 16000 greyscale whose rows all pack to nothing: 32 KB claiming 256 MB.
std::vector<uint8_t> HugeWithEmptyRows()
{
    std::vector<uint8_t> bytes = Header(1, 16000, 16000, 8, 1);
    bytes.back() = 1; // PackBits
    bytes.resize(bytes.size() + 16000 * 2);
    return bytes;
}

} // namespace

TEST(PSDGraphic, EveryModeRawAndPackBitsIn8And16Bits)
{
    for (int bits : { 8, 16 })
        for (const ModeCase& c : ModeCases(bits)) {
            if (c.mode == 0 && bits == 16)
                continue;
            for (bool packBits : { false, true }) {
                SCOPED_TRACE(testing::Message() << c.name << ", " << bits << " bits" << (packBits ? ", PackBits" : ""));
                auto psd = LoadFromBytes<TPSDGraphic>(FileFor(c, bits, packBits).Bytes());
                EXPECT_EQ(psd.GetPixelFormat(), c.format);
                ExpectColors(psd, c.color);
            }
        }
}

TEST(PSDGraphic, BitmapRowsKeepTheBitsPastTheLastPixelClear)
{
    PsdFile f = FileFor(ModeCases(8)[0], 8, false);
    for (auto& b : f.planes[0])
        b = 0xFF;
    auto psd = LoadFromBytes<TPSDGraphic>(f.Bytes());
    EXPECT_EQ(psd.ScanLine(0)[0], 0xFF);
    EXPECT_EQ(psd.ScanLine(0)[1], 0xE0);
}

TEST(PSDGraphic, InkLimits)
{
    struct Case {
        const char* name;
        int mode, bits;
        uint8_t stored[4];
        PaletteEntry color;
    };
    const Case cases[] = {
        { "CMYK, no ink", 4, 8, { 255, 255, 255, 255 }, { 255, 255, 255, 0 } },
        { "CMYK, full ink", 4, 8, { 0, 0, 0, 0 }, { 0, 0, 0, 0 } },
        { "CMYK, cyan", 4, 8, { 0, 255, 255, 255 }, { 0, 255, 255, 0 } },
        { "CMYK 16, no ink", 4, 16, { 255, 255, 255, 255 }, { 255, 255, 255, 0 } },
        { "CMYK 16, yellow", 4, 16, { 255, 255, 0, 255 }, { 255, 255, 0, 0 } },
        { "Lab, white", 9, 8, { 255, 128, 128 }, { 255, 255, 255, 0 } },
        { "Lab, black", 9, 8, { 0, 128, 128 }, { 0, 0, 0, 0 } },
        { "Lab 16, white", 9, 16, { 255, 128, 128 }, { 255, 255, 255, 0 } },
    };
    for (const Case& c : cases) {
        PsdFile f;
        f.mode = c.mode;
        f.bits = c.bits;
        f.width = 3;
        f.height = 2;
        for (int p = 0; p < (c.mode == 4 ? 4 : 3); ++p)
            f.planes.emplace_back(size_t(6 * c.bits / 8), c.stored[p]);
        RgbaImage rgba = ToRgba(LoadFromBytes<TPSDGraphic>(f.Bytes()));
        for (size_t i = 0; i < rgba.pixels.size(); i += 4)
            ASSERT_EQ(PaletteEntry({ rgba.pixels[i], rgba.pixels[i + 1], rgba.pixels[i + 2], 0 }), c.color) << c.name;
    }
}

TEST(PSDGraphic, PackedRowsThatDecodeShortArePaddedWithBlack)
{
    // Each row's byte count is honoured: a short row does not pull in the next.
    PsdFile f;
    f.mode = 1;
    f.channels = 1;
    f.width = 6;
    f.height = 2;
    std::vector<uint8_t> bytes = f.Bytes();
    bytes.resize(bytes.size() - 2); // drop the "compression" word written for no planes
    const std::vector<uint8_t> data = {
        0, 1, // PackBits
        0, 2, 0, 2, // byte counts
        1, 9, // row 0: a literal of 2 bytes cut to 1
        0xFB, 7, // row 1: six 7s
    };
    bytes.insert(bytes.end(), data.begin(), data.end());
    auto psd = LoadFromBytes<TPSDGraphic>(bytes);
    EXPECT_EQ(std::vector<uint8_t>(psd.ScanLine(0), psd.ScanLine(0) + 6), (std::vector<uint8_t> { 9, 0, 0, 0, 0, 0 }));
    EXPECT_EQ(std::vector<uint8_t>(psd.ScanLine(1), psd.ScanLine(1) + 6), (std::vector<uint8_t>(6, 7)));
}

TEST(PSDGraphic, Failures)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    std::vector<uint8_t> wrongSignature = Header(3, 2, 2, 8, 3);
    wrongSignature[3] = 'X';
    PsdFile rgb = FileFor(ModeCases(8)[4], 8, false);
    rgb.planes.pop_back(); // no alpha: the colour planes end the file
    std::vector<uint8_t> cutRaw = rgb.Bytes();
    cutRaw.pop_back();
    rgb.packBits = true;
    std::vector<uint8_t> cutPacked = rgb.Bytes();
    cutPacked.pop_back();
    std::vector<uint8_t> cutCounts = rgb.Bytes();
    cutCounts.resize(26 + 12 + 12 + 2 + 10);
    const Case cases[] = {
        { "signature", wrongSignature, "Not a valid psd file." },
        { "shorter than a header", { '8', 'B', 'P', 'S', 0, 1 }, "Stream read error" },
        { "RGB of two channels", Header(2, 2, 2, 8, 3), "Not a valid psd file." },
        { "CMYK of three channels", Header(3, 2, 2, 8, 4), "Not a valid psd file." },
        { "multichannel", Header(3, 2, 2, 8, 7), "PSD: colour mode or sample size not supported." },
        { "32-bit samples", Header(3, 2, 2, 32, 3), "PSD: colour mode or sample size not supported." },
        { "8-bit bitmap mode", Header(1, 2, 2, 8, 0), "PSD: colour mode or sample size not supported." },
        { "too large", Header(3, 70000, 2, 8, 3), "Image dimensions too large." },
        { "raw data cut short", cutRaw, "Stream read error" },
        { "packed data cut short", cutPacked, "Stream read error" },
        { "byte counts cut short", cutCounts, "Stream read error" },
        { "byte counts too small for the size", HugeWithEmptyRows(), "Not a valid psd file." },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadError<TPSDGraphic>(c.bytes), c.message) << c.name;
}

// ---- interop: files ImageMagick writes, against its own decode

TEST(PSDGraphicInterop, ImageMagickFiles)
{
    TempDir dir;
    const std::string source = PlasmaPicture(dir.File("source.ppm"), 67, 41, 2, "-depth 8");
    struct Case {
        const char* name;
        const char* options;
        int tolerance = 0;
    };
    // Samples of full 16 bits: we take their high byte, ImageMagick divides
    // by 257, so they may be one step apart.
    const Case cases[] = {
        { "rgb.psd", "-compress none" },
        { "rgb-rle.psd", "-compress RLE" },
        { "grey.psd", "-colorspace gray -compress none" },
        { "grey-rle.psd", "-colorspace gray -compress RLE" },
        { "cmyk.psd", "-colorspace CMYK -compress none" },
        { "cmyk-rle.psd", "-colorspace CMYK -compress RLE" },
        { "rgb16.psd", "-depth 16 -compress none" },
        { "rgb16-rle.psd", "-depth 16 -compress RLE" },
        { "grey16-rle.psd", "-colorspace gray -depth 16 -compress RLE", 1 },
        { "cmyk16.psd", "-colorspace CMYK -depth 16 -compress none", 1 },
    };
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        MakeFile(ImageMagick() + " " + source + " " + c.options + " " + path);
        EXPECT_EQ(DiffFromImageMagick(path, c.tolerance), "") << c.name;
    }
}
