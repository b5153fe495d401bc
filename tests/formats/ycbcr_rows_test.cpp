// YCbCr planes to RGB planes (AVIF pictures), held against the formulas in
// floating point.
#include "formats/YCbCrRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace pelmora;

namespace {

TEST(YCbCrRows, EveryMatrixAndRangeWithinALevelOfExactArithmetic)
{
    struct Case {
        int code;
        bool fullRange;
        double kr, kb;
        int shift;
    } cases[] = {
        {6, true, 0.299, 0.114, 0}, // 4:4:4, the vector path and its tail
        {2, true, 0.299, 0.114, 1}, // unspecified is BT.601; 4:2:0 widened
        {1, false, 0.2126, 0.0722, 1}, // BT.709 in limited range
        {9, true, 0.2627, 0.0593, 0}, // BT.2020
    };
    // 37 pixels: two vectors of 16 and a tail of five, each sample different.
    constexpr int kWidth = 37;
    std::vector<uint8_t> y(kWidth), cb(kWidth), cr(kWidth), r(kWidth), g(kWidth), b(kWidth);
    for (int i = 0; i < kWidth; ++i)
        y[i] = uint8_t(i * 7), cb[i] = uint8_t(255 - i * 6), cr[i] = uint8_t(i * 13 % 256);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        YCbCrMatrix m;
        ASSERT_TRUE(YCbCrMatrixFor(c.code, c.fullRange, m));
        YCbCrRowToRgb(m, y.data(), cb.data(), cr.data(), c.shift, kWidth, r.data(), g.data(), b.data());
        for (int i = 0; i < kWidth; ++i) {
            const int ci = i >> c.shift;
            const double luma = c.fullRange ? y[i] : (y[i] - 16) * 255.0 / 219;
            const double scale = c.fullRange ? 1 : 255.0 / 224;
            const double u = (cb[ci] - 128) * scale, v = (cr[ci] - 128) * scale;
            const double kg = 1 - c.kr - c.kb;
            auto level = [](double x) { return int(std::lround(std::clamp(x, 0.0, 255.0))); };
            EXPECT_NEAR(r[i], level(luma + 2 * (1 - c.kr) * v), 1) << i;
            EXPECT_NEAR(g[i], level(luma - (2 * c.kb * (1 - c.kb) * u + 2 * c.kr * (1 - c.kr) * v) / kg), 1) << i;
            EXPECT_NEAR(b[i], level(luma + 2 * (1 - c.kb) * u), 1) << i;
        }
    }
}

TEST(YCbCrRows, IdentityCopiesAndUnknownMatricesAreRefused)
{
    YCbCrMatrix m;
    ASSERT_TRUE(YCbCrMatrixFor(0, true, m));
    // A colour box may say identity over a 4:2:0 stream: its chroma rows
    // hold half the samples and are widened, never read past.
    const uint8_t y[] = {1, 2}, cb[] = {3, 4}, cr[] = {5, 6}, halfCb[] = {7}, halfCr[] = {8};
    struct Case {
        const uint8_t *cb, *cr;
        int shift;
        std::vector<int> rgb;
    } cases[] = {{cb, cr, 0, {5, 6, 1, 2, 3, 4}}, {halfCb, halfCr, 1, {8, 8, 1, 2, 7, 7}}};
    for (const Case& c : cases) {
        uint8_t r[2], g[2], b[2];
        YCbCrRowToRgb(m, y, c.cb, c.cr, c.shift, 2, r, g, b);
        EXPECT_EQ(std::vector<int>({r[0], r[1], g[0], g[1], b[0], b[1]}), c.rgb) << c.shift;
    }
    for (int code : {3, 8, 11, 12, 13, 14, 255})
        EXPECT_FALSE(YCbCrMatrixFor(code, true, m)) << code;
    EXPECT_FALSE(YCbCrMatrixFor(0, false, m));
}

} // namespace
