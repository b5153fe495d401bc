// PNG picture data as the reader takes them in: every row filter in every
// 8-bit layout, odd widths, IDAT chunks cut anywhere, and the damage that
// must refuse a file.
#include "formats/Exception.h"
#include "formats/readers/PNGGraphic.h"
#include "tests/support/LoadFromBytes.h"
#include "tests/support/PngChunks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::PngChunk;

struct Layout {
    const char* what;
    uint8_t colourType;
    int samples;
    bool icon; // read as an icon's entry, always with alpha
};

const Layout kGrey {"grey", 0, 1, false}, kRgb {"RGB", 2, 3, false}, kPalette {"palette", 3, 1, false},
    kRgba {"RGBA", 6, 4, false}, kIconRgb {"RGB in an icon", 2, 3, true};

std::vector<uint8_t> MadeUpSamples(int width, int height, int samples)
{
    std::vector<uint8_t> out(size_t(width) * height * samples);
    uint32_t seed = uint32_t(width * 7919 + samples);
    for (uint8_t& v : out)
        v = uint8_t((seed = seed * 1103515245 + 12345) >> 16);
    return out;
}

int Predict(int filter, int left, int up, int upLeft)
{
    const int p = left + up - upLeft, pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
    const int paeth = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
    const int predictions[] = {0, left, up, (left + up) / 2, paeth};
    return predictions[filter];
}

// Row y filtered with filter (y + first) % 5, each row led by its filter byte;
// `extraRows` more rows of zeros after the picture.
std::vector<uint8_t> Filtered(
    const std::vector<uint8_t>& samples, int width, int height, int bpp, int first, int extraRows = 0)
{
    const int rowBytes = width * bpp;
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        const int filter = (y + first) % 5;
        out.push_back(uint8_t(filter));
        for (int x = 0; x < rowBytes; ++x) {
            const auto at = [&](int row, int column) {
                return row < 0 || column < 0 ? 0 : samples[size_t(row) * rowBytes + column];
            };
            out.push_back(uint8_t(at(y, x) - Predict(filter, at(y, x - bpp), at(y - 1, x), at(y - 1, x - bpp))));
        }
    }
    out.insert(out.end(), size_t(extraRows) * (rowBytes + 1), 0);
    return out;
}

// A file of the zlib stream in IDAT chunks of the `cuts` sizes and the rest,
// then the `after` chunks (IEND by default).
std::vector<uint8_t> PngFile(const Layout& layout, int width, int height, const std::vector<uint8_t>& zlib,
    const std::vector<size_t>& cuts, const std::vector<std::vector<uint8_t>>& after = {PngChunk("IEND", {})})
{
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto append
        = [&out](const std::vector<uint8_t>& chunk) { out.insert(out.end(), chunk.begin(), chunk.end()); };
    std::vector<uint8_t> header = test::Big32s({uint32_t(width), uint32_t(height)});
    header.insert(header.end(), {8, layout.colourType, 0, 0, 0});
    append(PngChunk("IHDR", header));
    if (layout.colourType == 3) {
        std::vector<uint8_t> palette;
        for (int i = 0; i < 256; ++i)
            palette.insert(palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
        append(PngChunk("PLTE", palette));
    }
    size_t at = 0;
    for (size_t cut : cuts) {
        append(PngChunk("IDAT", {zlib.begin() + long(at), zlib.begin() + long(at + cut)}));
        at += cut;
    }
    append(PngChunk("IDAT", {zlib.begin() + long(at), zlib.end()}));
    for (const std::vector<uint8_t>& chunk : after)
        append(chunk);
    return out;
}

Bitmap Decode(const Layout& layout, const std::vector<uint8_t>& file)
{
    if (!layout.icon)
        return test::LoadFromBytes<TPNGGraphic>(file);
    Bitmap image;
    DecodePng(file, image, "Invalid PNG file.", true);
    return image;
}

// Whether the picture holds `samples` in the bitmap's order: red and blue
// swapped, an opaque alpha added to RGB read with alpha.
void ExpectPicture(
    const Bitmap& picture, const Layout& layout, int width, int height, const std::vector<uint8_t>& samples)
{
    ASSERT_EQ(picture.Width(), width);
    ASSERT_EQ(picture.Height(), height);
    const int out = layout.icon ? 4 : layout.samples;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < out; ++c) {
                const int from = c == 3 && layout.samples == 3 ? -1 : layout.samples >= 3 && c < 3 ? 2 - c : c;
                const int expected = from < 0 ? 255 : samples[(size_t(y) * width + x) * layout.samples + from];
                ASSERT_EQ(picture.ScanLine(y)[x * out + c], expected) << "x " << x << " y " << y << " c " << c;
            }
}

TEST(PngPictureData, EveryFilterInEveryLayoutAndWidth)
{
    const std::vector<size_t> splits[] = {{}, {1, 0, 7}};
    for (const Layout& layout : {kGrey, kRgb, kPalette, kRgba, kIconRgb})
        for (int width = 1; width <= 17; ++width)
            for (int first = 0; first < 5; ++first)
                for (const std::vector<size_t>& cuts : splits) {
                    SCOPED_TRACE(std::string(layout.what) + " width " + std::to_string(width) + " first filter "
                        + std::to_string(first) + " IDAT pieces " + std::to_string(cuts.size() + 1));
                    const int height = 6;
                    const std::vector<uint8_t> samples = MadeUpSamples(width, height, layout.samples);
                    const std::vector<uint8_t> zlib
                        = test::StoredZlib(Filtered(samples, width, height, layout.samples, first));
                    ExpectPicture(
                        Decode(layout, PngFile(layout, width, height, zlib, cuts)), layout, width, height, samples);
                }
}

TEST(PngPictureData, DamageRefusesTheFileAndLibpngsLenienceStays)
{
    const int width = 5, height = 4;
    const std::vector<uint8_t> samples = MadeUpSamples(width, height, 3);
    const std::vector<uint8_t> filtered = Filtered(samples, width, height, 3, 0);
    const std::vector<uint8_t> zlib = test::StoredZlib(filtered);
    const std::vector<size_t> cuts = {20, 9};
    const auto file
        = [&](const std::vector<uint8_t>& stream, std::vector<std::vector<uint8_t>> after = {PngChunk("IEND", {})}) {
              return PngFile(kRgb, width, height, stream, cuts, after);
          };
    std::vector<uint8_t> badCrc = file(zlib);
    badCrc[8 + 25 + 12 + 20 + 8 + 9] ^= 1; // the second IDAT's CRC
    std::vector<uint8_t> badAdler = zlib;
    badAdler.back() ^= 1;
    std::vector<uint8_t> badFilter = filtered;
    badFilter[2 * (width * 3 + 1)] = 5;
    const std::vector<uint8_t> whole = file(zlib);
    std::vector<uint8_t> padded = zlib;
    padded.resize(zlib.size() + 70000);
    std::vector<uint8_t> damagedText = PngChunk("tEXt", {'a', 0, 'b'});
    damagedText.back() ^= 1;

    const char* const kInvalid = "Invalid PNG file.";
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        const char* error; // "" when the picture comes out whole
    } cases[] = {
        {"a bad CRC in the second IDAT", badCrc, kInvalid},
        {"a bad Adler-32", file(badAdler), kInvalid},
        {"the stream cut short", file({zlib.begin(), zlib.end() - 9}), kInvalid},
        {"a stream a row short", file(test::StoredZlib({filtered.begin(), filtered.end() - (width * 3 + 1)})),
            kInvalid},
        {"a filter type of 5", file(test::StoredZlib(badFilter)), kInvalid},
        {"the file cut in the picture data", {whole.begin(), whole.begin() + 8 + 25 + 12 + 10}, kInvalid},
        {"the file cut before IEND", file(zlib, {}), kInvalid},
        {"an unknown critical chunk after the data", file(zlib, {PngChunk("CRIT", {}), PngChunk("IEND", {})}),
            kInvalid},
        {"a chunk claiming more than the file holds", file(zlib, {test::Big32s({0x7FFFFFF0, 0x74455874})}), kInvalid},
        {"a damaged text chunk after the data", file(zlib, {damagedText, PngChunk("IEND", {})}), ""},
        {"an empty IDAT after a text chunk",
            file(zlib, {PngChunk("tEXt", {'a', 0}), PngChunk("IDAT", {}), PngChunk("IEND", {})}), ""},
        {"a stream with rows past the picture", file(test::StoredZlib(Filtered(samples, width, height, 3, 0, 2))), ""},
        {"data past the stream, far more than the picture takes", file(padded), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(test::LoadError<TPNGGraphic>(c.file), c.error);
        if (*c.error == 0) {
            ExpectPicture(test::LoadFromBytes<TPNGGraphic>(c.file), kRgb, width, height, samples);
        }
    }
}

} // namespace
} // namespace pelmora
