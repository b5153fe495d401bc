// JPEG through libjpeg: decoded pixels equal libjpeg's own djpeg, greyscale
// gives a grey ramp, a small display quantises, and errors carry their number.
#include "formats/Exception.h"
#include "formats/JpegImage.h"
#include "formats/Stream.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// djpeg's decode as RGBA (it writes a PPM or PGM with default options, as we decode).
RgbaImage DecodeWithDjpeg(const std::string& path, const std::string& options = "")
{
    CommandResult r = RunCommand("djpeg -pnm " + options + " '" + path + "'");
    if (r.status != 0)
        throw Exception("djpeg failed: " + r.error);
    RgbaImage image;
    char kind;
    int maxval, consumed = 0;
    if (std::sscanf(r.output.c_str(), "P%c %d %d %d%n", &kind, &image.width, &image.height, &maxval, &consumed) != 4)
        throw Exception("djpeg output not understood");
    const uint8_t* p = reinterpret_cast<const uint8_t*>(r.output.data()) + consumed + 1;
    size_t pixels = size_t(image.width) * size_t(image.height);
    for (size_t i = 0; i < pixels; ++i) {
        uint8_t r8 = kind == '6' ? p[i * 3] : p[i], g = kind == '6' ? p[i * 3 + 1] : p[i],
                b = kind == '6' ? p[i * 3 + 2] : p[i];
        image.pixels.insert(image.pixels.end(), {r8, g, b, 255});
    }
    return image;
}

Bitmap Decode(const std::string& path, DecodeSize size = {})
{
    TJPEGImage jpeg;
    jpeg.SetDecodeSize(size);
    jpeg.LoadFromFile(path);
    Bitmap b;
    b.Assign(jpeg);
    return b;
}

TEST(Jpeg, ColourPicturesMatchLibjpegsOwnDecode)
{
    TempDir dir;
    struct Case {
        const char* name;
        const char* options;
    } cases[] = {{"420.jpg", "-sampling-factor 2x2 -quality 85"}, {"444.jpg", "-sampling-factor 1x1 -quality 95"},
        {"422.jpg", "-sampling-factor 2x1 -quality 75"}, {"progressive.jpg", "-interlace Plane -quality 80"},
        {"odd.jpg", "-quality 90 -resize 37x23!"}};
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        ASSERT_EQ(
            RunCommand(ImageMagick() + " -size 67x45 -seed 9 plasma:fractal " + c.options + " " + path).status, 0);
        Bitmap b = Decode(path);
        EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Rgb24) << c.name;
        EXPECT_EQ(CompareImages(DecodeWithDjpeg(path), ToRgba(b)), "") << c.name;
    }
}

TEST(Jpeg, ADecodeSizeScalesDownAsFarAsThePictureStillReachesIt)
{
    TempDir dir;
    std::string path = dir.File("p.jpg");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 67x45 -seed 9 plasma:fractal -quality 90 " + path).status, 0);
    struct Case {
        DecodeSize wanted;
        int width, height;
        const char* scale;
    } cases[] = {
        {{0, 0}, 67, 45, "1/1"}, {{67, 45}, 67, 45, "1/1"},
        {{34, 100}, 34, 23, "1/2"}, // the width reaches 34 (67 / 2 rounded up)
        {{100, 12}, 17, 12, "1/4"}, // a wide box: the height decides
        {{1, 1}, 9, 6, "1/8"}, // an eighth at most
        {{1, 0}, 67, 45, "1/1"}, // no side of 0 or less reduces
    };
    for (const Case& c : cases) {
        Bitmap b = Decode(path, c.wanted);
        EXPECT_EQ(b.Width(), c.width) << c.scale;
        EXPECT_EQ(b.Height(), c.height) << c.scale;
        EXPECT_EQ(b.FullWidth(), 67) << c.scale;
        EXPECT_EQ(b.FullHeight(), 45) << c.scale;
        EXPECT_EQ(CompareImages(DecodeWithDjpeg(path, std::string("-scale ") + c.scale), ToRgba(b)), "") << c.scale;
    }
}

TEST(Jpeg, GreyscaleGivesIndexed8WithAGreyRampAndNoLoss)
{
    TempDir dir;
    std::string path = dir.File("grey.jpg");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 256x3 gradient: -colorspace Gray -quality 95 " + path).status, 0);
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    EXPECT_TRUE(jpeg.Grayscale());
    Bitmap b;
    b.Assign(jpeg);
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Indexed8);
    ASSERT_EQ(b.GetPalette().size(), 256u);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(b.PaletteColor(i), (PaletteEntry {uint8_t(i), uint8_t(i), uint8_t(i), 0}));
    EXPECT_EQ(CompareImages(DecodeWithDjpeg(path), ToRgba(b)), "");
}

TEST(Jpeg, ColourOnASmallDisplayIsQuantisedTo236Colours)
{
    TempDir dir;
    std::string path = dir.File("c.jpg");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 64x64 -seed 2 plasma:fractal " + path).status, 0);
    SetDisplayBitsPerPixel(8);
    Bitmap b = Decode(path);
    SetDisplayBitsPerPixel(24);
    EXPECT_EQ(b.GetPixelFormat(), PixelFormat::Indexed8);
    EXPECT_LE(b.GetPalette().size(), 236u);
    EXPECT_GT(b.GetPalette().size(), 16u);
}

TEST(Jpeg, SizeComesFromTheHeaderAndCannotBeChanged)
{
    TempDir dir;
    std::string path = dir.File("s.jpg");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 33x17 xc:red " + path).status, 0);
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    EXPECT_EQ(jpeg.Width(), 33);
    EXPECT_EQ(jpeg.Height(), 17);
    try {
        jpeg.SetWidth(10);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Cannot change the size of a JPEG image");
    }
}

TEST(Jpeg, LibraryErrorsCarryTheirNumber)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {{"not a jpeg", {'B', 'M', 1, 2, 3, 4}}, {"empty", {}}, {"only SOI", {0xFF, 0xD8}}};
    for (const Case& c : cases) {
        MemoryStream stream {std::span<const uint8_t>(c.bytes)};
        TJPEGImage jpeg;
        try {
            jpeg.LoadFromStream(stream);
            FAIL() << c.what;
        } catch (const EJPEG& e) {
            EXPECT_EQ(std::string(e.what()).rfind("JPEG error #", 0), 0u) << e.what();
        }
    }
}

TEST(Jpeg, APictureMustHaveTheBytesToFillIt)
{
    TempDir dir;
    // The flattest pictures a Huffman coder makes, baseline and progressive, load.
    for (const char* options : {"", "-interlace Plane"}) {
        std::string path = dir.File("flat.jpg");
        ASSERT_EQ(RunCommand(ImageMagick() + " -size 2000x1500 xc:white " + options + " " + path).status, 0);
        EXPECT_EQ(Decode(path).Width(), 2000) << options;
    }
    // A small file whose frame header claims 16000 x 16000 is refused before decoding.
    std::string path = dir.File("small.jpg");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 16x16 xc:red " + path).status, 0);
    auto bytes = ReadFile(path);
    for (size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = bytes[i + 7] = 16000 >> 8;
            bytes[i + 6] = bytes[i + 8] = 16000 & 0xFF;
            break;
        }
    MemoryStream stream {std::span<const uint8_t>(bytes)};
    TJPEGImage jpeg;
    jpeg.LoadFromStream(stream);
    ASSERT_EQ(jpeg.Width(), 16000);
    Bitmap b;
    EXPECT_THROW(b.Assign(jpeg), EJPEG);
}

TEST(Jpeg, ACutFileStillDecodesWhatIsThere)
{
    TempDir dir;
    std::string path = dir.File("cut.jpg");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 64x64 -seed 4 plasma:fractal " + path).status, 0);
    auto bytes = ReadFile(path);
    bytes.resize(bytes.size() * 2 / 3);
    MemoryStream stream {std::span<const uint8_t>(bytes)};
    TJPEGImage jpeg;
    jpeg.LoadFromStream(stream);
    Bitmap b;
    b.Assign(jpeg);
    EXPECT_EQ(b.Width(), 64);
}

} // namespace
