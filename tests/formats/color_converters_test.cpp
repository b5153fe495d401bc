// The shared colour converters and byte-order helpers.
#include "formats/ColorConverters.h"
#include "formats/ByteOrder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace pelmora;

namespace {

std::vector<int> Bytes(const uint8_t* p, size_t n)
{
    return std::vector<int>(p, p + n);
}

TEST(ByteOrder, SwapsInPlaceAndCountZeroDoesNothing)
{
    uint8_t words[] = {1, 2, 3, 4};
    SwapWords(words, 2);
    EXPECT_EQ(Bytes(words, 4), (std::vector<int> {2, 1, 4, 3}));
    SwapWords(words, 0);
    EXPECT_EQ(Bytes(words, 4), (std::vector<int> {2, 1, 4, 3}));
    uint8_t longs[] = {1, 2, 3, 4, 5, 6, 7, 8};
    SwapLongs(longs, 1);
    EXPECT_EQ(Bytes(longs, 8), (std::vector<int> {4, 3, 2, 1, 5, 6, 7, 8}));
    EXPECT_EQ(SwapLong(0x11223344u), 0x44332211u);
    uint16_t samples[] = {0x12FF, 0xFF00, 0x00FF};
    uint8_t reduced[3];
    Reduce16To8(samples, reduced, 3);
    EXPECT_EQ(Bytes(reduced, 3), (std::vector<int> {0x12, 0xFF, 0x00}));
}

TEST(ColorConverters, RgbAndRgbaInterleavedAndPlanarGiveBlueFirst)
{
    const uint8_t rgb[] = {10, 20, 30, 40, 50, 60};
    const void* one[] = {rgb};
    uint8_t out[8] = {};
    RGBToBGR(one, out, 8, 6);
    EXPECT_EQ(Bytes(out, 6), (std::vector<int> {30, 20, 10, 60, 50, 40}));

    const uint8_t r[] = {1, 2}, g[] = {3, 4}, b[] = {5, 6}, a[] = {7, 8};
    const void* planes[] = {r, g, b, a};
    RGBToBGRPlanar(planes, out, 8, 6);
    EXPECT_EQ(Bytes(out, 6), (std::vector<int> {5, 3, 1, 6, 4, 2}));
    RGBAToBGRAPlanar(planes, out, 8, 8);
    EXPECT_EQ(Bytes(out, 8), (std::vector<int> {5, 3, 1, 7, 6, 4, 2, 8}));

    const uint16_t wide[] = {0x1000, 0x2000, 0x3000, 0xFFFF};
    const void* w[] = {wide};
    RGBAToBGRA(w, out, 16, 4);
    EXPECT_EQ(Bytes(out, 4), (std::vector<int> {0x30, 0x20, 0x10, 0xFF}));
}

TEST(ColorConverters, OtherBitDepthsConvertNothing)
{
    const uint8_t rgb[] = {10, 20, 30};
    const void* one[] = {rgb};
    uint8_t out[3] = {7, 7, 7};
    for (int bits : {1, 4, 12, 32}) {
        RGBToBGR(one, out, bits, 3);
        CMYKToBGR(one, out, bits, 3);
        EXPECT_EQ(Bytes(out, 3), (std::vector<int> {7, 7, 7})) << bits;
    }
}

TEST(ColorConverters, CmykCornersAndMixes)
{
    struct Case {
        unsigned c, m, y, k;
        bool sixteen;
        std::vector<int> rgb;
    } cases[] = {
        {0, 0, 0, 0, false, {255, 255, 255}},
        {255, 255, 255, 255, false, {0, 0, 0}},
        {255, 0, 0, 0, false, {0, 255, 255}},
        {0, 0, 0, 128, false, {127, 127, 127}},
        {100, 0, 0, 100, false, {94, 155, 155}}, // 255-100-100+muldiv(100,100,255)=39+... rounded
        {0, 0, 0, 0, true, {255, 255, 255}},
        {65535, 65535, 65535, 65535, true, {0, 0, 0}},
        {0, 65535, 0, 0, true, {255, 0, 255}},
    };
    for (const Case& c : cases) {
        uint8_t rgb[3];
        CMYKToRGB(c.c, c.m, c.y, c.k, c.sixteen, rgb);
        EXPECT_EQ(Bytes(rgb, 3), c.rgb) << c.c << " " << c.m << " " << c.y << " " << c.k;
    }
}

TEST(ColorConverters, LabBlackWhiteAndTheLowLightnessBranch)
{
    uint8_t rgb[3];
    CIELabToRGB(0, 0, 0, rgb);
    EXPECT_EQ(Bytes(rgb, 3), (std::vector<int> {0, 0, 0}));
    // L 255 with a = b = 0: X = Y = Z = 1 through the matrix.
    CIELabToRGB(255, 0, 0, rgb);
    EXPECT_EQ(Bytes(rgb, 3), (std::vector<int> {255, 255, 255}));
    // L sample 20 is L 7.84 < 7.9996: the linear branch.
    CIELabToRGB(20, 0, 0, rgb);
    double y = 20 / 2.55 / 903.3;
    EXPECT_EQ(rgb[1], int(std::nearbyint((-0.952 + 1.893 + 0.059) * y * 255)));

    // Planar a and b are stored with an offset of 128; interleaved ones are signed.
    const uint8_t interleaved[] = {200, uint8_t(int8_t(-40)), 30};
    const uint8_t l[] = {200}, a[] = {88}, b[] = {158};
    const void* one[] = {interleaved};
    const void* planes[] = {l, a, b};
    uint8_t x[3], p[3];
    CIELabToBGR(one, x, 8, 3);
    CIELabToBGRPlanar(planes, p, 8, 3);
    EXPECT_EQ(Bytes(x, 3), Bytes(p, 3));
    CIELabToRGB(200, -40, 30, rgb);
    EXPECT_EQ(Bytes(x, 3), (std::vector<int> {rgb[2], rgb[1], rgb[0]}));
}

} // namespace
