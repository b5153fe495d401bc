#include "formats/readers/GIFGraphic.h"

#include "tests/support/GifFile.h"
#include "tests/support/LzwEncoder.h"
#include "tests/support/ReaderChecks.h"

#include <gtest/gtest.h>

#include <random>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// Four colours, distinct in every channel.
const std::vector<uint8_t> kTable4 = { 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120 };

std::vector<uint8_t> Ramp(int width, int height, int colors)
{
    std::vector<uint8_t> v(size_t(width) * size_t(height));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = uint8_t((i * 7 + i / size_t(width)) % size_t(colors));
    return v;
}

GifFile Simple(int width, int height)
{
    GifFile f;
    f.screenWidth = width;
    f.screenHeight = height;
    f.width = width;
    f.height = height;
    f.globalTable = kTable4;
    f.codeSize = 2;
    f.indices = Ramp(width, height, 4);
    return f;
}

void ExpectIndices(const Bitmap& b, const std::vector<uint8_t>& indices)
{
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::Indexed8);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            ASSERT_EQ(b.ScanLine(y)[x], indices[size_t(y) * size_t(b.Width()) + size_t(x)]) << x << "," << y;
}

} // namespace

TEST(GIFGraphic, RowsComeOutInNaturalOrderWhateverTheInterlace)
{
    // Heights around the pass steps: 1 row, fewer rows than a pass, and odd remainders.
    for (int height : { 1, 2, 3, 5, 8, 9, 13, 17, 31 }) {
        for (bool interlaced : { false, true }) {
            GifFile f = Simple(7, height);
            f.interlaced = interlaced;
            auto gif = LoadFromBytes<TGIFGraphic>(f.Bytes());
            ASSERT_EQ(gif.Width(), 7);
            ASSERT_EQ(gif.Height(), height);
            SCOPED_TRACE(testing::Message() << "height " << height << " interlaced " << interlaced);
            ExpectIndices(gif, f.indices);
        }
    }
}

TEST(GIFGraphic, ColourTables)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> global, local;
        PaletteEntry index1, index3, last;
    };
    const std::vector<uint8_t> local = { 1, 2, 3, 4, 5, 6 };
    const Case cases[] = {
        { "global", kTable4, {}, { 40, 50, 60, 0 }, { 100, 110, 120, 0 }, { 100, 110, 120, 0 } },
        // 3 is past the local table's 2 entries
        { "local replaces global", kTable4, local, { 4, 5, 6, 0 }, { 4, 5, 6, 0 }, { 4, 5, 6, 0 } },
        { "local only", {}, local, { 4, 5, 6, 0 }, { 4, 5, 6, 0 }, { 4, 5, 6, 0 } },
        { "none: greys", {}, {}, { 1, 1, 1, 0 }, { 3, 3, 3, 0 }, { 255, 255, 255, 0 } },
    };
    for (const Case& c : cases) {
        GifFile f = Simple(4, 4);
        f.globalTable = c.global;
        f.localTable = c.local;
        auto gif = LoadFromBytes<TGIFGraphic>(f.Bytes());
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gif.PaletteColor(1), c.index1);
        EXPECT_EQ(gif.PaletteColor(3), c.index3);
        // Whatever the table's size, every index has a colour of it.
        EXPECT_EQ(gif.GetPalette().size(), 256u);
        EXPECT_EQ(gif.GetPalette()[255], c.last);
        ExpectIndices(gif, f.indices);
    }
}

TEST(GIFGraphic, IndicesPastAShortTableShowItsLastEntry)
{
    GifFile f = Simple(4, 1);
    f.globalTable = { 9, 9, 9, 200, 100, 50 };
    f.codeSize = 8;
    f.indices = { 0, 1, 2, 255 };
    auto gif = LoadFromBytes<TGIFGraphic>(f.Bytes());
    ExpectIndices(gif, f.indices);
    RgbaImage rgba = ToRgba(gif);
    EXPECT_EQ(std::vector<uint8_t>(rgba.pixels.begin() + 8, rgba.pixels.end()),
        (std::vector<uint8_t> { 200, 100, 50, 255, 200, 100, 50, 255 }));
}

TEST(GIFGraphic, ZeroSizeInTheDescriptorTakesTheScreenSize)
{
    GifFile f = Simple(6, 5);
    f.width = 0;
    auto gif = LoadFromBytes<TGIFGraphic>(f.Bytes());
    EXPECT_EQ(gif.Width(), 6);
    ExpectIndices(gif, f.indices);

    f = Simple(6, 5);
    f.height = 0;
    gif = LoadFromBytes<TGIFGraphic>(f.Bytes());
    EXPECT_EQ(gif.Height(), 5);
    ExpectIndices(gif, f.indices);
}

TEST(GIFGraphic, EndsBeforeAnyImageAsAnEmptyBitmap)
{
    GifFile f = Simple(4, 4);
    f.hasImage = false;
    EXPECT_TRUE(LoadFromBytes<TGIFGraphic>(f.Bytes()).IsEmpty());
    std::vector<uint8_t> noTrailer = f.Bytes();
    noTrailer.pop_back();
    EXPECT_TRUE(LoadFromBytes<TGIFGraphic>(noTrailer).IsEmpty());
}

TEST(GIFGraphic, ExtensionsBeforeTheImageAreSkipped)
{
    // Zero bytes and block introducers inside an extension's data must not end it.
    const std::vector<std::vector<uint8_t>> blocks = {
        GifControlExtension(0, ','),
        GifControlExtension(0x2C3B, 0x21),
        { '!', 0xFE, 9, 'a', ',', 'b', ';', 'c', '!', 0, 0, 0, 0 }, // a comment
        { '!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0 },
    };
    for (size_t i = 0; i < blocks.size(); ++i) {
        GifFile f = Simple(5, 3);
        f.extensions = { blocks[i] };
        SCOPED_TRACE(i);
        auto gif = LoadFromBytes<TGIFGraphic>(f.Bytes());
        ASSERT_EQ(gif.Width(), 5);
        ExpectIndices(gif, f.indices);
    }
}

TEST(GIFGraphic, OnlyTheFirstImageIsRead)
{
    GifFile f = Simple(3, 2);
    std::vector<uint8_t> bytes = f.Bytes();
    bytes.pop_back(); // the trailer
    GifFile second = Simple(9, 9);
    std::vector<uint8_t> more = second.Bytes();
    bytes.insert(bytes.end(), more.begin() + 13 + 12, more.end()); // its image block on
    auto gif = LoadFromBytes<TGIFGraphic>(bytes);
    EXPECT_EQ(gif.Width(), 3);
    ExpectIndices(gif, f.indices);
}

TEST(GIFGraphic, Failures)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    GifFile lower = Simple(2, 2);
    lower.signature = "gif87a";
    GifFile wrong = Simple(2, 2);
    wrong.signature = "GIT89a";
    // Code size 2: clear 4, end 5, first free 6; after the clear, code 7 is past it.
    GifFile badCode = Simple(2, 2);
    badCode.packed = std::vector<uint8_t> { 0x04 | 0x07 << 3, 0x00 };
    std::vector<uint8_t> cutSubBlock = Simple(8, 8).Bytes();
    cutSubBlock.resize(13 + 12 + 10 + 1 + 3);
    std::vector<uint8_t> cutTable = Simple(8, 8).Bytes();
    cutTable.resize(13 + 5);
    const Case cases[] = {
        { "lower-case signature", lower.Bytes(), "" },
        { "not GIF", wrong.Bytes(), "Not a valid GIF file." },
        { "shorter than a signature", { 'G', 'I' }, "Stream read error" },
        { "code past the next free one", badCode.Bytes(), "GIF LZW: invalid opcode." },
        { "sub-block cut short", cutSubBlock, "Stream read error" },
        { "colour table cut short", cutTable, "Stream read error" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadError<TGIFGraphic>(c.bytes), c.message) << c.name;
}

TEST(GIFGraphic, DataEndingEarlyLeavesTheRemainingRowsBlack)
{
    GifFile f = Simple(4, 6);
    f.indices = std::vector<uint8_t>(24, 3);
    f.packed = EncodeGifLzw(std::vector<uint8_t>(8, 3), 2, { .endCode = false }); // the data just stops
    auto gif = LoadFromBytes<TGIFGraphic>(f.Bytes());
    ASSERT_EQ(gif.Height(), 6);
    EXPECT_EQ(gif.ScanLine(0)[0], 3);
    EXPECT_EQ(gif.ScanLine(5)[3], 0);
}

TEST(GIFGraphic, AHugePictureMustHaveTheDataToFillIt)
{
    // 2^28 pixels claimed by a few bytes: refused before anything is allocated.
    GifFile f;
    f.screenWidth = f.screenHeight = f.width = f.height = 16384;
    f.codeSize = 2;
    f.packed = EncodeGifLzw({ 1, 2, 3 }, 2);
    EXPECT_EQ(LoadError<TGIFGraphic>(f.Bytes()), "Stream read error");

    // A flat picture packs as tightly as LZW allows and still loads.
    GifFile flat = Simple(600, 500);
    flat.indices.assign(size_t(600) * 500, 2);
    auto gif = LoadFromBytes<TGIFGraphic>(flat.Bytes());
    ASSERT_LT(flat.Bytes().size() * 200, flat.indices.size());
    EXPECT_EQ(gif.ScanLine(499)[599], 2);
}

// ---- interop: files ImageMagick and netpbm write, against ImageMagick's decode

TEST(GIFGraphicInterop, ImageMagickFilesOfEveryTableSize)
{
    TempDir dir;
    const std::string source = PlasmaPicture(dir.File("source.ppm"), 123, 77, 3, "-depth 8");
    for (int colors : { 2, 3, 16, 100, 256 }) {
        for (bool interlace : { false, true }) {
            std::string path = dir.File("c" + std::to_string(colors) + (interlace ? "i" : "") + ".gif");
            MakeFile(ImageMagick() + " " + source + " +dither -colors " + std::to_string(colors)
                + (interlace ? " -interlace GIF " : " -interlace none ") + path);
            EXPECT_EQ(DiffFromImageMagick(path), "") << path;
        }
    }
}

TEST(GIFGraphicInterop, NetpbmFiles)
{
    TempDir dir;
    const std::string source = PlasmaPicture(dir.File("source.ppm"), 200, 131, 5, "+dither -colors 256 -depth 8");
    const std::string encoder = HaveProgram("pamtogif") ? "pamtogif" : "ppmtogif";
    for (const char* interlace : { "", "-interlace" }) {
        std::string path = dir.File(std::string("netpbm") + interlace + ".gif");
        MakeFile(encoder + " " + interlace + " " + source + " > " + path);
        EXPECT_EQ(DiffFromImageMagick(path), "") << path;
    }
}

TEST(GIFGraphicInterop, OurFixturesDecodeAsImageMagickDecodesThem)
{
    // Holds the test writer (and its encoder's code widths) to a second decoder.
    TempDir dir;
    std::mt19937 random(11);
    GifFile f = Simple(300, 200);
    f.codeSize = 8;
    f.globalTable.resize(768);
    for (auto& v : f.globalTable)
        v = uint8_t(random());
    for (auto& v : f.indices)
        v = uint8_t(random() % 7 ? f.indices[0] : random());
    f.interlaced = true;
    WriteFile(dir.File("ours.gif"), f.Bytes());
    EXPECT_EQ(DiffFromImageMagick(dir.File("ours.gif")), "");
}
