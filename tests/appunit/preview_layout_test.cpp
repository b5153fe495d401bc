// The preview's size and place, its colour-depth words and information line,
// and the folder texts the browser keeps.
#include "app/FileEntries.h"
#include "app/FolderPath.h"
#include "app/PreviewLayout.h"

#include <gtest/gtest.h>

using namespace pelmora;

namespace {

struct SizeCase {
    QSize picture, panel, shown;
};

class PreviewSizeTest : public testing::TestWithParam<SizeCase> { };

TEST_P(PreviewSizeTest, ShowsTheWholePictureNeverEnlarged)
{
    const SizeCase& c = GetParam();
    QSize shown = PreviewSize(c.picture, c.panel);
    EXPECT_EQ(shown, c.shown) << c.picture.width() << "x" << c.picture.height();
}

INSTANTIATE_TEST_SUITE_P(Sizes, PreviewSizeTest,
    testing::Values(SizeCase { { 100, 50 }, { 400, 300 }, { 100, 50 } }, // fits: natural size
        SizeCase { { 400, 300 }, { 400, 300 }, { 400, 300 } }, // exactly fits
        SizeCase { { 800, 600 }, { 400, 300 }, { 400, 300 } }, //
        SizeCase { { 600, 800 }, { 400, 300 }, { 225, 300 } }, //
        SizeCase { { 1000, 100 }, { 200, 300 }, { 200, 20 } }, //
        SizeCase { { 500, 500 }, { 400, 300 }, { 300, 300 } }, //
        SizeCase { { 800, 600 }, { 1000, 200 }, { 266, 200 } }, // wide low panel: bound by height
        SizeCase { { 100, 500 }, { 400, 300 }, { 60, 300 } }, // only the height too large
        SizeCase { { 10000, 1 }, { 300, 300 }, { 300, 1 } }, // a sliver keeps a pixel
        SizeCase { { 0, 0 }, { 300, 300 }, { 0, 0 } }, // empty picture
        SizeCase { { 500, 500 }, { 0, 0 }, { 0, 0 } })); // no panel

TEST(PreviewSize, NeverExceedsThePanel)
{
    for (int w : { 1, 7, 99, 640, 4000 })
        for (int h : { 1, 3, 480, 3000 })
            for (QSize panel : { QSize(400, 300), QSize(37, 211), QSize(1000, 200) }) {
                QSize shown = PreviewSize({ w, h }, panel);
                EXPECT_LE(shown.width(), std::max(panel.width(), 1));
                EXPECT_LE(shown.height(), std::max(panel.height(), 1));
                EXPECT_LE(shown.width(), w);
                EXPECT_LE(shown.height(), h);
            }
}

TEST(PreviewOrigin, CentresTheBoxInsideTheFourPixelsOfBevel)
{
    EXPECT_EQ(PreviewOrigin({ 400, 300 }, { 100, 50 }), QPoint(148, 123));
    EXPECT_EQ(PreviewOrigin({ 404, 304 }, { 400, 300 }), QPoint(0, 0));
    EXPECT_EQ(PreviewOrigin({ 101, 101 }, { 0, 0 }), QPoint(48, 48));
}

TEST(ColorDepthWords, NameEachPixelFormat)
{
    const std::pair<PixelFormat, const char*> rows[] = {
        { PixelFormat::Indexed1, "1 bit" },
        { PixelFormat::Indexed4, "16 col" },
        { PixelFormat::Indexed8, "256 col" },
        { PixelFormat::Rgb15, "32768 col" },
        { PixelFormat::Rgb16, "65536 col" },
        { PixelFormat::Rgb24, "16M col" },
        { PixelFormat::Rgb32, "32M col" },
        { PixelFormat::Device, "custom" },
        { PixelFormat::Custom, "custom" },
    };
    for (auto [format, words] : rows)
        EXPECT_EQ(ColorDepthWords(format).toStdString(), words);
}

TEST(PictureInformation, JoinsTheEntrysTextsAndThePicturesSize)
{
    FileEntry entry;
    entry.sizeText = "1.5 Kb";
    entry.realDate = "2024-05-01 10:00:00";
    entry.type = "JPEG image";
    EXPECT_EQ(PictureInformation(entry, 640, 480, PixelFormat::Rgb24).toStdString(),
        "1.5 Kb, 2024-05-01 10:00:00  (640x480 | 16M col | JPEG image)");
}

TEST(FolderPath, ParentFolderKeepsTheSeparator)
{
    EXPECT_EQ(ParentFolder("/pictures/holiday/").toStdString(), "/pictures/");
    EXPECT_EQ(ParentFolder("/pictures/").toStdString(), "/");
    EXPECT_EQ(WithTrailingSeparator("/a").toStdString(), "/a/");
    EXPECT_EQ(WithTrailingSeparator("/a/").toStdString(), "/a/");
    EXPECT_EQ(FolderPart("/a/b/c.jpg").toStdString(), "/a/b/");
    EXPECT_EQ(FolderPart("c.jpg").toStdString(), "");
    EXPECT_EQ(FileNamePart("/a/b/c.jpg").toStdString(), "c.jpg");
    EXPECT_TRUE(IsRootFolder("/"));
    EXPECT_FALSE(IsRootFolder("/a/"));
}

} // namespace
