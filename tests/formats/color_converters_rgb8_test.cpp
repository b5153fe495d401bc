// The 8-bit RGB converters take a fast path on most processors: held here
// against the plain per-pixel order for every length around its step sizes,
// in place and between buffers.
#include "formats/ColorConverters.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace pelmora;

namespace {

std::vector<uint8_t> Random(size_t n, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = uint8_t(random());
    return v;
}

} // namespace

TEST(ColorConvertersRgb8, InterleavedMatchesThePixelOrderInPlaceAndNot)
{
    // Steps of 64 and 16 pixels, with every tail after two of the larger.
    for (size_t pixels = 0; pixels < 200; ++pixels) {
        std::vector<uint8_t> rgb = Random(pixels * 3 + 16, uint32_t(pixels));
        std::vector<uint8_t> want = rgb;
        for (size_t i = 0; i < pixels; ++i)
            std::swap(want[i * 3], want[i * 3 + 2]);

        std::vector<uint8_t> target(rgb.size(), 0xAB);
        const void* source = rgb.data();
        RGBToBGR(&source, target.data(), 8, pixels * 3);
        for (size_t i = 0; i < target.size(); ++i)
            ASSERT_EQ(target[i], i < pixels * 3 ? want[i] : 0xAB) << pixels << " pixels, byte " << i;

        std::vector<uint8_t> inPlace = rgb;
        source = inPlace.data();
        RGBToBGR(&source, inPlace.data(), 8, pixels * 3);
        ASSERT_EQ(inPlace, want) << pixels << " pixels in place";
    }
}

TEST(ColorConvertersRgb8, PlanarMatchesThePixelOrder)
{
    for (size_t pixels = 0; pixels < 70; ++pixels) {
        std::vector<uint8_t> red = Random(pixels, 1), green = Random(pixels, 2), blue = Random(pixels, 3);
        std::vector<uint8_t> target(pixels * 3 + 16, 0xAB);
        const void* planes[] = {red.data(), green.data(), blue.data()};
        RGBToBGRPlanar(planes, target.data(), 8, pixels * 3);
        for (size_t i = 0; i < pixels; ++i) {
            ASSERT_EQ(target[i * 3], blue[i]) << pixels;
            ASSERT_EQ(target[i * 3 + 1], green[i]) << pixels;
            ASSERT_EQ(target[i * 3 + 2], red[i]) << pixels;
        }
        for (size_t i = pixels * 3; i < target.size(); ++i)
            ASSERT_EQ(target[i], 0xAB) << pixels << " pixels: nothing written past the row";
    }
}

TEST(ColorConvertersRgb8, InPlaceMatchesThePixelOrderAtEveryAlignment)
{
    // A row in place may start anywhere in a cache line; the fast path first
    // steps a few pixels to the line's boundary, which must neither skip nor
    // repeat a pixel, nor touch a byte outside the row.
    for (size_t pixels : {size_t(128), size_t(150), size_t(257)}) {
        for (size_t offset = 0; offset < 64; ++offset) {
            std::vector<uint8_t> buffer = Random(pixels * 3 + 192, uint32_t(pixels + offset));
            uint8_t* line = buffer.data() + (64 - reinterpret_cast<uintptr_t>(buffer.data()) % 64) % 64;
            uint8_t* row = line + offset;
            std::vector<uint8_t> want = buffer;
            uint8_t* wantRow = want.data() + (row - buffer.data());
            for (size_t i = 0; i < pixels; ++i)
                std::swap(wantRow[i * 3], wantRow[i * 3 + 2]);
            const void* source = row;
            RGBToBGR(&source, row, 8, pixels * 3);
            ASSERT_EQ(buffer, want) << pixels << " pixels at offset " << offset;
        }
    }
}
