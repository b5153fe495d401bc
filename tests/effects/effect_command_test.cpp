#include "EffectTesting.h"

#include "effects/ColorAdjustments.h"
#include "effects/EffectCommand.h"
#include "effects/NeighbourhoodFilters.h"
#include "effects/Random.h"
#include "formats/Exception.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

std::string ErrorOf(Bitmap& picture, const std::string& request)
{
    try {
        ApplyEffect(picture, request, RandomSeeding::Continue);
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

TEST(EffectCommand, RunsTheNamedOperation)
{
    const Bitmap picture = PatternBitmap(20, 12, PixelFormat::Rgb24, 3);
    struct Case {
        const char* request;
        std::function<void(Bitmap&)> direct;
    } cases[] = {
        { "Contrast=60", [](Bitmap& b) { Contrast(b, 60); } },
        { "Contrast", [](Bitmap& b) { Contrast(b, 60); } },
        { "Sharpen=0.5", [](Bitmap& b) { Sharpen(b, 0.5); } },
        { "Convolve=2", [](Bitmap& b) { Convolve(b, 2, 1); } },
        { "Convolve=4,0", [](Bitmap& b) { Convolve(b, 4, 0); } },
        { "Emboss=3", [](Bitmap& b) { Emboss(b), Emboss(b), Emboss(b); } },
        { "Posterize=50", [](Bitmap& b) { Posterize(b, b, 50); } },
    };
    for (const Case& c : cases) {
        Bitmap byName = CopyOf(picture), direct = CopyOf(picture);
        ApplyEffect(byName, c.request, RandomSeeding::Continue);
        c.direct(direct);
        EXPECT_TRUE(SamePixels(byName, direct)) << c.request;
    }
    Bitmap resized = CopyOf(picture);
    ApplyEffect(resized, "Resample=7,30", RandomSeeding::Continue);
    EXPECT_EQ(resized.Width(), 7);
    EXPECT_EQ(resized.Height(), 30);
}

TEST(EffectCommand, RefusesWhatTheDialogCannotGive)
{
    struct Case {
        const char* request;
        const char* message;
    } cases[] = {
        { "Blur", "Unknown effect: Blur" },
        { "Contrast=510", "Contrast: \"510\" is out of range (-250 to 500)" },
        { "Contrast=6.5", "Contrast: \"6.5\" is not a whole number" },
        { "Sharpen=40.5", "Sharpen: \"40.5\" is out of range (-4 to 40)" },
        { "FishEye=nan", "FishEye: \"nan\" is not a number" },
        { "Convolve=4,3", "Convolve: \"3\" is out of range (0 to 2)" },
        { "Convolve=4,1,1", "Convolve takes at most 2 values" },
        { "Grayscale=1", "Grayscale takes no value" },
        { "Resample=0,10", "Resample: \"0\" is out of range (1 to 20000)" },
        { "Resample=10,10,7", "Resample: \"7\" is out of range (0 to 6)" },
        { "Mosaic=", "Mosaic: \"\" is not a whole number" },
    };
    const Bitmap picture = PatternBitmap(5, 5, PixelFormat::Indexed8, 1);
    for (const Case& c : cases) {
        Bitmap b = CopyOf(picture);
        EXPECT_EQ(ErrorOf(b, c.request), c.message);
        EXPECT_TRUE(SamePixels(b, picture)) << c.request;
    }
}

TEST(EffectCommand, ConverterAppliesEffectsAndSeeds)
{
    TempDir dir;
    const std::string in = dir.File("in.bmp");
    PatternBitmap(16, 9, PixelFormat::Rgb24, 4).SaveBitmapToFile(in);
    auto convert = [&](const std::string& arguments, const std::string& out) {
        return RunCommand(std::string(PELMORA_CONVERT) + " " + arguments + " " + in + " " + dir.File(out));
    };
    ASSERT_EQ(convert("--seed 9 --effect Spray=20 --effect Rotate90", "a.bmp").status, 0);
    ASSERT_EQ(convert("--seed 9 --effect Spray=20 --effect Rotate90", "b.bmp").status, 0);
    EXPECT_EQ(ReadFile(dir.File("a.bmp")), ReadFile(dir.File("b.bmp")));
    Bitmap a = LoadBitmap(dir.File("a.bmp"));
    EXPECT_EQ(a.Width(), 9);

    Bitmap expected = LoadBitmap(in);
    SetRandomSeed(9);
    Spray(expected, 20);
    Bitmap rotated = CopyOf(expected);
    ApplyEffect(rotated, "Rotate90", RandomSeeding::Continue);
    EXPECT_TRUE(SamePixels(a, rotated));

    CommandResult bad = convert("--effect Saturation=2000", "c.bmp");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.error, "Saturation: \"2000\" is out of range (-1500 to 1500)\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("c.bmp")));
}

} // namespace
} // namespace pelmora::test
