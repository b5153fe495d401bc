#include "formats/PixelRows.h"

#include <gtest/gtest.h>

#include <vector>

namespace pelmora {
namespace {

// Widths around the sixteen-pixel steps: the tail after the last whole step
// must be converted too, and nothing written past the row's last word.
TEST(Rgb24ToRgb32, EveryWidthConvertsEachPixelAndStopsAtTheRowEnd)
{
    for (size_t pixels : {0u, 1u, 5u, 15u, 16u, 17u, 31u, 32u, 33u, 100u}) {
        SCOPED_TRACE(pixels);
        std::vector<uint8_t> from(3 * pixels);
        for (size_t i = 0; i < from.size(); ++i)
            from[i] = uint8_t(i * 37 + 11);
        std::vector<uint8_t> to(4 * pixels + 8, 0xAB);
        Rgb24ToRgb32(from.data(), to.data(), pixels);
        for (size_t x = 0; x < pixels; ++x)
            ASSERT_EQ(std::vector<uint8_t>(to.begin() + 4 * x, to.begin() + 4 * x + 4),
                (std::vector<uint8_t> {from[3 * x], from[3 * x + 1], from[3 * x + 2], 0xFF}))
                << "pixel " << x;
        for (size_t i = 4 * pixels; i < to.size(); ++i)
            ASSERT_EQ(to[i], 0xAB) << "byte " << i << " past the row";
    }
}

} // namespace
} // namespace pelmora
