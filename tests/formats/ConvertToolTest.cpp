// pelmora-convert: what it prints, what it writes, and how it fails.
#include "formats/Bitmap.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace pelmora;
using namespace pelmora::test;

namespace {

CommandResult Convert(const std::string& arguments)
{
    return RunCommand(std::string(PELMORA_CONVERT) + " " + arguments);
}

TEST(ConvertTool, InfoPrintsSizeAndPixelFormat)
{
    TempDir dir;
    std::string bmp = dir.File("a.bmp"), jpg = dir.File("b.JPG"), grey = dir.File("g.jpeg");
    PatternBitmap(640, 48, PixelFormat::Indexed4).SaveBitmapToFile(bmp);
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 31x7 xc:orange jpg:" + jpg).status, 0);
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 9x7 gradient: -colorspace Gray jpg:" + grey).status, 0);
    struct Case {
        std::string file, expected;
    } cases[] = {{bmp, "640x48 Indexed4\n"}, {jpg, "31x7 Rgb24\n"}, {grey, "9x7 Indexed8\n"}};
    for (const Case& c : cases) {
        CommandResult r = Convert("--info " + c.file);
        EXPECT_EQ(r.status, 0) << r.error;
        EXPECT_EQ(r.output, c.expected);
    }
}

TEST(ConvertTool, WritesABitmapInThePresentFormat)
{
    TempDir dir;
    std::string in = dir.File("in.bmp"), out = dir.File("out.bmp"), jpg = dir.File("in.jpg"),
                fromJpg = dir.File("j.bmp");
    Bitmap source = PatternBitmap(21, 13, PixelFormat::Indexed8);
    source.SaveBitmapToFile(in);
    EXPECT_EQ(Convert(in + " " + out).status, 0);
    Bitmap back = LoadBitmap(out);
    EXPECT_EQ(back.GetPixelFormat(), PixelFormat::Indexed8);
    EXPECT_EQ(CompareImages(ToRgba(source), ToRgba(back)), "");

    ASSERT_EQ(RunCommand(ImageMagick() + " -size 30x20 -seed 1 plasma:fractal " + jpg).status, 0);
    EXPECT_EQ(Convert(jpg + " " + fromJpg).status, 0);
    EXPECT_EQ(CompareImages(ToRgba(LoadBitmap(jpg)), ToRgba(LoadBitmap(fromJpg))), "");
}

TEST(ConvertTool, FailuresPrintTheMessageAloneAndExitOne)
{
    TempDir dir;
    std::string bad = dir.File("bad.bmp"), pal = dir.File("x.pal");
    WriteFile(bad, {'B', 'M', 1});
    WriteFile(pal, {1});
    struct Case {
        std::string arguments, message;
    } cases[] = {
        {"--info " + pal, "Unknown picture file extension (.pal)\n"},
        {"--info " + bad, "Bitmap image is not valid\n"},
        {bad + " " + dir.File("o.bmp"), "Bitmap image is not valid\n"},
    };
    for (const Case& c : cases) {
        CommandResult r = Convert(c.arguments);
        EXPECT_EQ(r.status, 1) << c.arguments;
        EXPECT_EQ(r.error, c.message);
        EXPECT_EQ(r.output, "");
    }
    CommandResult missing = Convert("--info " + dir.File("missing.bmp"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.error.find("missing.bmp"), std::string::npos);
    EXPECT_EQ(Convert("").status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.bmp")));
}

} // namespace
