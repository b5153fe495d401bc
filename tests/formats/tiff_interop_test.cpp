// TIFF files written at test time by ImageMagick and by libtiff's tools,
// decoded by us and compared pixel for pixel with ImageMagick's decode.
#include "formats/PictureReaders.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TiffWriter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace pelmora;
using namespace pelmora::test;

namespace {

class TIFFInterop : public testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveProgram(ImageMagick()))
            GTEST_SKIP() << "ImageMagick is not installed";
        static const bool registered = (RegisterPictureReaders(), true);
        (void)registered;
        // A plasma with noise: smooth and busy parts, odd sizes.
        source_ = dir_.File("source.png");
        Make("-size 61x37 -seed 3 plasma:fractal -attenuate 0.4 +noise Gaussian -depth 8", source_);
        alpha_ = dir_.File("alpha.png");
        Make(source_ + " \\( +clone -colorspace Gray -negate \\) -alpha off -compose CopyOpacity -composite", alpha_);
    }

    void Make(const std::string& arguments, const std::string& out)
    {
        CommandResult r = RunCommand(ImageMagick() + " " + arguments + " '" + out + "'");
        ASSERT_EQ(r.status, 0) << arguments << ": " << r.error;
    }

    void Run(const std::string& command)
    {
        CommandResult r = RunCommand(command);
        ASSERT_EQ(r.status, 0) << command << ": " << r.error;
    }

    // Our decode against ImageMagick's, through the registry as the program loads files.
    void ExpectSameAsImageMagick(const std::string& path, int tolerance = 0, bool alpha = false)
    {
        RgbaImage expected = DecodeWithImageMagick(path);
        RgbaImage actual = ToRgba(LoadBitmap(path), alpha);
        EXPECT_EQ(CompareImages(expected, actual, tolerance, alpha), "") << path;
    }

    TempDir dir_;
    std::string source_, alpha_;
};

struct WrittenCase {
    const char* name;
    const char* arguments; // ImageMagick's, after the source picture
    int tolerance;
    bool alpha = false;
};

TEST_F(TIFFInterop, FilesWrittenByImageMagick)
{
    // 16-bit samples: ImageMagick rounds them to 8 bits where we keep the high byte.
    const std::vector<WrittenCase> cases = {
        { "rgb-none", "-compress None", 0 },
        { "rgb-lzw", "-compress LZW -define tiff:predictor=1", 0 },
        { "rgb-packbits", "-compress RLE", 0 },
        { "rgb-lzw-predictor", "-compress LZW -define tiff:predictor=2", 0 },
        { "rgb-lzw-msb", "-compress LZW -endian MSB", 0 },
        { "rgb-lzw-lsb", "-compress LZW -endian LSB", 0 },
        { "rgb16-lzw-predictor-msb", "-depth 16 -compress LZW -define tiff:predictor=2 -endian MSB", 1 },
        { "rgb16-none-lsb", "-depth 16 -compress None -endian LSB", 1 },
        { "grey1", "-colorspace Gray -type Bilevel -compress None", 0 },
        { "grey1-packbits-msb", "-colorspace Gray -type Bilevel -compress RLE -endian MSB", 0 },
        { "grey8-lzw", "-colorspace Gray -depth 8 -compress LZW", 0 },
        { "grey8-predictor-msb", "-colorspace Gray -depth 8 -compress LZW -define tiff:predictor=2 -endian MSB", 0 },
        { "grey16-msb", "-colorspace Gray -depth 16 -compress None -endian MSB", 1 },
        { "grey16-lzw-predictor", "-colorspace Gray -depth 16 -compress LZW -define tiff:predictor=2", 1 },
        // ImageMagick scales colour-map levels by 257 where we keep their high byte.
        { "palette", "-colors 60 -type Palette -compress LZW", 1 },
        { "palette-small-msb", "-colors 12 -type Palette -compress None -endian MSB", 1 },
        { "cmyk", "-colorspace CMYK -compress LZW", 1 },
        { "cmyk-msb-packbits", "-colorspace CMYK -compress RLE -endian MSB", 1 },
        { "ycbcr", "-colorspace YCbCr -compress None", 2 },
    };
    for (const WrittenCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir_.File(std::string(c.name) + ".tif");
        Make(source_ + " " + c.arguments, path);
        ExpectSameAsImageMagick(path, c.tolerance, c.alpha);
    }
    for (const char* arguments : { "-compress LZW", "-compress RLE -endian MSB", "-depth 16 -compress None" }) {
        SCOPED_TRACE(arguments);
        std::string path = dir_.File("rgba.tif");
        Make(alpha_ + " " + arguments, path);
        ExpectSameAsImageMagick(path, 1, true);
    }
}

TEST_F(TIFFInterop, FilesRewrittenByTiffcp)
{
    if (!HaveProgram("tiffcp"))
        GTEST_SKIP() << "tiffcp is not installed";
    const std::string rgb = dir_.File("rgb.tif"), cmyk = dir_.File("cmyk.tif"), rgba = dir_.File("rgba-in.tif");
    Make(source_ + " -compress None", rgb);
    Make(source_ + " -colorspace CMYK -compress None", cmyk);
    Make(alpha_ + " -compress None", rgba);
    struct Case {
        const char* name;
        const char* options;
        const std::string& input;
        int tolerance;
        bool alpha;
    };
    const std::vector<Case> cases = {
        { "lzw-predictor", "-c lzw:2", rgb, 0, false },
        { "lzw-strips-of-5", "-c lzw -r 5", rgb, 0, false },
        { "packbits-big-endian", "-c packbits -B", rgb, 0, false },
        { "separate", "-p separate", rgb, 0, false },
        { "separate-lzw-predictor", "-p separate -c lzw:2 -r 4", rgb, 0, false },
        { "separate-rgba", "-p separate -c lzw", rgba, 1, true },
        { "separate-cmyk-big-endian", "-p separate -B -c packbits", cmyk, 1, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir_.File(std::string(c.name) + ".tif");
        Run("tiffcp " + std::string(c.options) + " '" + c.input + "' '" + path + "'");
        ExpectSameAsImageMagick(path, c.tolerance, c.alpha);
    }
}

// Subsampled YCbCr, which neither tool writes uncompressed: our own files,
// checked against libtiff's conversion of them to RGBA (ImageMagick reads
// their samples as if they were not subsampled).
TEST_F(TIFFInterop, SubsampledYCbCrAsLibtiffConvertsIt)
{
    if (!HaveProgram("tiff2rgba"))
        GTEST_SKIP() << "tiff2rgba is not installed";
    std::mt19937 random(4);
    for (int sx : { 1, 2, 4 })
        for (int sy : { 1, 2 }) {
            if (sy > sx)
                continue;
            SCOPED_TRACE(testing::Message() << sx << "x" << sy);
            TiffWriter w;
            w.width = 17;
            w.height = 9;
            w.samplesPerPixel = 3;
            w.photometric = 6;
            w.rowsPerStrip = 4;
            w.unitRows = sy;
            w.unitBytes = size_t((w.width + sx - 1) / sx * (sx * sy + 2));
            w.SetTag(530, kTiffShort, { uint32_t(sx), uint32_t(sy) });
            w.SetTag(532, kTiffRational, { 0, 1, 255, 1, 128, 1, 255, 1, 128, 1, 255, 1 });
            w.data.resize(w.unitBytes * size_t((w.height + sy - 1) / sy));
            for (auto& b : w.data)
                b = uint8_t(64 + random() % 128);
            std::string path = dir_.File("ycbcr.tif");
            WriteFile(path, w.Build());
            std::string converted = dir_.File("converted.tif");
            Run("tiff2rgba '" + path + "' '" + converted + "'");
            EXPECT_EQ(CompareImages(DecodeWithImageMagick(converted), ToRgba(LoadBitmap(path)), 1), "");
        }
}

} // namespace
