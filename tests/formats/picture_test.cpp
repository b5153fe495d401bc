// The registry and the Picture holder: which class reads which file, and a
// failed load keeps what the holder had.
#include "formats/Exception.h"
#include "formats/FormatRegistry.h"
#include "formats/Icon.h"
#include "formats/JpegImage.h"
#include "formats/Metafile.h"
#include "formats/Picture.h"
#include "formats/PictureReaders.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pelmora;
using namespace pelmora::test;

namespace {

class Registry : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!FormatRegistry::Instance().FindByExtension("gif"))
            RegisterPictureReaders();
    }
};

TEST_F(Registry, HoldsTheThirtyFourExtensionsInTheirOrder)
{
    const auto& entries = FormatRegistry::Instance().Entries();
    ASSERT_GE(entries.size(), 34u);
    EXPECT_EQ(entries[0].extension, "wmf");
    EXPECT_EQ(entries[3].extension, "bmp");
    EXPECT_EQ(entries[5].extension, "jpg");
    EXPECT_EQ(entries[6].extension, "win");
    EXPECT_EQ(entries[15].extension, "rle");
    EXPECT_EQ(entries[15].description, "Windows bitmap");
    EXPECT_EQ(entries[33].extension, "bw");
    EXPECT_EQ(entries[33].description, "SGI black/white images");
}

TEST_F(Registry, LooksExtensionsUpWithoutRegardToCase)
{
    auto& r = FormatRegistry::Instance();
    EXPECT_EQ(r.FindByExtension("JPG"), &TJPEGImage::StaticClass());
    EXPECT_EQ(r.FindByExtension("Jpeg"), &TJPEGImage::StaticClass());
    EXPECT_EQ(r.FindByExtension("rle"), &Bitmap::StaticClass());
    EXPECT_EQ(r.FindByExtension("DIB"), &Bitmap::StaticClass());
    EXPECT_EQ(r.FindByExtension("ico"), &TIcon::StaticClass());
    EXPECT_EQ(r.FindByExtension("CUR"), &TIcon::StaticClass());
    EXPECT_EQ(r.FindByExtension("EMF"), &TMetafile::StaticClass());
    EXPECT_EQ(r.FindByExtension("pal"), nullptr);
    EXPECT_EQ(r.FindByExtension(""), nullptr);
}

TEST_F(Registry, LaterRegistrationWinsAndUnregisterRemovesDerivedClasses)
{
    auto& r = FormatRegistry::Instance();
    size_t before = r.Entries().size();
    // Cursors are icons too: each registration of them goes with the icons' class.
    auto cursors
        = std::count_if(r.Entries().begin(), r.Entries().end(), [](const auto& e) { return e.extension == "cur"; });
    r.RegisterFormat("BMP", "test", TIcon::StaticClass());
    EXPECT_EQ(r.FindByExtension("bmp"), &TIcon::StaticClass());
    r.UnregisterClass(TIcon::StaticClass());
    EXPECT_EQ(r.FindByExtension("bmp"), &Bitmap::StaticClass());
    EXPECT_EQ(r.FindByExtension("ico"), nullptr);
    EXPECT_EQ(r.FindByExtension("cur"), nullptr);
    r.RegisterFormat("ico", "Icons", TIcon::StaticClass());
    for (; cursors > 0; --cursors)
        r.RegisterFormat("cur", "Cursors", TIcon::StaticClass());
    EXPECT_EQ(r.Entries().size(), before);
    // Every reader derives from Bitmap: removing Bitmap's tree removes them too.
    EXPECT_TRUE(r.FindByExtension("tga")->InheritsFrom(Bitmap::StaticClass()));
}

TEST_F(Registry, UnknownExtensionNamesItAndTheHolderKeepsItsPicture)
{
    TempDir dir;
    std::string good = dir.File("good.bmp");
    PatternBitmap(3, 2, PixelFormat::Rgb24).SaveBitmapToFile(good);
    Picture picture;
    picture.LoadFromFile(good);
    Graphic* kept = picture.GetGraphic();
    for (const char* name : {"x.pal", "x.txt", "noextension"}) {
        std::string path = dir.File(name);
        WriteFile(path, {1, 2, 3});
        try {
            picture.LoadFromFile(path);
            FAIL() << name;
        } catch (const EInvalidGraphic& e) {
            std::string ext = std::string(name).find('.') == std::string::npos ? "" : std::string(name).substr(2);
            EXPECT_EQ(std::string(e.what()), "Unknown picture file extension (." + ext + ")");
        }
        EXPECT_EQ(picture.GetGraphic(), kept);
    }
}

TEST_F(Registry, FailedReadKeepsThePreviousGraphicAndPassesTheErrorOn)
{
    TempDir dir;
    std::string good = dir.File("good.bmp"), bad = dir.File("bad.bmp"), missing = dir.File("missing.bmp");
    PatternBitmap(3, 2, PixelFormat::Rgb24).SaveBitmapToFile(good);
    WriteFile(bad, {'B', 'M', 0, 0});
    Picture picture;
    picture.LoadFromFile(good);
    Graphic* kept = picture.GetGraphic();
    EXPECT_THROW(picture.LoadFromFile(bad), EInvalidGraphic);
    EXPECT_EQ(picture.GetGraphic(), kept);
    try {
        picture.LoadFromFile(missing);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
    }
    EXPECT_EQ(picture.GetGraphic(), kept);
    EXPECT_EQ(picture.Width(), 3);
}

TEST_F(Registry, RleAndDibFilesAreWindowsBitmaps)
{
    TempDir dir;
    for (const char* name : {"a.rle", "a.DIB"}) {
        std::string path = dir.File(name);
        PatternBitmap(5, 4, PixelFormat::Indexed8).SaveBitmapToFile(path);
        Picture picture;
        picture.LoadFromFile(path);
        EXPECT_EQ(&picture.GetGraphic()->Class(), &Bitmap::StaticClass()) << name;
        EXPECT_EQ(picture.Width(), 5);
    }
}

TEST_F(Registry, NoContentSniffingTheExtensionDecides)
{
    TempDir dir;
    std::string path = dir.File("really-a-bitmap.jpg");
    PatternBitmap(5, 4, PixelFormat::Rgb24).SaveBitmapToFile(path);
    Picture picture;
    EXPECT_THROW(picture.LoadFromFile(path), EJPEG);
}

TEST_F(Registry, AsBitmapReplacesWhatIsNotABitmapAndAssignKeepsTheClass)
{
    TempDir dir;
    std::string path = dir.File("p.jpg");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 16x8 gradient: " + path).status, 0);
    Picture picture;
    picture.LoadFromFile(path);
    Picture copy;
    copy.Assign(picture);
    EXPECT_EQ(&copy.GetGraphic()->Class(), &TJPEGImage::StaticClass());
    EXPECT_EQ(copy.Width(), 16);
    Bitmap& b = picture.AsBitmap();
    EXPECT_TRUE(b.IsEmpty());
    DecodeToBitmap(copy);
    EXPECT_EQ(&copy.GetGraphic()->Class(), &Bitmap::StaticClass());
    EXPECT_EQ(copy.AsBitmap().Height(), 8);
}

} // namespace
