// pelmora-convert: what it prints, what it writes, and how it fails.
#include "formats/Bitmap.h"
#include "formats/PictureReaders.h"
#include "tests/support/AutodeskFile.h"
#include "tests/support/CutFile.h"
#include "tests/support/MetafileFile.h"
#include "tests/support/PcdFile.h"
#include "tests/support/RlaFile.h"
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

TEST(ConvertTool, WritesAPngOfTheSameColours)
{
    TempDir dir;
    std::string in = dir.File("in.bmp"), out = dir.File("out.png");
    Bitmap source = PatternBitmap(23, 11, PixelFormat::Indexed8);
    source.SaveBitmapToFile(in);
    ASSERT_EQ(Convert(in + " " + out).status, 0);
    EXPECT_EQ(CompareImages(ToRgba(source), DecodeWithImageMagick(out)), "");
}

// One colour over the whole picture, so that every pixel of a thumbnail must show it.
std::vector<uint8_t> Repeated(size_t count, std::vector<uint8_t> unit)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < count; ++i)
        bytes.insert(bytes.end(), unit.begin(), unit.end());
    return bytes;
}

TEST(ConvertTool, ThumbnailsHaveTheirLongerSideAtTheSizeAsked)
{
    [[maybe_unused]] static const bool registered = (RegisterPictureReaders(), true);
    TempDir dir;
    const std::string jpg = dir.File("a.jpg"), cut = dir.File("a.cut"), rla = dir.File("a.rla"),
                      cel = dir.File("a.cel"), pic = dir.File("a.pic"), pcd = dir.File("a.pcd"),
                      bmp = dir.File("small.bmp");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 300x200 xc:orange -quality 95 " + jpg).status, 0);
    WriteFile(cut, CutFileBytes(300, 40, std::vector<uint8_t>(300 * 40, 5)));
    WriteFile(dir.File("a.pal"), CutPaletteBytes(Repeated(6, {200, 100, 50})));
    RlaFile r;
    r.right = 49;
    r.top = 119;
    r.lines.assign(120, {std::vector<uint8_t>(50, 10), std::vector<uint8_t>(50, 20), std::vector<uint8_t>(50, 30)});
    WriteFile(rla, r.Bytes());
    AutodeskFile a;
    a.palette = Repeated(256, {63, 0, 32});
    for (auto [path, width, height] : {std::tuple {pic, 100, 30}, {cel, 64, 64}}) {
        a.width = width;
        a.height = height;
        a.pixels.assign(size_t(width * height), 3);
        WriteFile(path, a.Bytes());
    }
    // A whole pack, with the smaller images a thumbnail reads.
    std::vector<uint8_t> pack = PcdFile().Bytes();
    for (int resolution : {0, 1, 2}) {
        PcdFile p(resolution);
        p.luma.assign(p.luma.size(), 100);
        const PcdImage& image = kPcdImages[resolution];
        std::vector<uint8_t> bytes = p.Bytes();
        std::copy(bytes.begin() + ptrdiff_t(image.dataStart), bytes.begin() + ptrdiff_t(image.DataEnd()),
            pack.begin() + ptrdiff_t(image.dataStart));
    }
    WriteFile(pcd, pack);
    Bitmap(20, 10, PixelFormat::Rgb24).SaveBitmapToFile(bmp);
    struct Case {
        std::string file;
        int size, width, height;
    } cases[] = {
        {jpg, 64, 64, 43}, // decoded at half size, then resampled
        {cut, 64, 64, 9}, {rla, 64, 27, 64}, {cel, 32, 32, 32}, {pic, 64, 64, 19}, {pcd, 64, 64, 43},
        {bmp, 64, 20, 10}, // smaller pictures keep their size
    };
    for (const Case& c : cases) {
        const std::string out = c.file + ".png";
        CommandResult result = Convert("--thumbnail " + std::to_string(c.size) + " " + c.file + " " + out);
        ASSERT_EQ(result.status, 0) << c.file << ": " << result.error;
        RgbaImage colour = ToRgba(LoadBitmap(c.file));
        RgbaImage expected {c.width, c.height,
            Repeated(size_t(c.width * c.height), {colour.pixels.begin(), colour.pixels.begin() + 4})};
        EXPECT_EQ(CompareImages(expected, DecodeWithImageMagick(out), 2), "") << c.file;
    }
    // A metafile is drawn at the thumbnail's size (its rectangle overlaps the frame on every side).
    const std::string wmf = dir.File("a.wmf"), out = wmf + ".png";
    WmfWriter records;
    records.Brush(0, 0xFF0000).Pen(5, 0, 0).Select(0).Select(1).Rectangle(-10, -10, 310, 210);
    WriteFile(wmf, records.Placeable(0, 0, 300, 200, 96));
    CommandResult result = Convert("--thumbnail 64 " + wmf + " " + out);
    ASSERT_EQ(result.status, 0) << result.error;
    EXPECT_EQ(CompareImages({64, 43, Repeated(64 * 43, {255, 0, 0, 255})}, DecodeWithImageMagick(out), 2), "");
}

TEST(ConvertTool, HelpAndVersionGoToStandardOutput)
{
    struct Case {
        const char* arguments;
        std::string begins;
    } cases[] = {{"--help", "usage: pelmora-convert --info FILE\n"}, {"--version", "pelmora-convert "}};
    for (const Case& c : cases) {
        CommandResult r = Convert(c.arguments);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.output.substr(0, c.begins.size()), c.begins);
        EXPECT_EQ(r.error, "");
    }
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
        {"--thumbnail 64 " + bad + " " + dir.File("o.bmp"), "Bitmap image is not valid\n"},
        {"--thumbnail 0 " + bad + " " + dir.File("o.bmp"), "Invalid thumbnail size: 0\n"},
        {"--thumbnail 9x " + bad + " " + dir.File("o.bmp"), "Invalid thumbnail size: 9x\n"},
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
