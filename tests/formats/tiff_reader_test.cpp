// The TIFF reader on files built byte by byte: byte orders, compressions,
// strips, the pixel formats and palettes, planes, YCbCr, and each failure.
#include "formats/ColorConverters.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/readers/TIFFGraphic.h"
#include "tests/support/ByteWriter.h"
#include "tests/support/LzwEncoder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TiffWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

using namespace pelmora;
using pelmora::test::Samples16;
using pelmora::test::TiffWriter;

namespace {

using Bytes = std::vector<uint8_t>;

// The pixel bytes of each row, without the padding at its end.
std::vector<Bytes> Rows(const Bitmap& b)
{
    const auto bytes = size_t(RowBytes(b.Width(), BitsPerPixel(StorageFormat(b.GetPixelFormat())), 1));
    std::vector<Bytes> rows;
    for (int y = 0; y < b.Height(); ++y)
        rows.emplace_back(b.ScanLine(y), b.ScanLine(y) + bytes);
    return rows;
}

// Reads the file from memory, whose bytes the reader may use in place, and
// from a file on disk, which it reads into its own memory: both must give
// the same picture.
TTIFFGraphic Load(const Bytes& file)
{
    MemoryStream stream {std::span<const uint8_t>(file)};
    TTIFFGraphic tiff;
    tiff.LoadFromStream(stream);

    test::TempDir dir;
    test::WriteFile(dir.File("picture.tif"), file);
    FileStream onDisk(dir.File("picture.tif"), FileStream::Mode::Read);
    TTIFFGraphic fromDisk;
    fromDisk.LoadFromStream(onDisk);
    EXPECT_EQ(fromDisk.GetPixelFormat(), tiff.GetPixelFormat());
    EXPECT_EQ(Rows(fromDisk), Rows(tiff)) << "read from a file";
    return tiff;
}

std::string LoadError(const Bytes& file)
{
    try {
        Load(file);
    } catch (const Exception& e) {
        return e.what();
    }
    return "(loaded)";
}

Bytes RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes b(n);
    for (auto& v : b)
        v = uint8_t(random() % 5 == 0 ? 200 : random());
    return b;
}

TiffWriter RgbFile(int width, int height, uint32_t seed = 1)
{
    TiffWriter w;
    w.width = width;
    w.height = height;
    w.samplesPerPixel = 3;
    w.photometric = 2;
    w.data = RandomBytes(size_t(width * height * 3), seed);
    return w;
}

// The bitmap's rows as red, green, blue bytes of `channels` a pixel from the file's order.
void ExpectRgbRows(const Bitmap& b, const Bytes& rgb, int samples = 3)
{
    ASSERT_EQ(b.GetPixelFormat(), samples == 4 ? PixelFormat::Rgb32 : PixelFormat::Rgb24);
    int bytes = samples == 4 ? 4 : 3;
    for (int y = 0; y < b.Height(); ++y) {
        const uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x) {
            const uint8_t* s = &rgb[size_t((y * b.Width() + x) * samples)];
            const uint8_t* p = row + x * bytes;
            ASSERT_EQ(p[2], s[0]) << x << "," << y;
            ASSERT_EQ(p[1], s[1]) << x << "," << y;
            ASSERT_EQ(p[0], s[2]) << x << "," << y;
            if (samples == 4) {
                ASSERT_EQ(p[3], s[3]) << x << "," << y;
            }
        }
    }
}

TEST(TIFFReader, RgbInEveryByteOrderCompressionAndStripLayout)
{
    for (bool big : {false, true}) {
        for (int compression : {1, 5, 32773}) {
            for (int rows : {0, 1, 3}) {
                for (bool predictor : {false, true}) {
                    SCOPED_TRACE(testing::Message() << "big " << big << ", compression " << compression << ", rows "
                                                    << rows << ", predictor " << predictor);
                    TiffWriter w = RgbFile(13, 7);
                    w.bigEndian = big;
                    w.compression = compression;
                    w.rowsPerStrip = rows;
                    w.predictor = predictor;
                    TTIFFGraphic tiff = Load(w.Build());
                    ASSERT_EQ(tiff.Width(), 13);
                    ASSERT_EQ(tiff.Height(), 7);
                    ExpectRgbRows(tiff, w.data);
                }
            }
        }
    }
}

// Loads the file one byte into a buffer, so that samples read in place are unaligned.
TTIFFGraphic LoadAtOddAddress(const Bytes& tiff)
{
    Bytes file(1, 0);
    file.insert(file.end(), tiff.begin(), tiff.end());
    MemoryStream stream {std::span<const uint8_t>(file)};
    stream.SetPosition(1);
    TTIFFGraphic g;
    g.LoadFromStream(stream);
    return g;
}

TEST(TIFFReader, SixteenBitSamplesKeepTheirHighByteInBothOrders)
{
    std::vector<uint16_t> rgb, grey, greyAlpha;
    for (int i = 0; i < 5 * 3 * 3; ++i)
        rgb.push_back(uint16_t(i * 1400 + 0x00FF));
    for (int i = 0; i < 5 * 3; ++i) {
        grey.push_back(uint16_t(i * 4000 + 0x7F));
        greyAlpha.insert(greyAlpha.end(), {grey.back(), uint16_t(0xFFFF - i)});
    }
    auto expectGrey = [&](const TTIFFGraphic& g) {
        ASSERT_EQ(g.GetPixelFormat(), PixelFormat::Indexed8);
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(g.ScanLine(i / 5)[i % 5], grey[size_t(i)] >> 8);
        EXPECT_EQ(g.PaletteColor(255), (PaletteEntry {255, 255, 255, 0}));
    };
    // Uncompressed little-endian samples are converted from the input's own bytes.
    for (bool big : {false, true})
        for (int compression : {1, 5})
            for (bool predictor : {false, true}) {
                if (compression == 1 && predictor)
                    continue;
                SCOPED_TRACE(testing::Message()
                    << "big " << big << ", compression " << compression << ", predictor " << predictor);
                TiffWriter w;
                w.bigEndian = big;
                w.width = 5;
                w.height = 3;
                w.bitsPerSample = 16;
                w.samplesPerPixel = 3;
                w.photometric = 2;
                w.compression = compression;
                w.predictor = predictor;
                w.data = Samples16(rgb);
                Bytes high;
                for (uint16_t v : rgb)
                    high.push_back(uint8_t(v >> 8));
                ExpectRgbRows(Load(w.Build()), high);
                ExpectRgbRows(LoadAtOddAddress(w.Build()), high);

                w.samplesPerPixel = 1;
                w.photometric = 1;
                w.data = Samples16(grey);
                expectGrey(Load(w.Build()));
                expectGrey(LoadAtOddAddress(w.Build()));

                // An alpha sample beside the grey is left out.
                w.samplesPerPixel = 2;
                w.SetTag(338, test::kTiffShort, {2});
                w.data = Samples16(greyAlpha);
                expectGrey(Load(w.Build()));
                expectGrey(LoadAtOddAddress(w.Build()));
            }
}

struct OneSampleCase {
    const char* name;
    int bits;
    int photometric;
    Bytes row; // one stored row of 8 pixels
    PixelFormat format;
    std::vector<uint8_t> grey; // expected grey level of each pixel
};

TEST(TIFFReader, OneSampleFormatsAndGreyPalettes)
{
    const std::vector<OneSampleCase> cases = {
        {"1-bit WhiteIsZero shows 0 as white", 1, 0, {0b10100000}, PixelFormat::Indexed1,
            {0, 255, 0, 255, 255, 255, 255, 255}},
        {"1-bit BlackIsZero", 1, 1, {0b10100000}, PixelFormat::Indexed1, {255, 0, 255, 0, 0, 0, 0, 0}},
        {"2-bit grey widened to 4-bit indices", 2, 1, {0b00011011, 0b11100100}, PixelFormat::Indexed4,
            {0, 85, 170, 255, 255, 170, 85, 0}},
        {"4-bit BlackIsZero reaches white", 4, 1, {0x0F, 0x18, 0x7F, 0x80}, PixelFormat::Indexed4,
            {0, 255, 17, 136, 119, 255, 136, 0}},
        {"4-bit WhiteIsZero", 4, 0, {0x0F, 0x00, 0x00, 0x00}, PixelFormat::Indexed4,
            {255, 0, 255, 255, 255, 255, 255, 255}},
        {"8-bit BlackIsZero", 8, 1, {0, 1, 2, 100, 128, 200, 254, 255}, PixelFormat::Indexed8,
            {0, 1, 2, 100, 128, 200, 254, 255}},
        {"8-bit WhiteIsZero", 8, 0, {0, 1, 2, 100, 128, 200, 254, 255}, PixelFormat::Indexed8,
            {255, 254, 253, 155, 127, 55, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TiffWriter w;
        w.width = 8;
        w.height = 2;
        w.bitsPerSample = c.bits;
        w.photometric = c.photometric;
        w.data = c.row;
        w.data.insert(w.data.end(), c.row.begin(), c.row.end());
        TTIFFGraphic g = Load(w.Build());
        ASSERT_EQ(g.GetPixelFormat(), c.format);
        test::RgbaImage rgba = test::ToRgba(g);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_EQ(rgba.pixels[size_t((y * 8 + x) * 4)], c.grey[size_t(x)]) << x;
    }
}

TEST(TIFFReader, ColourMapsOfOneToEightBits)
{
    for (int bits : {1, 2, 4, 8})
        for (bool eightBitMap : {false, true})
            for (bool big : {false, true}) {
                SCOPED_TRACE(testing::Message() << bits << " bits, 8-bit map " << eightBitMap << ", big " << big);
                const int count = 1 << bits;
                std::vector<uint32_t> map(size_t(count * 3));
                for (int i = 0; i < count * 3; ++i) {
                    uint32_t level = uint32_t(i * 37 + 11) % 256;
                    map[size_t(i)] = eightBitMap ? level : level * 257;
                }
                TiffWriter w;
                w.bigEndian = big;
                w.width = 8;
                w.height = 1;
                w.bitsPerSample = bits;
                w.photometric = 3;
                w.SetTag(320, test::kTiffShort, map);
                // Pixel x has index x mod count, packed most significant bit first.
                w.data.assign(size_t(bits), 0);
                for (int x = 0; x < 8; ++x) {
                    int bit = x * bits;
                    w.data[size_t(bit / 8)] |= uint8_t((x % count) << (8 - bits - bit % 8));
                }
                test::RgbaImage rgba = test::ToRgba(Load(w.Build()));
                for (int x = 0; x < 8; ++x) {
                    int i = x % count;
                    const uint8_t* p = &rgba.pixels[size_t(x * 4)];
                    EXPECT_EQ(p[0], uint8_t(map[size_t(i)] >> (eightBitMap ? 0 : 8))) << x;
                    EXPECT_EQ(p[1], uint8_t(map[size_t(count + i)] >> (eightBitMap ? 0 : 8))) << x;
                    EXPECT_EQ(p[2], uint8_t(map[size_t(2 * count + i)] >> (eightBitMap ? 0 : 8))) << x;
                }
            }
}

TEST(TIFFReader, AlphaExtraSamplesAndCmyk)
{
    // RGB with an unassociated alpha sample, and four samples without ExtraSamples.
    for (bool extraTag : {true, false}) {
        TiffWriter w = RgbFile(6, 4);
        w.samplesPerPixel = 4;
        w.data = RandomBytes(6 * 4 * 4, 3);
        if (extraTag)
            w.SetTag(338, test::kTiffShort, {2});
        ExpectRgbRows(Load(w.Build()), w.data, 4);
    }
    // Grey with alpha shows the grey.
    TiffWriter ga;
    ga.width = 3;
    ga.height = 1;
    ga.samplesPerPixel = 2;
    ga.SetTag(338, test::kTiffShort, {1});
    ga.data = {10, 255, 20, 0, 30, 128};
    TTIFFGraphic g = Load(ga.Build());
    ASSERT_EQ(g.GetPixelFormat(), PixelFormat::Indexed8);
    EXPECT_EQ((Bytes {g.ScanLine(0), g.ScanLine(0) + 3}), (Bytes {10, 20, 30}));

    TiffWriter cmyk;
    cmyk.width = 3;
    cmyk.height = 1;
    cmyk.samplesPerPixel = 4;
    cmyk.photometric = 5;
    cmyk.data = {0, 0, 0, 0, 255, 255, 255, 255, 255, 0, 128, 0};
    TTIFFGraphic c = Load(cmyk.Build());
    ASSERT_EQ(c.GetPixelFormat(), PixelFormat::Rgb24);
    uint8_t rgb[3];
    CMYKToRGB(255, 0, 128, 0, false, rgb);
    EXPECT_EQ((Bytes {c.ScanLine(0), c.ScanLine(0) + 9}), (Bytes {255, 255, 255, 0, 0, 0, rgb[2], rgb[1], rgb[0]}));
}

TEST(TIFFReader, CieLab)
{
    TiffWriter w;
    w.width = 3;
    w.height = 1;
    w.samplesPerPixel = 3;
    w.photometric = 8;
    w.data = {0, 0, 0, 255, 0, 0, 150, 20, 0xEC};
    TTIFFGraphic g = Load(w.Build());
    ASSERT_EQ(g.GetPixelFormat(), PixelFormat::Rgb24);
    uint8_t white[3], colour[3];
    CIELabToRGB(255, 0, 0, white);
    CIELabToRGB(150, 20, -20, colour);
    EXPECT_EQ((Bytes {g.ScanLine(0), g.ScanLine(0) + 9}),
        (Bytes {0, 0, 0, white[2], white[1], white[0], colour[2], colour[1], colour[0]}));
}

// Planes one after the other, several strips each, in both byte orders.
TEST(TIFFReader, OnePlaneASample)
{
    for (bool big : {false, true})
        for (int compression : {1, 5})
            for (int samples : {3, 4}) {
                SCOPED_TRACE(
                    testing::Message() << "big " << big << ", compression " << compression << ", samples " << samples);
                const int width = 9, height = 5;
                Bytes pixels = RandomBytes(size_t(width * height * samples), 5);
                TiffWriter w = RgbFile(width, height);
                w.bigEndian = big;
                w.compression = compression;
                w.samplesPerPixel = samples;
                w.planar = true;
                w.rowsPerStrip = 2;
                w.predictor = compression == 5;
                w.data.clear();
                for (int s = 0; s < samples; ++s)
                    for (int i = 0; i < width * height; ++i)
                        w.data.push_back(pixels[size_t(i * samples + s)]);
                ExpectRgbRows(Load(w.Build()), pixels, samples);

                w.photometric = 5;
                if (samples == 4) {
                    TTIFFGraphic c = Load(w.Build());
                    ASSERT_EQ(c.GetPixelFormat(), PixelFormat::Rgb24);
                    const uint8_t* p = &pixels[size_t((width + 2) * 4)];
                    uint8_t rgb[3];
                    CMYKToRGB(p[0], p[1], p[2], p[3], false, rgb);
                    EXPECT_EQ((Bytes {c.ScanLine(1) + 6, c.ScanLine(1) + 9}), (Bytes {rgb[2], rgb[1], rgb[0]}));
                }
            }
}

// ITU-R BT.601 with full-range luma and chroma centred on 128.
void YCbCrToBgr(int y, int cb, int cr, uint8_t* bgr)
{
    auto clamp = [](double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
    bgr[2] = clamp(y + 1.402 * (cr - 128));
    bgr[1] = clamp(y - 0.344136 * (cb - 128) - 0.714136 * (cr - 128));
    bgr[0] = clamp(y + 1.772 * (cb - 128));
}

TEST(TIFFReader, YCbCrWithSubsampling)
{
    struct Case {
        int sx, sy;
        bool tag; // without the tag, 2 x 2 applies
    };
    for (Case c : {Case {1, 1, true}, Case {2, 1, true}, Case {2, 2, true}, Case {2, 2, false}}) {
        SCOPED_TRACE(testing::Message() << c.sx << "x" << c.sy << (c.tag ? "" : " by default"));
        const int width = 5, height = 3; // neither a multiple of the block size
        const int blocksX = (width + c.sx - 1) / c.sx, blocksY = (height + c.sy - 1) / c.sy;
        TiffWriter w;
        w.width = width;
        w.height = height;
        w.samplesPerPixel = 3;
        w.photometric = 6;
        w.compression = 5;
        w.unitRows = c.sy;
        w.unitBytes = size_t(blocksX * (c.sx * c.sy + 2));
        if (c.tag)
            w.SetTag(530, test::kTiffShort, {uint32_t(c.sx), uint32_t(c.sy)});
        w.data = RandomBytes(w.unitBytes * size_t(blocksY), 8);
        TTIFFGraphic g = Load(w.Build());
        ASSERT_EQ(g.GetPixelFormat(), PixelFormat::Rgb24);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* block = &w.data[w.unitBytes * size_t(y / c.sy) + size_t((x / c.sx) * (c.sx * c.sy + 2))];
                uint8_t bgr[3];
                YCbCrToBgr(block[(y % c.sy) * c.sx + x % c.sx], block[c.sx * c.sy], block[c.sx * c.sy + 1], bgr);
                const uint8_t* p = g.ScanLine(y) + x * 3;
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(p[k], bgr[k], 1) << x << "," << y << " channel " << k;
            }
    }
}

TEST(TIFFReader, StripTablesAndRowsPerStrip)
{
    // Two strips with SHORT tables, stored in the entries themselves.
    TiffWriter shortTables = RgbFile(4, 6);
    shortTables.rowsPerStrip = 3;
    shortTables.stripTableType = test::kTiffShort;
    ExpectRgbRows(Load(shortTables.Build()), shortTables.data);
    shortTables.bigEndian = true;
    ExpectRgbRows(Load(shortTables.Build()), shortTables.data);

    // One strip with a wrong RowsPerStrip still fills the whole height.
    TiffWriter wrongRows = RgbFile(4, 6);
    wrongRows.SetTag(278, test::kTiffShort, {2});
    ExpectRgbRows(Load(wrongRows.Build()), wrongRows.data);

    // Several strips without RowsPerStrip: the first holds every row.
    TiffWriter noRows = RgbFile(4, 6);
    noRows.RemoveTag(278);
    TiffWriter twoStrips = noRows;
    twoStrips.SetTag(273, test::kTiffLong, {8, 8});
    twoStrips.SetTag(279, test::kTiffLong, {72, 72});
    ExpectRgbRows(Load(twoStrips.Build()), noRows.data);
}

TEST(TIFFReader, ByteCountsPastTheEndDecodeWhatIsThere)
{
    for (int compression : {1, 5, 32773}) {
        SCOPED_TRACE(compression);
        TiffWriter w = RgbFile(4, 6);
        w.compression = compression;
        w.rowsPerStrip = 2;
        w.SetTag(279, test::kTiffLong, {100000, 100000, 100000});
        ExpectRgbRows(Load(w.Build()), w.data);
    }
}

TEST(TIFFReader, MissingRowsStayBlank)
{
    TiffWriter w = RgbFile(4, 6);
    w.rowsPerStrip = 2;
    // Only the first of the three strips is there; the others point past the end.
    w.SetTag(273, test::kTiffLong, {8, 1000000, 1000000});
    TTIFFGraphic g = Load(w.Build());
    Bytes top(w.data.begin(), w.data.begin() + 4 * 2 * 3);
    top.resize(w.data.size(), 0);
    test::RgbaImage rgba = test::ToRgba(g);
    for (int i = 0; i < 4 * 6; ++i) {
        EXPECT_EQ(rgba.pixels[size_t(i * 4)], top[size_t(i * 3)]) << i;
        EXPECT_EQ(rgba.pixels[size_t(i * 4 + 2)], top[size_t(i * 3 + 2)]) << i;
    }
}

TEST(TIFFReader, AHugePictureMustHaveTheStripsToFillIt)
{
    for (int compression : {1, 5, 32773}) {
        SCOPED_TRACE(compression);
        TiffWriter w = RgbFile(4, 4);
        w.compression = compression;
        w.SetTag(256, test::kTiffLong, {16000});
        w.SetTag(257, test::kTiffLong, {16000});
        EXPECT_EQ(LoadError(w.Build()), "Stream read error");
    }
    // A flat picture packs as tightly as LZW does and still loads.
    TiffWriter flat;
    flat.width = flat.height = 1000;
    flat.compression = 5;
    flat.data.assign(size_t(1000) * 1000, 7);
    const Bytes file = flat.Build();
    ASSERT_LT(file.size() * 100, flat.data.size());
    EXPECT_EQ(Load(file).ScanLine(999)[999], 7);
}

// A large strip is decoded a few rows at a time: packets that run on from
// one row, and from one such piece, into the next, with the rows converted
// in place (RGB) and from a buffer (RGBA).
TEST(TIFFReader, PackBitsPacketsAcrossRowsAndPieces)
{
    for (int samples : {3, 4}) {
        SCOPED_TRACE(samples);
        const int width = 3000, height = 8;
        const size_t row = size_t(width * samples);
        TiffWriter w = RgbFile(width, height);
        w.samplesPerPixel = samples;
        // No two neighbours alike: literals of 128 bytes, which pack smaller
        // than the strip's size with the runs over each row end (and so over
        // the ends of the pieces).
        w.data.resize(row * height);
        for (size_t i = 0; i < w.data.size(); ++i)
            w.data[i] = uint8_t(i * 7 % 251);
        for (int y = 1; y < height; ++y)
            std::fill_n(w.data.begin() + long(row * size_t(y) - 200), 300, uint8_t(y));
        Bytes pixels = w.data;
        // One packed stream for the whole strip, stored as it is.
        w.data = test::EncodePackBits(pixels, pixels.size());
        w.SetTag(259, test::kTiffShort, {32773});
        w.SetTag(279, test::kTiffLong, {uint32_t(w.data.size())});
        ExpectRgbRows(Load(w.Build()), pixels, samples);
    }
}

// The bitmap's block is reused for a picture of the same size: rows the
// second file does not reach must not show the first picture.
TEST(TIFFReader, RowsNotReachedAreBlankInABitmapReadBefore)
{
    for (int compression : {1, 5, 32773}) {
        SCOPED_TRACE(compression);
        TiffWriter first = RgbFile(4, 6, 2);
        first.compression = compression;
        TiffWriter second = RgbFile(4, 6);
        second.compression = compression;
        second.rowsPerStrip = 2;
        second.SetTag(273, test::kTiffLong, {8, 1000000, 1000000});
        TTIFFGraphic tiff;
        for (const TiffWriter* w : {&first, &second}) {
            Bytes file = w->Build();
            MemoryStream stream {std::span<const uint8_t>(file)};
            tiff.LoadFromStream(stream);
        }
        Bytes expected(second.data.begin(), second.data.begin() + 4 * 2 * 3);
        expected.resize(second.data.size(), 0);
        ExpectRgbRows(tiff, expected);
    }
}

// A strip whose data ends inside a row: the rows before it are read, that
// row and the rest of the strip stay blank, and the next strip reads again.
TEST(TIFFReader, AStripCutInsideARowKeepsItsWholeRows)
{
    for (int compression : {1, 32773}) {
        SCOPED_TRACE(compression);
        TiffWriter w = RgbFile(4, 6);
        w.compression = compression;
        w.rowsPerStrip = 3;
        Bytes file = w.Build();
        const size_t row = 4 * 3;
        if (compression == 1) {
            // The first strip starts 1.5 rows before the end of the file.
            w.SetTag(273, test::kTiffLong, {uint32_t(file.size() - row - row / 2), uint32_t(8 + 3 * row)});
        } else {
            // Random bytes pack as literals: the first row and half the second.
            size_t packed = test::EncodePackBits(Bytes(w.data.begin(), w.data.begin() + long(row)), row).size();
            w.SetTag(279, test::kTiffLong, {uint32_t(packed + row / 2), 1000});
        }
        file = w.Build();
        Bytes expected(w.data);
        if (compression == 1)
            std::copy_n(file.end() - long(row + row / 2), row, expected.begin());
        std::fill_n(expected.begin() + long(row), 2 * row, uint8_t(0));
        ExpectRgbRows(Load(file), expected);
    }
}

TEST(TIFFReader, DefaultsAndOddFiles)
{
    // No Compression entry: uncompressed.
    TiffWriter noCompression = RgbFile(3, 2);
    noCompression.RemoveTag(259);
    ExpectRgbRows(Load(noCompression.Build()), noCompression.data);

    // Intel order whatever the first two bytes say, as long as they are not "MM".
    Bytes odd = RgbFile(3, 2).Build();
    odd[0] = 'X';
    odd[1] = 'Y';
    ExpectRgbRows(Load(odd), RgbFile(3, 2).data);

    // One pixel wide with the predictor: nothing to undo.
    TiffWriter narrow;
    narrow.width = 1;
    narrow.height = 3;
    narrow.data = {9, 8, 7};
    narrow.SetTag(317, test::kTiffShort, {2});
    TTIFFGraphic n = Load(narrow.Build());
    EXPECT_EQ((Bytes {n.ScanLine(0)[0], n.ScanLine(1)[0], n.ScanLine(2)[0]}), (Bytes {9, 8, 7}));

    // Tags out of order are still found.
    Bytes file = RgbFile(3, 2).Build();
    size_t directory = size_t(file[4] | file[5] << 8);
    std::swap_ranges(
        file.begin() + long(directory + 2), file.begin() + long(directory + 14), file.begin() + long(directory + 14));
    ExpectRgbRows(Load(file), RgbFile(3, 2).data);
}

TEST(TIFFReader, EmbeddedInALargerStream)
{
    TiffWriter w = RgbFile(5, 4);
    w.compression = 5;
    Bytes file(100, 0xAB);
    Bytes tiff = w.Build();
    file.insert(file.end(), tiff.begin(), tiff.end());
    MemoryStream stream {std::span<const uint8_t>(file)};
    stream.SetPosition(100);
    TTIFFGraphic g;
    g.LoadFromStream(stream);
    ExpectRgbRows(g, w.data);
}

TEST(TIFFReader, Failures)
{
    auto with = [](auto change) {
        TiffWriter w = RgbFile(3, 2);
        change(w);
        return w.Build();
    };
    Bytes good = RgbFile(3, 2).Build();
    Bytes badMagic = good;
    badMagic[2] = 43;
    Bytes header(good.begin(), good.begin() + 5);
    Bytes directoryCut(good.begin(), good.end() - 20);
    Bytes pastEnd = good;
    pastEnd[4] = 0xF0; // directory offset beyond the file
    Bytes lzwBad = with([](TiffWriter& w) { w.compression = 5; });
    // A clear code, then code 300 where only a root may come.
    lzwBad[8] = 0x80;
    lzwBad[9] = 0x4B;
    lzwBad[10] = 0x00;

    struct Case {
        const char* name;
        Bytes file;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"magic 43", badMagic, "Invalid TIFF file."},
        {"width 0", with([](TiffWriter& w) { w.SetTag(256, test::kTiffShort, {0}); }), "Invalid TIFF file."},
        {"no height", with([](TiffWriter& w) { w.RemoveTag(257); }), "Invalid TIFF file."},
        {"no strip offsets", with([](TiffWriter& w) { w.RemoveTag(273); }), "Invalid TIFF file."},
        {"bits beyond any format", with([](TiffWriter& w) { w.bitsPerSample = 128; }), "Invalid TIFF file."},
        // Three samples of this size wrap to 2 bits in 32-bit arithmetic.
        {"bits times samples past 32 bits",
            with([](TiffWriter& w) {
                w.samplesPerPixel = 3;
                w.SetTag(258, test::kTiffLong, {0x55555556, 0x55555556, 0x55555556});
            }),
            "Invalid TIFF file."},
        {"too large", with([](TiffWriter& w) { w.SetTag(256, test::kTiffLong, {70000}); }),
            "Image dimensions too large."},
        {"JPEG compression", with([](TiffWriter& w) { w.SetTag(259, test::kTiffShort, {7}); }),
            "TIFF: Unknown compression scheme"},
        {"an LZW code above the next free code", lzwBad, "TIF LZW: invalid opcode."},
        {"header cut short", header, "Stream read error"},
        {"directory cut short", directoryCut, "Stream read error"},
        {"directory past the end", pastEnd, "Stream read error"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadError(c.file), c.message) << c.name;
}

TEST(TIFFReader, TablesPastTheEndOfTheFile)
{
    auto file = [](unsigned tag, uint32_t count) {
        test::ByteWriter w;
        w.Text("II").U16(42).U32(8).U16(tag == 273 ? 4 : 5);
        auto entry
            = [&](unsigned t, unsigned type, uint32_t n, uint32_t value) { w.U16(t).U16(type).U32(n).U32(value); };
        entry(256, 3, 1, 2);
        entry(257, 3, 1, 2);
        entry(262, 3, 1, 3);
        if (tag != 273)
            entry(273, 4, 1, 8);
        entry(tag, tag == 320 ? 3 : 4, count, 5000);
        w.U32(0);
        return w.data;
    };
    EXPECT_EQ(LoadError(file(273, 2)), "Stream read error") << "strip offsets";
    EXPECT_EQ(LoadError(file(320, 6)), "Stream read error") << "colour map";
}

} // namespace
