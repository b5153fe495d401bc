// PNG, WebP, HEIF/AVIF and JPEG XL files written at test time by the
// formats' own tools, decoded by us and by the same tools (or ImageMagick
// for PNG); JPEG camera orientations; embedded Display P3 profiles against
// lcms2's transicc.
#include "formats/Animation.h"
#include "formats/Bitmap.h"
#include "formats/readers/GIFGraphic.h"
#include "formats/readers/JXLGraphic.h"
#include "formats/readers/WebPGraphic.h"
#include "tests/support/IccProfile.h"
#include "tests/support/ReaderChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace pelmora {
namespace {

using test::RunCommand;

class LibraryInterop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!test::HaveProgram(test::ImageMagick()))
            return;
        test::EnsureReadersRegistered();
        dir = std::make_unique<test::TempDir>();
        // No gamma or colour chunks: every tool takes the picture as sRGB.
        Run(test::ImageMagick() + " -size 45x31 -seed 7 plasma:fractal -depth 8 " + Quoted("photo.ppm"));
        Run(test::ImageMagick() + " " + Quoted("photo.ppm") + " -alpha set -channel A -fx 'i/w' +channel "
            + "-define png:exclude-chunks=gAMA,cHRM " + Quoted("alpha.png"));
    }
    static void TearDownTestSuite() { dir.reset(); }
    void SetUp() override
    {
        if (!dir)
            GTEST_SKIP() << "ImageMagick is not installed";
    }

    static std::string File(const std::string& name) { return dir->File(name); }
    static std::string Quoted(const std::string& name) { return "'" + File(name) + "'"; }
    static bool Run(const std::string& command)
    {
        test::CommandResult r = RunCommand(command);
        EXPECT_EQ(r.status, 0) << command << ": " << r.error;
        return r.status == 0;
    }

    struct ToolCase {
        const char* name; // the file the encoder writes
        const char* encode; // {in} and {out} stand for the files
        const char* decode; // the same tool's decode to {out}, or "" for ImageMagick's
        const char* source;
        int tolerance;
        bool alpha;
    };
    static std::string Expand(std::string command, const std::string& in, const std::string& out)
    {
        for (auto [key, value] : {std::pair {std::string("{in}"), in}, std::pair {std::string("{out}"), out}})
            for (size_t at; (at = command.find(key)) != std::string::npos;)
                command.replace(at, key.size(), "'" + value + "'");
        return command;
    }
    static void CheckAll(std::initializer_list<ToolCase> cases)
    {
        for (const ToolCase& c : cases) {
            SCOPED_TRACE(c.name);
            const std::string file = File(c.name), reference = file + ".ref.pam";
            std::string tool = std::string(c.encode).substr(0, std::string(c.encode).find(' '));
            if (tool != test::ImageMagick() && !test::HaveProgram(tool)) {
                ADD_FAILURE() << tool << " is not installed";
                continue;
            }
            if (!Run(Expand(c.encode, File(c.source), file)))
                continue;
            std::string decoded = file;
            if (*c.decode) {
                decoded = file + std::string(".ref")
                    + (std::string(c.decode).find("-pam") != std::string::npos ? ".pam" : ".png");
                if (!Run(Expand(c.decode, file, decoded)))
                    continue;
            }
            const Bitmap ours = test::LoadBitmap(file);
            EXPECT_EQ(test::CompareImages(
                          test::DecodeWithImageMagick(decoded), test::ToRgba(ours, c.alpha), c.tolerance, c.alpha),
                "");
        }
    }

    static std::unique_ptr<test::TempDir> dir;
};

std::unique_ptr<test::TempDir> LibraryInterop::dir;

TEST_F(LibraryInterop, PngFromImageMagick)
{
    const std::string im = test::ImageMagick() + " {in} -define png:exclude-chunks=gAMA,cHRM ";
    CheckAll({
        {"rgb.png", (im + "{out}").c_str(), "", "photo.ppm", 0, false},
        {"rgb16.png", (im + "-depth 16 {out}").c_str(), "", "photo.ppm", 0, false},
        {"rgba.png", (im + "{out}").c_str(), "", "alpha.png", 0, true},
        {"palette.png", (im + "-colors 50 png8:{out}").c_str(), "", "photo.ppm", 0, false},
        {"palette-trns.png", (im + "-colors 50 png8:{out}").c_str(), "", "alpha.png", 0, true},
        {"grey1.png", (im + "-monochrome {out}").c_str(), "", "photo.ppm", 0, false},
        {"grey4.png", (im + "-colorspace gray -depth 4 {out}").c_str(), "", "photo.ppm", 0, false},
        // 16 bits round to 8 a little apart from ImageMagick's way.
        {"grey16.png", (im + "-colorspace gray -depth 16 {out}").c_str(), "", "photo.ppm", 1, false},
        {"grey-alpha.png", (im + "-colorspace gray png:{out}").c_str(), "", "alpha.png", 0, true},
        {"interlaced.png", (im + "-interlace PNG {out}").c_str(), "", "photo.ppm", 0, false},
    });
}

TEST_F(LibraryInterop, WebPHeifAvifJxlAgainstTheirOwnTools)
{
    CheckAll({
        {"lossless.webp", "cwebp -quiet -lossless {in} -o {out}", "dwebp -quiet {in} -pam -o {out}", "photo.ppm", 0,
            false},
        {"lossy.webp", "cwebp -quiet -q 70 {in} -o {out}", "dwebp -quiet {in} -pam -o {out}", "photo.ppm", 0, false},
        {"alpha.webp", "cwebp -quiet -q 70 {in} -o {out}", "dwebp -quiet {in} -pam -o {out}", "alpha.png", 0, true},
        {"photo.heic", "heif-enc -q 80 {in} -o {out}", "heif-convert {in} {out}", "alpha.png", 0, false},
        {"lossless.avif", "avifenc -j 1 -l {in} {out}", "avifdec -j 1 {in} {out}", "alpha.png", 0, true},
        {"lossy.avif", "avifenc -j 1 --min 20 --max 30 {in} {out}", "avifdec -j 1 {in} {out}", "alpha.png", 2, true},
        {"lossless.jxl", "cjxl -d 0 {in} {out}", "djxl {in} {out}", "alpha.png", 0, true},
        {"lossy.jxl", "cjxl -d 1.5 {in} {out}", "djxl {in} {out}", "photo.ppm", 1, false},
    });
}

// AVIF pictures turned and subsampled: libheif turns the RGB planes the AV1
// decoder gives, whose 4:2:0 chroma is widened by repeating samples as
// libheif's own conversion does. (avifenc drops the alpha of turned pictures.)
TEST_F(LibraryInterop, AvifTurnsAndSubsamplingComeOutAsTheSource)
{
    const std::string source = test::ImageMagick() + " " + Quoted("alpha.png");
    CheckAll({
        {"turned90.avif", "avifenc -j 1 -l --irot 1 {in} {out}", (source + " -rotate -90 {out}").c_str(), "alpha.png",
            0, false},
        {"turned270.avif", "avifenc -j 1 -l --irot 3 {in} {out}", (source + " -rotate 90 {out}").c_str(), "alpha.png",
            0, false},
        {"subsampled.avif", "avifenc -j 1 -y 420 --min 0 --max 0 {in} {out}", "heif-convert {in} {out}", "alpha.png", 1,
            true},
    });
}

// An Exif block (big-endian TIFF) holding nothing but the orientation.
std::vector<uint8_t> ExifSegment(int orientation)
{
    return {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0,
        1, 0, uint8_t(orientation), 0, 0, 0, 0, 0, 0};
}

TEST_F(LibraryInterop, EveryJpegOrientationComesOutUpright)
{
    if (!test::HaveProgram("jpegtran"))
        GTEST_SKIP() << "jpegtran is not installed";
    // Sides of whole blocks and no subsampling, so jpegtran turns losslessly.
    ASSERT_TRUE(Run(test::ImageMagick() + " " + Quoted("photo.ppm")
        + " -crop 32x24+0+0 -sampling-factor 1x1 -quality 95 " + Quoted("upright.jpg")));
    // What turns a stored picture of each orientation upright, undone.
    const char* stored[9] = {"", "", "-flip horizontal", "-rotate 180", "-flip vertical", "-transpose", "-rotate 270",
        "-transverse", "-rotate 90"};
    const test::RgbaImage upright = test::ToRgba(test::LoadBitmap(File("upright.jpg")));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const std::string turned = File("turned.jpg"), tagged = File("o" + std::to_string(orientation) + ".jpg");
        ASSERT_TRUE(Run("jpegtran -copy none -perfect " + std::string(stored[orientation]) + " " + Quoted("upright.jpg")
            + " > '" + turned + "'"));
        std::vector<uint8_t> bytes = test::ReadFile(turned), exif = ExifSegment(orientation);
        bytes.insert(bytes.begin() + 2, exif.begin(), exif.end());
        test::WriteFile(tagged, bytes);
        EXPECT_EQ(test::RunCommand(std::string(PELMORA_CONVERT) + " --info '" + tagged + "'").output, "32x24 Rgb24\n");
        // The inverse DCT rounds rows and columns a little apart: transposed blocks differ by a level or two.
        EXPECT_EQ(test::CompareImages(upright, test::ToRgba(test::LoadBitmap(tagged)), 2), "");
    }
}

TEST_F(LibraryInterop, DisplayP3ProfilesConvertToSrgbAsTransiccDoes)
{
    if (!test::HaveProgram("transicc"))
        GTEST_SKIP() << "transicc is not installed";
    test::WriteDisplayP3Profile(File("p3.icc"));
    // ImageMagick assigns the profile to a picture that has none, keeping its values.
    ASSERT_TRUE(Run(test::ImageMagick() + " -size 16x16 'xc:rgb(200,60,30)' -type TrueColor -profile "
        + Quoted("p3.icc") + " " + Quoted("patch.png")));
    test::CommandResult expected = RunCommand("echo '200 60 30' | transicc -s -i'" + File("p3.icc") + "' -t0");
    double r = 0, g = 0, b = 0;
    const size_t at = expected.output.find("R=");
    ASSERT_NE(at, std::string::npos) << expected.output << expected.error;
    ASSERT_EQ(std::sscanf(expected.output.c_str() + at, "R=%lf G=%lf B=%lf", &r, &g, &b), 3);
    auto rounded = [](double v) { return int(std::lround(std::clamp(v, 0.0, 255.0))); };

    const std::string im = test::ImageMagick() + " {in} ";
    struct Case {
        const char* name;
        std::string encode;
        int tolerance;
    } cases[] = {
        {"patch-copy.png", im + "{out}", 1},
        {"patch.jpg", im + "-quality 95 {out}", 3},
        {"patch.tif", im + "-compress None {out}", 1},
        {"patch.psd", im + "{out}", 1},
        {"patch.webp", "cwebp -quiet -lossless -metadata icc {in} -o {out}", 1},
        {"patch.jxl", "cjxl -d 0 {in} {out}", 1},
        {"patch.avif", "avifenc -j 1 -l {in} {out}", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!Run(Expand(c.encode, File("patch.png"), File(c.name))))
            continue;
        const test::RgbaImage ours = test::ToRgba(test::LoadBitmap(File(c.name)));
        const uint8_t* p = &ours.pixels[(8 * size_t(ours.width) + 8) * 4];
        EXPECT_NEAR(p[0], rounded(r), c.tolerance);
        EXPECT_NEAR(p[1], rounded(g), c.tolerance);
        EXPECT_NEAR(p[2], rounded(b), c.tolerance);
    }
}

// Fully transparent pixels have no colour worth comparing.
void ClearTransparentColours(test::RgbaImage& image)
{
    for (size_t at = 0; at < image.pixels.size(); at += 4)
        if (image.pixels[at + 3] == 0)
            image.pixels[at] = image.pixels[at + 1] = image.pixels[at + 2] = 0;
}

TEST_F(LibraryInterop, AnimationsMatchImageMagicksCoalescedFrames)
{
    // Frames at other places, with transparency, each disposal once.
    ASSERT_TRUE(Run(test::ImageMagick() + " -dispose None -delay 20 -size 12x8 xc:red -dispose Background -delay 5 "
        + "-page +3+2 -size 4x3 xc:blue -dispose Previous -delay 0 -page +6+4 -size 5x3 xc:none -fill green "
        + "-draw 'rectangle 0,0 2,1' -dispose None -delay 10 -page +0+0 -size 2x2 xc:yellow -loop 0 "
        + Quoted("anim.gif")));
    ASSERT_TRUE(Run(test::ImageMagick() + " " + Quoted("anim.gif") + " -coalesce -depth 8 " + Quoted("frame-%d.pam")));
    if (test::HaveProgram("gif2webp")) {
        EXPECT_TRUE(Run("gif2webp -quiet " + Quoted("anim.gif") + " -o " + Quoted("anim.webp")));
    }
    const TGIFGraphic gif = test::LoadFromBytes<TGIFGraphic>(test::ReadFile(File("anim.gif")));
    const TWebPGraphic webp = test::LoadFromBytes<TWebPGraphic>(test::ReadFile(File("anim.webp")));
    for (const Animated* animated : {static_cast<const Animated*>(&gif), static_cast<const Animated*>(&webp)}) {
        std::unique_ptr<FrameSequence> frames = animated->Frames();
        ASSERT_TRUE(frames);
        const int delays[] = {200, 50, 0, 100};
        Bitmap frame;
        int delay = 0;
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            ASSERT_TRUE(frames->Next(frame, delay));
            if (animated == &gif) {
                EXPECT_EQ(delay, delays[i]);
            }
            test::RgbaImage theirs = test::DecodeWithImageMagick(File("frame-" + std::to_string(i) + ".pam"));
            test::RgbaImage ours = test::ToRgba(frame, true);
            ClearTransparentColours(theirs);
            ClearTransparentColours(ours);
            EXPECT_EQ(test::CompareImages(theirs, ours, 0, true), "");
        }
        EXPECT_FALSE(frames->Next(frame, delay));
    }
}

TEST_F(LibraryInterop, JxlAnimationsPlayTheirFramesForTheirDurations)
{
    if (!test::HaveProgram("cjxl"))
        GTEST_SKIP() << "cjxl is not installed";
    // Frames at other places over the first. (cjxl's import of a frame the GIF
    // clears after it shows clears more than browsers do: not a case to compare.)
    ASSERT_TRUE(Run(test::ImageMagick() + " -dispose None -delay 20 -size 12x8 xc:red -dispose None -delay 5 "
        + "-page +3+2 -size 4x3 xc:blue -dispose None -delay 10 -page +0+0 -size 2x2 xc:yellow -loop 0 "
        + Quoted("three.gif")));
    ASSERT_TRUE(Run(test::ImageMagick() + " " + Quoted("three.gif") + " -coalesce -depth 8 " + Quoted("three-%d.pam")));
    ASSERT_TRUE(Run("cjxl -d 0 " + Quoted("three.gif") + " " + Quoted("three.jxl")));
    const TJXLGraphic jxl = test::LoadFromBytes<TJXLGraphic>(test::ReadFile(File("three.jxl")));
    std::unique_ptr<FrameSequence> frames = jxl.Frames();
    ASSERT_TRUE(frames);
    const int delays[] = {200, 50, 100};
    Bitmap frame;
    int delay = 0;
    for (int round = 0; round < 2; ++round) { // after the last frame it starts over
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            ASSERT_TRUE(frames->Next(frame, delay));
            EXPECT_EQ(delay, delays[i]);
            test::RgbaImage theirs = test::DecodeWithImageMagick(File("three-" + std::to_string(i) + ".pam"));
            test::RgbaImage ours = test::ToRgba(frame, true);
            ClearTransparentColours(theirs);
            ClearTransparentColours(ours);
            EXPECT_EQ(test::CompareImages(theirs, ours, 0, true), "");
        }
        EXPECT_FALSE(frames->Next(frame, delay));
    }
    // A still picture has no frames to play.
    ASSERT_TRUE(Run("cjxl -d 0 " + Quoted("three-0.pam") + " " + Quoted("still.jxl")));
    EXPECT_FALSE(test::LoadFromBytes<TJXLGraphic>(test::ReadFile(File("still.jxl"))).Frames());
}

} // namespace
} // namespace pelmora
