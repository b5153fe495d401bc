#include "effects/FilterKinds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace pelmora {
namespace {

TEST(FilterKinds, CaptionsKeysAndValues)
{
    struct Case {
        const char* caption;
        const char* key;
        int position;
        double value;
    } cases[] = {
        { "Sharpen ..", "Sharpen", 25, 2.5 },
        { "Sharpen ..", "Sharpen", -4, -0.4 },
        { "  FishEye ..", "FishEye", 10, 1.0 },
        { "FishEye ..", "FishEye", 5, 0.6 },
        { "FishEye ..", "FishEye", 3, 0.4 },
        { "FishEye ..", "FishEye", 4, 0.4 },
        { "  Contrast ..", "Contrast", -25, -250 },
        { "Saturation ..", "Saturation", 30, 1500 },
        { "Spray ..", "Spray", 60, 120 },
        { "RippleRandom ..", "RippleRandom", 6, 12 },
        { "TriangleBlur ..", "TriangleBlur", 8, 80 },
        { "Posterize ..", "Posterize", 50, 50 },
        { "Mosaic ..", "Mosaic", 6, 6 },
        { "Resize ..", "Resize", 640, 640 },
    };
    for (const Case& c : cases) {
        const FilterKind* kind = FindFilterKindByCaption(c.caption);
        ASSERT_NE(kind, nullptr) << c.caption;
        EXPECT_STREQ(kind->key, c.key);
        EXPECT_DOUBLE_EQ(EffectValue(*kind, c.position), c.value) << c.caption << " " << c.position;
    }
    EXPECT_EQ(FindFilterKindByCaption("Mosaic"), nullptr);
    EXPECT_STREQ(FindFilterKindByOperation("Resample")->key, "Resize");
    EXPECT_EQ(FindFilterKindByOperation("Grayscale"), nullptr);
}

// Every caller sets the maximum first, then the minimum: with the table's
// ranges no intermediate range is ever inverted, and every default lies inside.
TEST(FilterKinds, RangesAreConsistent)
{
    std::set<std::string> keys;
    int largestMinimum = INT32_MIN, smallestMaximum = INT32_MAX;
    for (const FilterKind& kind : FilterKinds) {
        EXPECT_TRUE(keys.insert(kind.key).second) << kind.key;
        // The key is the trimmed caption without its last three characters.
        std::string caption = std::string(kind.caption).substr(2);
        EXPECT_EQ(caption.substr(0, caption.size() - 3), kind.key);
        EXPECT_LE(kind.first.minimum, kind.first.position) << kind.key;
        EXPECT_LE(kind.first.position, kind.first.maximum) << kind.key;
        if (!kind.sizeOfPicture) {
            largestMinimum = std::max(largestMinimum, kind.first.minimum);
            smallestMaximum = std::min(smallestMaximum, kind.first.maximum);
        }
    }
    EXPECT_EQ(keys.size(), 19u);
    EXPECT_LT(largestMinimum, smallestMaximum);
    EXPECT_STREQ(KernelLabels[size_t(kResizeKernelRange.position)], kResizeKernelRange.text);
    EXPECT_STREQ(KernelLabels[0], "Box filter");
    EXPECT_STREQ(KernelLabels[6], "Mitchell filter");
}

} // namespace
} // namespace pelmora
