#include "formats/readers/PCXGraphic.h"
#include "formats/Confirmation.h"
#include "formats/Exception.h"
#include "formats/PixelRows.h"
#include "formats/Stream.h"
#include "tests/support/LoadFromBytes.h"
#include "tests/support/PcxFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::PcxFile;

class PcxRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetBeepHandler([this] { ++beeps; });
    }
    void TearDown() override { SetBeepHandler(nullptr); }

    static TPCXGraphic Load(const PcxFile& f) { return test::LoadFromBytes<TPCXGraphic>(f.Bytes()); }
    static std::string LoadError(const PcxFile& f) { return test::LoadError<TPCXGraphic>(f.Bytes()); }
    int beeps = 0;
};

// Lines of `planes` planes, each byte a function of line, plane and position,
// with runs of equal bytes and bytes above 191 among them.
std::vector<uint8_t> Lines(int height, int planes, int bytesPerLine)
{
    std::vector<uint8_t> lines;
    for (int y = 0; y < height; ++y)
        for (int p = 0; p < planes; ++p)
            for (int i = 0; i < bytesPerLine; ++i)
                lines.push_back(uint8_t(i < 3 ? 200 + y : 37 * y + 61 * p + 11 * i));
    return lines;
}

PcxFile MakeFile(int bits, int planes, int width, int height)
{
    PcxFile f;
    f.bitsPerPixel = bits;
    f.planes = planes;
    f.width = width;
    f.height = height;
    f.lines = Lines(height, planes, f.BytesPerLine());
    return f;
}

// What pixel x of line y holds, computed from the planes as the format defines them.
int PlanePixel(const PcxFile& f, int y, int x, int plane, int bits)
{
    const uint8_t* line = &f.lines[size_t(y) * size_t(f.planes * f.BytesPerLine()) + size_t(plane * f.BytesPerLine())];
    return bits == 1 ? line[x / 8] >> (7 - x % 8) & 1 : line[x];
}

TEST_F(PcxRead, EachPixelFormatPlainAndRunLength)
{
    struct Case {
        int bits, planes;
        PixelFormat format;
    } cases[] = {
        { 1, 1, PixelFormat::Indexed1 },
        { 1, 4, PixelFormat::Indexed4 },
        { 8, 1, PixelFormat::Indexed8 },
        { 8, 3, PixelFormat::Rgb24 },
    };
    for (const Case& c : cases) {
        // Lines no longer than a row (width 20 for 24 bits) are decoded where the rows go.
        for (int width : { 20, 21 })
            for (int encoding : { 1, 0 }) {
                SCOPED_TRACE(std::string(PixelFormatName(c.format)) + (encoding ? " run-length" : " plain") + ", width "
                    + std::to_string(width));
                PcxFile f = MakeFile(c.bits, c.planes, width, 4);
                f.encoding = encoding;
                if (c.format == PixelFormat::Indexed8)
                    f.trailer = test::PcxPaletteTrailer(std::vector<uint8_t>(768, 9));
                TPCXGraphic pcx = Load(f);
                ASSERT_EQ(pcx.GetPixelFormat(), c.format);
                ASSERT_EQ(pcx.Width(), width);
                ASSERT_EQ(pcx.Height(), 4);
                for (int y = 0; y < 4; ++y) {
                    const uint8_t* row = pcx.ScanLine(y);
                    for (int x = 0; x < width; ++x) {
                        if (c.format == PixelFormat::Rgb24) {
                            for (int k = 0; k < 3; ++k)
                                ASSERT_EQ(row[3 * x + k], PlanePixel(f, y, x, 2 - k, 8))
                                    << x << "," << y << " byte " << k;
                            continue;
                        }
                        int expected = 0;
                        for (int p = c.planes - 1; p >= 0; --p)
                            expected = expected * 2 + PlanePixel(f, y, x, p, c.bits);
                        if (c.bits == 8)
                            expected = PlanePixel(f, y, x, 0, 8);
                        ASSERT_EQ(IndexAt(row, c.format, x), expected) << x << "," << y;
                    }
                }
            }
    }
}

TEST_F(PcxRead, PalettesOfEachKind)
{
    std::vector<uint8_t> rgb(768);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = uint8_t(i / 3 + i % 3);
    std::vector<uint8_t> colors16(48);
    for (size_t i = 0; i < colors16.size(); ++i)
        colors16[i] = uint8_t(100 + i);
    Palette grey16(16);
    for (int i = 0; i < 16; ++i)
        grey16[size_t(i)] = { uint8_t(i * 16), uint8_t(i * 16), uint8_t(i * 16), 0 };

    struct Case {
        const char* name;
        int bits, planes, version, paletteInfo;
        std::vector<uint8_t> trailer;
        size_t size;
        PaletteEntry first, last;
        int beeps;
    } cases[] = {
        { "1 bit", 1, 1, 5, 1, {}, 2, { 0, 0, 0, 0 }, { 255, 255, 255, 0 }, 0 },
        { "1 bit of version 3", 1, 1, 3, 1, {}, 2, { 0, 0, 0, 0 }, { 255, 255, 255, 0 }, 0 },
        { "4 bits from the header", 1, 4, 5, 1, {}, 16, { 100, 101, 102, 0 }, { 145, 146, 147, 0 }, 0 },
        { "4 bits grey", 1, 4, 5, 2, {}, 16, grey16[0], grey16[15], 0 },
        { "4 bits of version 3", 1, 4, 3, 1, {}, 16, { 0, 0, 0, 0 }, { 255, 255, 255, 0 }, 0 },
        { "8 bits with the marker", 8, 1, 5, 1, test::PcxPaletteTrailer(rgb), 256, { 0, 1, 2, 0 }, { 255, 0, 1, 0 },
            0 },
        { "8 bits grey", 8, 1, 5, 2, std::vector<uint8_t>(769, 1), 256, { 0, 0, 0, 0 }, { 255, 255, 255, 0 }, 0 },
        { "8 bits without either", 8, 1, 5, 1, std::vector<uint8_t>(769, 1), 256, { 0, 0, 0, 0 }, { 255, 255, 255, 0 },
            1 },
        { "8 bits of version 3", 8, 1, 3, 1, test::PcxPaletteTrailer(rgb), 16, { 0, 0, 0, 0 }, { 255, 255, 255, 0 },
            0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        beeps = 0;
        PcxFile f = MakeFile(c.bits, c.planes, 8, 2);
        f.version = c.version;
        f.paletteInfo = c.paletteInfo;
        f.colors16 = colors16;
        f.trailer = c.trailer;
        TPCXGraphic pcx = Load(f);
        ASSERT_EQ(pcx.GetPalette().size(), c.size);
        EXPECT_EQ(pcx.GetPalette().front(), c.first);
        EXPECT_EQ(pcx.GetPalette().back(), c.last);
        EXPECT_EQ(beeps, c.beeps);
        if (c.version == 3 && c.bits * c.planes > 1) {
            EXPECT_EQ(pcx.GetPalette(), DefaultPalette(PixelFormat::Indexed4)) << "the 16 standard colours";
        }
    }
}

TEST_F(PcxRead, MakerByte205LoadsLike10)
{
    PcxFile f = MakeFile(8, 3, 7, 3);
    TPCXGraphic ten = Load(f);
    f.maker = 205;
    TPCXGraphic capture = Load(f);
    EXPECT_EQ(test::CompareImages(test::ToRgba(ten), test::ToRgba(capture)), "");
}

TEST_F(PcxRead, OneBitRowsOfWidth10ShowAllTenPixels)
{
    PcxFile f;
    f.bitsPerPixel = 1;
    f.width = 10;
    f.height = 2;
    f.lines = { 0b10110011, 0b11000000, 0b01001100, 0b01111111 };
    TPCXGraphic pcx = Load(f);
    const char* rows[] = { "1011001111", "0100110001" };
    for (int y = 0; y < 2; ++y) {
        std::string shown;
        for (int x = 0; x < 10; ++x)
            shown += char('0' + IndexAt(pcx.ScanLine(y), PixelFormat::Indexed1, x));
        EXPECT_EQ(shown, rows[y]);
        EXPECT_EQ(pcx.ScanLine(y)[1] & 0x3F, 0) << "bits past the width are clear";
    }
}

TEST_F(PcxRead, DataEndingInsideTheImageKeepsTheRowsItDoesNotReach)
{
    PcxFile f = MakeFile(8, 1, 6, 4);
    f.trailer = test::PcxPaletteTrailer(std::vector<uint8_t>(768, 0));
    std::vector<uint8_t> bytes = f.Bytes();
    // Remove the packets of the last line and a half; the palette stays at the end.
    bytes.erase(bytes.end() - 769 - 9, bytes.end() - 769);
    TPCXGraphic pcx;
    MemoryStream stream(bytes);
    pcx.LoadFromStream(stream);
    EXPECT_EQ(pcx.ScanLine(1)[5], f.lines[11]);
    EXPECT_EQ(pcx.ScanLine(3)[0], 0);
}

TEST_F(PcxRead, FailureMessages)
{
    PcxFile wrongMaker = MakeFile(8, 3, 4, 2);
    wrongMaker.maker = 11;
    PcxFile twoPlanes = MakeFile(8, 3, 4, 2);
    twoPlanes.planes = 2;
    PcxFile fourBits = MakeFile(1, 4, 4, 2);
    fourBits.bitsPerPixel = 4;
    PcxFile shortLines = MakeFile(8, 3, 40, 2);
    shortLines.bytesPerLine = 20;
    PcxFile shortData = MakeFile(8, 3, 4, 2);
    shortData.encoding = 0;
    shortData.lines.resize(20);
    PcxFile huge = MakeFile(8, 3, 4, 2);
    huge.width = 60000;
    huge.height = 4000;
    huge.bytesPerLine = 60000;

    struct Case {
        const char* name;
        PcxFile file;
        const char* error;
    } cases[] = {
        { "maker byte 11", wrongMaker, "Not a PCX or SCR file." },
        { "8 bits in 2 planes", twoPlanes, "PCX: wrong pixel format" },
        { "4 bits in 4 planes", fourBits, "PCX: wrong pixel format" },
        { "lines shorter than the width", shortLines, "PCX: invalid image" },
        { "plain data cut short", shortData, "PCX: invalid image" },
        { "far too little data for the size", huge, "PCX: invalid image" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadError(c.file), c.error) << c.name;
}

TEST_F(PcxRead, WrongPixelFormatLeavesTheFormatUnset)
{
    PcxFile f = MakeFile(8, 2, 4, 2);
    TPCXGraphic pcx;
    pcx.Assign(Bitmap(3, 3, PixelFormat::Rgb24));
    MemoryStream stream(f.Bytes());
    EXPECT_THROW(pcx.LoadFromStream(stream), Exception);
    EXPECT_EQ(pcx.GetPixelFormat(), PixelFormat::Device);
}

TEST_F(PcxRead, SavingIsRefusedAndCreatesNoFile)
{
    TPCXGraphic pcx = Load(MakeFile(8, 3, 4, 2));
    MemoryStream out;
    EXPECT_THROW(pcx.SaveToStream(out), Exception);
    test::TempDir dir;
    EXPECT_THROW(pcx.SaveToFile(dir.File("x.pcx")), Exception);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.pcx")));
}

} // namespace
} // namespace pelmora
