// PNG colour chunks: an ICC profile wins, then sRGB, then gAMA with cHRM;
// and damage caught by the checksums refuses the file.
#include "formats/Bitmap.h"
#include "formats/ColorProfile.h"
#include "formats/PngFile.h"
#include "formats/Stream.h"
#include "formats/readers/PNGGraphic.h"
#include "tests/support/IccProfile.h"
#include "tests/support/LoadFromBytes.h"
#include "tests/support/PngChunks.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace pelmora {
namespace {

using test::Big32s;
using test::PngChunk;

// An iCCP chunk's body: name, method 0, the profile as stored deflate blocks.
std::vector<uint8_t> IccpBody(const std::vector<uint8_t>& profile)
{
    std::vector<uint8_t> out = {'p', '3', 0, 0};
    const std::vector<uint8_t> stored = test::StoredZlib(profile);
    out.insert(out.end(), stored.begin(), stored.end());
    return out;
}

// `picture` as a PNG file of its header and pixel data, with `extra` chunks after the header.
std::vector<uint8_t> PngWith(const Bitmap& picture, const std::vector<std::vector<uint8_t>>& extra)
{
    MemoryStream stream;
    SavePngToStream(picture, stream);
    const std::vector<uint8_t>& written = stream.Bytes();
    std::vector<uint8_t> out(written.begin(), written.begin() + 8);
    for (size_t at = 8; at + 12 <= written.size();) {
        const size_t length
            = size_t(written[at]) << 24 | written[at + 1] << 16 | written[at + 2] << 8 | written[at + 3];
        const std::string type(written.begin() + long(at) + 4, written.begin() + long(at) + 8);
        if (type == "IHDR" || type == "IDAT" || type == "IEND")
            out.insert(out.end(), written.begin() + long(at), written.begin() + long(at + 12 + length));
        if (type == "IHDR")
            for (const std::vector<uint8_t>& chunk : extra)
                out.insert(out.end(), chunk.begin(), chunk.end());
        at += 12 + length;
    }
    return out;
}

double SrgbEncode(double linear)
{
    return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

TEST(PngGamma, ChunksApplyAsBrowsersReadThem)
{
    const uint8_t values[][3]
        = {{0, 0, 0}, {20, 20, 20}, {64, 64, 64}, {128, 128, 128}, {200, 60, 30}, {255, 255, 255}};
    Bitmap picture(6, 1, PixelFormat::Rgb24);
    for (int x = 0; x < 6; ++x)
        for (int c = 0; c < 3; ++c)
            picture.ScanLine(0)[x * 3 + c] = values[x][2 - c];

    test::TempDir dir;
    test::WriteDisplayP3Profile(dir.File("p3.icc"));
    const std::vector<uint8_t> p3 = test::ReadFile(dir.File("p3.icc"));
    Bitmap viaP3;
    viaP3.Assign(picture);
    ConvertToSrgb(viaP3, p3);

    const auto gama = [](uint32_t g) { return PngChunk("gAMA", Big32s({g})); };
    const auto srgbPrimaries = PngChunk("cHRM", Big32s({31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000}));
    const auto p3Primaries = PngChunk("cHRM", Big32s({31270, 32900, 68000, 32000, 26500, 69000, 15000, 6000}));
    enum Expect { Same, Gamma, AsP3, Moves };
    struct Case {
        const char* what;
        std::vector<std::vector<uint8_t>> chunks;
        Expect expect;
        double gamma;
    } cases[] = {
        {"no colour chunks", {}, Same, 0},
        {"gAMA 1/2.2", {gama(45455)}, Same, 0},
        {"gAMA 1/2.2 within 5 %", {gama(46500)}, Same, 0},
        {"gAMA 1/2.2 and sRGB primaries", {gama(45455), srgbPrimaries}, Same, 0},
        {"linear gAMA", {gama(100000)}, Gamma, 1.0},
        {"gAMA 1/1.8", {gama(55556)}, Gamma, 0.55556},
        {"gAMA 1/2.2 over P3 primaries", {gama(45455), p3Primaries}, Moves, 0},
        {"sRGB chunk beside a linear gAMA", {PngChunk("sRGB", {0}), gama(100000)}, Same, 0},
        {"iCCP beside a linear gAMA", {PngChunk("iCCP", IccpBody(p3)), gama(100000)}, AsP3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TPNGGraphic png = test::LoadFromBytes<TPNGGraphic>(PngWith(picture, c.chunks));
        ASSERT_EQ(png.Width(), 6);
        int most = 0;
        for (int i = 0; i < 18; ++i) {
            const int got = png.ScanLine(0)[i], stored = picture.ScanLine(0)[i];
            most = std::max(most, std::abs(got - stored));
            const double expected = c.expect == Same ? stored
                : c.expect == AsP3                   ? viaP3.ScanLine(0)[i]
                : c.expect == Gamma                  ? 255 * SrgbEncode(std::pow(stored / 255.0, 1 / c.gamma))
                                                     : got;
            EXPECT_NEAR(got, expected, c.expect == Gamma ? 1.0 : 0.0) << i;
        }
        if (c.expect == Moves) {
            EXPECT_GT(most, 10);
        }
    }
}

// A flipped bit the deflate codes survive is caught by a checksum: the file
// is refused with the reader's message, never shown as if it were whole.
TEST(PngChecksums, DamageTheyCatchRefusesTheFile)
{
    Bitmap picture(5, 3, PixelFormat::Rgb24);
    const std::vector<uint8_t> whole = PngWith(picture, {});
    const auto idat = size_t(std::search(whole.begin(), whole.end(), "IDAT", "IDAT" + 4) - whole.begin());
    const size_t idatLength
        = size_t(whole[idat - 4]) << 24 | whole[idat - 3] << 16 | whole[idat - 2] << 8 | whole[idat - 1];
    struct Case {
        const char* what;
        size_t at;
    } cases[] = {
        {"the deflate stream's own checksum", idat + 4 + idatLength - 1},
        {"the picture data chunk's checksum", idat + 4 + idatLength},
        {"the header chunk's checksum", 8 + 8 + 13},
    };
    ASSERT_EQ(test::LoadError<TPNGGraphic>(whole), "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> damaged = whole;
        damaged.at(c.at) ^= 0x10;
        EXPECT_EQ(test::LoadError<TPNGGraphic>(damaged), "Invalid PNG file.");
    }
}

} // namespace
} // namespace pelmora
