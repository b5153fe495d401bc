#include "EffectTesting.h"

#include "effects/ColorAdjustments.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>

namespace pelmora::test {
namespace {

using ChannelEffect = std::function<void(Bitmap&, int)>;
// The effects in place (each also has a form that writes another bitmap).
using InPlace = void (*)(Bitmap&, int);

struct ChannelCase {
    const char* name;
    ChannelEffect effect;
    int amount;
    int input;
    int expected;
};

TEST(ColorAdjustments, WorkedExamples)
{
    const ChannelEffect contrast = InPlace(Contrast), lightness = InPlace(Lightness), darkness = InPlace(Darkness);
    const ChannelCase cases[] = {
        { "Contrast", contrast, 0, 200, 200 },
        { "Contrast", contrast, 500, 127, 127 },
        { "Contrast", contrast, -250, 127, 127 },
        { "Contrast", contrast, -255, 0, 127 },
        { "Contrast", contrast, -255, 255, 127 },
        { "Contrast", contrast, 500, 128, 129 },
        { "Contrast", contrast, 500, 200, 255 },
        { "Contrast", contrast, 500, 50, 0 },
        { "Contrast", contrast, -250, 200, 129 },
        { "Lightness", lightness, 250, 0, 250 },
        { "Lightness", lightness, 250, 255, 255 },
        { "Lightness", lightness, -450, 0, 0 },
        { "Lightness", lightness, -450, 200, 103 },
        { "Darkness", darkness, 30, 255, 225 },
        { "Darkness", darkness, -500, 100, 255 },
        { "Darkness", darkness, 150, 0, 0 },
    };
    for (const ChannelCase& c : cases) {
        Bitmap b = Solid(1, 1, Grey(uint8_t(c.input)));
        c.effect(b, c.amount);
        EXPECT_EQ(PixelAt(b, 0, 0), Grey(uint8_t(c.expected))) << c.name << " " << c.amount << " on " << c.input;
    }
}

// Every byte value in every channel against the formulas in 64 bits, for amounts
// in and far outside the dialog's range.
TEST(ColorAdjustments, ChannelEffectsFollowTheirFormulasForEveryValue)
{
    auto clamp = [](int64_t v) { return int(v > 255 ? 255 : v < 0 ? 0 : v); };
    struct Formula {
        const char* name;
        ChannelEffect effect;
        std::function<int(int64_t c, int64_t a)> expected;
    } formulas[] = {
        { "Contrast", InPlace(Contrast),
            [&](int64_t c, int64_t a) {
                int64_t d = (c > 127 ? c - 127 : 127 - c) * a / 255;
                return clamp(c > 127 ? c + d : c - d);
            } },
        { "Lightness", InPlace(Lightness), [&](int64_t c, int64_t a) { return clamp(c + (255 - c) * a / 255); } },
        { "Darkness", InPlace(Darkness), [&](int64_t c, int64_t a) { return clamp(c - c * a / 255); } },
    };
    Bitmap picture(256, 3, PixelFormat::Rgb24);
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 3; ++y)
            SetPixel(picture, x, y, { uint8_t(x), uint8_t(255 - x), uint8_t((x * 7 + y) % 256) });
    for (const Formula& f : formulas)
        for (int a : { -500, -256, -255, -1, 1, 37, 60, 255, 256, 500, 1 << 20, (1 << 20) + 1, INT_MAX, INT_MIN }) {
            Bitmap b = CopyOf(picture);
            f.effect(b, a);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 256; ++x) {
                    Bgr in = PixelAt(picture, x, y), out = PixelAt(b, x, y);
                    ASSERT_EQ(out,
                        (Bgr {
                            uint8_t(f.expected(in.b, a)), uint8_t(f.expected(in.g, a)), uint8_t(f.expected(in.r, a)) }))
                        << f.name << " " << a << " at " << x << "," << y;
                }
        }
}

TEST(ColorAdjustments, SaturationAndGrayscaleUseTheTruncatedMean)
{
    struct Case {
        int amount;
        Bgr in, expected;
    } cases[] = {
        { 255, { 30, 60, 90 }, { 30, 60, 90 } },
        { 0, { 30, 60, 90 }, { 60, 60, 60 } },
        { 0, { 1, 1, 2 }, { 1, 1, 1 } },
        { 510, { 30, 60, 90 }, { 0, 60, 120 } },
        { -255, { 30, 60, 90 }, { 90, 60, 30 } },
    };
    for (const Case& c : cases) {
        Bitmap b = Solid(1, 1, c.in);
        Saturation(b, c.amount);
        EXPECT_EQ(PixelAt(b, 0, 0), c.expected) << c.amount << " on " << c.in;
    }
    Bitmap red = Solid(2, 1, { 0, 0, 255 });
    Grayscale(red);
    EXPECT_EQ(PixelAt(red, 1, 0), Grey(85));

    Bitmap picture = PatternBitmap(61, 7, PixelFormat::Rgb24, 5);
    for (int a : { -1500, -100, 0, 100, 255, 500, 1500, INT_MAX, INT_MIN }) {
        Bitmap b = CopyOf(picture);
        Saturation(b, a);
        int64_t limited = std::clamp<int64_t>(a, -(1 << 20), 1 << 20);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 61; ++x) {
                Bgr in = PixelAt(picture, x, y);
                int64_t m = (in.b + in.g + in.r) / 3;
                auto channel
                    = [&](int64_t c) { return uint8_t(std::clamp<int64_t>(m + (c - m) * limited / 255, 0, 255)); };
                ASSERT_EQ(PixelAt(b, x, y), (Bgr { channel(in.b), channel(in.g), channel(in.r) })) << a;
            }
    }
}

TEST(ColorAdjustments, InvertTwiceRestores)
{
    Bitmap picture = PatternBitmap(33, 5, PixelFormat::Rgb24, 9);
    Bitmap b = CopyOf(picture);
    InvertColors(b);
    EXPECT_EQ(PixelAt(b, 3, 2).g, 255 - PixelAt(picture, 3, 2).g);
    InvertColors(b);
    EXPECT_TRUE(SamePixels(b, picture));
}

TEST(ColorAdjustments, PosterizeRoundsHalvesToEven)
{
    struct Case {
        int step, input, expected;
    } cases[] = {
        { 50, 25, 0 },
        { 50, 75, 100 },
        { 50, 255, 250 },
        { 255, 127, 0 },
        { 255, 128, 255 },
        { 100, 149, 100 },
        { 100, 150, 200 },
        { 100, 250, 200 },
        { 100, 255, 255 },
        { 4, 6, 8 },
    };
    for (const Case& c : cases) {
        Bitmap source = Solid(1, 1, Grey(uint8_t(c.input))), target;
        Posterize(source, target, c.step);
        EXPECT_EQ(PixelAt(target, 0, 0), Grey(uint8_t(c.expected))) << c.step << " on " << c.input;
    }
    // Against double precision for every value and step, including those past 255.
    Bitmap all(256, 1, PixelFormat::Rgb24);
    for (int x = 0; x < 256; ++x)
        SetPixel(all, x, 0, Grey(uint8_t(x)));
    for (int step = 1; step <= 600; ++step) {
        Bitmap target;
        Posterize(all, target, step);
        for (int x = 0; x < 256; ++x) {
            double q = std::nearbyint(double(x) / step);
            ASSERT_EQ(PixelAt(target, x, 0).r, uint8_t(std::min(255.0, q * step))) << step << " " << x;
        }
    }
}

TEST(ColorAdjustments, PosterizeTargetTakesTheSourcesSizeAndFormat)
{
    Bitmap source = PatternBitmap(9, 4, PixelFormat::Rgb24, 2);
    Bitmap target(3, 3, PixelFormat::Indexed8);
    Posterize(source, target, 60);
    ASSERT_EQ(target.GetPixelFormat(), PixelFormat::Rgb24);
    ASSERT_EQ(target.Width(), 9);
    Bitmap same = CopyOf(source);
    Posterize(same, same, 60);
    EXPECT_TRUE(SamePixels(same, target));
    // Step 0 would divide by zero; it keeps the colours.
    Posterize(source, target, 0);
    EXPECT_TRUE(SamePixels(source, target));
}

} // namespace
} // namespace pelmora::test
