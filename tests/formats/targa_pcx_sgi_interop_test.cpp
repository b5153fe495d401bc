// Targa, PCX and SGI files written by ImageMagick and netpbm at test time,
// decoded by us and by ImageMagick, pixel for pixel; and our Targa files read
// by them.
#include "formats/Bitmap.h"
#include "formats/PictureReaders.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

namespace pelmora {
namespace {

using test::ImageMagick;
using test::RunCommand;

class Interop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!std::filesystem::exists(ImageMagick()) && !test::HaveProgram(ImageMagick()))
            return;
        RegisterPictureReaders();
        dir = std::make_unique<test::TempDir>();
        // Smooth colour with a flat block (runs for the run-length coders) and an alpha ramp.
        Make("-size 61x23 -seed 5 plasma:fractal -depth 8 -fill '#3366cc' -draw 'rectangle 10,4 40,12'", "photo.png");
        Make(Source() + " -alpha set -channel A -fx 'i/w' +channel", "alpha.png");
        Make(Source() + " +dither -colors 200", "colors200.ppm");
        Make(Source() + " +dither -colors 16", "colors16.ppm");
        Make(Source() + " -colorspace gray", "grey.pgm");
        Make(Source() + " -monochrome -colors 2", "bilevel.gif");
    }
    static void TearDownTestSuite() { dir.reset(); }

    void SetUp() override
    {
        if (!dir)
            GTEST_SKIP() << "ImageMagick is not installed";
    }

    static std::string File(const std::string& name) { return dir->File(name); }
    static std::string Source(const std::string& name = "photo.png") { return "'" + File(name) + "'"; }
    // `format` names the output format where the extension does not (ImageMagick takes .rgb for raw samples).
    static void Make(const std::string& arguments, const std::string& out, const std::string& format = "")
    {
        test::CommandResult r = RunCommand(ImageMagick() + " " + arguments + " '" + format + File(out) + "'");
        ASSERT_EQ(r.status, 0) << r.error;
    }
    static bool Run(const std::string& command)
    {
        test::CommandResult r = RunCommand(command);
        EXPECT_EQ(r.status, 0) << command << ": " << r.error;
        return r.status == 0;
    }

    // Our decode against ImageMagick's decode of the same file.
    static void ExpectSameAsImageMagick(const std::string& name, bool alpha = false)
    {
        SCOPED_TRACE(name);
        Bitmap ours = test::LoadBitmap(File(name));
        // ImageMagick records a Targa file's row order without applying it.
        test::RgbaImage theirs = test::DecodeWithImageMagick(File(name), "-auto-orient");
        EXPECT_EQ(test::CompareImages(theirs, test::ToRgba(ours, alpha), 0, alpha), "");
    }

    // ImageMagick 6 swaps black and white in 1-bit PCX files, reading and
    // writing (so its own files come back right to it alone); netpbm and
    // Pillow follow the palette in the header, as we do.
    static void ExpectSameAsNetpbm(const std::string& name)
    {
        SCOPED_TRACE(name);
        if (!test::HaveProgram("pcxtoppm"))
            GTEST_SKIP() << "pcxtoppm is not installed";
        const std::string ppm = File(name + ".ppm");
        ASSERT_TRUE(Run("pcxtoppm '" + File(name) + "' > '" + ppm + "'"));
        Bitmap ours = test::LoadBitmap(File(name));
        EXPECT_EQ(test::CompareImages(test::DecodeWithImageMagick(ppm), test::ToRgba(ours)), "");
    }

    static std::unique_ptr<test::TempDir> dir;
};

std::unique_ptr<test::TempDir> Interop::dir;

TEST_F(Interop, TargaFromImageMagick)
{
    struct Case {
        const char* name;
        std::string arguments;
        bool alpha;
    } cases[] = {
        { "rgb24.tga", Source() + " -type TrueColor -compress None", false },
        { "rgb24-rle.tga", Source() + " -type TrueColor -compress RLE", false },
        { "palette.tga", Source() + " -type Palette -compress None", false },
        { "palette-rle.tga", Source() + " -type Palette -compress RLE", false },
        { "grey.tga", Source() + " -type Grayscale -compress None", false },
        { "grey-rle.tga", Source() + " -type Grayscale -compress RLE", false },
        { "rgb32.tga", Source("alpha.png") + " -type TrueColorAlpha -compress None", true },
        { "rgb32-rle.tga", Source("alpha.png") + " -type TrueColorAlpha -compress RLE", true },
        { "top-left.tga", Source() + " -orient top-left -compress RLE", false },
        { "bottom-left.tga", Source() + " -orient bottom-left", false },
    };
    for (const Case& c : cases) {
        Make(c.arguments, c.name);
        ExpectSameAsImageMagick(c.name, c.alpha);
    }
}

TEST_F(Interop, PcxFromImageMagick)
{
    Make(Source() + " -type Palette", "palette.pcx");
    ExpectSameAsImageMagick("palette.pcx");
    Make(Source() + " -type TrueColor", "rgb24.pcx");
    ExpectSameAsImageMagick("rgb24.pcx");
    Make(Source("bilevel.gif"), "bilevel.pcx");
    ExpectSameAsNetpbm("bilevel.pcx");
}

TEST_F(Interop, SgiFromImageMagick)
{
    struct Case {
        const char* name;
        std::string arguments;
        bool alpha;
    } cases[] = {
        { "grey.sgi", Source() + " -type Grayscale -compress None", false },
        { "grey-rle.bw", Source() + " -type Grayscale -compress RLE", false },
        { "rgb.rgb", Source() + " -type TrueColor -compress None", false },
        { "rgb-rle.sgi", Source() + " -type TrueColor -compress RLE", false },
        { "rgba.rgba", Source("alpha.png") + " -type TrueColorAlpha -compress None", true },
        { "rgba-rle.sgi", Source("alpha.png") + " -type TrueColorAlpha -compress RLE", true },
        { "rgb16.sgi", Source() + " -type TrueColor -depth 16 -compress None", false },
        { "rgb16-rle.sgi", Source() + " -type TrueColor -depth 16 -compress RLE", false },
    };
    for (const Case& c : cases) {
        Make(c.arguments, c.name, "sgi:");
        ExpectSameAsImageMagick(c.name, c.alpha);
    }
}

TEST_F(Interop, FilesFromNetpbm)
{
    for (const char* program : { "ppmtotga", "ppmtopcx", "pnmtosgi" })
        if (!test::HaveProgram(program))
            GTEST_SKIP() << program << " is not installed";
    const std::string ppm = File("photo.ppm");
    Make(Source(), "photo.ppm");
    Make(Source("bilevel.gif"), "bilevel.ppm");
    struct Case {
        const char* name;
        std::string command;
    } cases[] = {
        { "netpbm-rle.tga", "ppmtotga " + ppm },
        { "netpbm.tga", "ppmtotga -norle " + ppm },
        { "netpbm-cmap.tga", "ppmtotga -cmap " + File("colors200.ppm") },
        { "netpbm-mono.tga", "ppmtotga -mono " + File("grey.pgm") },
        { "netpbm24.pcx", "ppmtopcx " + ppm },
        { "netpbm8.pcx", "ppmtopcx " + File("colors200.ppm") },
        { "netpbm4.pcx", "ppmtopcx " + File("colors16.ppm") },
        { "netpbm1.pcx", "ppmtopcx " + File("bilevel.ppm") },
        { "netpbm-rle.sgi", "pnmtosgi " + ppm },
        { "netpbm.sgi", "pnmtosgi -verbatim " + ppm },
        { "netpbm-grey.bw", "pnmtosgi " + File("grey.pgm") },
    };
    for (const Case& c : cases) {
        if (!Run(c.command + " > '" + File(c.name) + "'"))
            continue;
        if (std::string(c.name) == "netpbm1.pcx")
            ExpectSameAsNetpbm(c.name);
        else
            ExpectSameAsImageMagick(c.name);
    }
}

// pelmora-convert writes Targa files that the other programs read as the picture we gave it.
TEST_F(Interop, OurTargaFilesReadElsewhere)
{
    Make(Source() + " -type TrueColor", "rgb24.bmp");
    Make(Source() + " -type Palette", "palette.bmp");
    Make(Source("colors16.ppm") + " -type Palette", "sixteen.bmp");
    Make(Source("bilevel.gif") + " -type Palette", "bilevel.bmp");
    // The 4- and 1-bit pictures go out with 8 bits: the tool answers the question with OK.
    for (const char* name : { "rgb24.bmp", "palette.bmp", "sixteen.bmp", "bilevel.bmp" }) {
        SCOPED_TRACE(name);
        const std::string out = File(std::string(name) + ".tga");
        if (!Run(std::string(PELMORA_CONVERT) + " '" + File(name) + "' '" + out + "'"))
            continue;
        test::RgbaImage expected = test::DecodeWithImageMagick(File(name));
        EXPECT_EQ(test::CompareImages(expected, test::DecodeWithImageMagick(out, "-auto-orient")), "");
        if (test::HaveProgram("tgatoppm") && Run("tgatoppm '" + out + "' > '" + out + ".ppm'")) {
            EXPECT_EQ(test::CompareImages(expected, test::DecodeWithImageMagick(out + ".ppm")), "") << "tgatoppm";
        }
    }
}

} // namespace
} // namespace pelmora
