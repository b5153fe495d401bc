// Bitmaps seen as QImages: the formats Qt draws are wrapped without a copy,
// 4-bit pictures are expanded, and palettes show their last entry past the end.
#include "app/BitmapImage.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

using namespace pelmora;

namespace {

TEST(BitmapToImage, WrapsTheRowsWithoutACopy)
{
    const std::pair<PixelFormat, QImage::Format> rows[] = {
        {PixelFormat::Rgb24, QImage::Format_BGR888},
        {PixelFormat::Rgb32, QImage::Format_RGB32},
        {PixelFormat::Rgb15, QImage::Format_RGB555},
        {PixelFormat::Rgb16, QImage::Format_RGB16},
        {PixelFormat::Indexed8, QImage::Format_Indexed8},
        {PixelFormat::Indexed1, QImage::Format_Mono},
    };
    for (auto [format, imageFormat] : rows) {
        Bitmap bitmap = test::PatternBitmap(13, 7, format);
        QImage image = BitmapToImage(bitmap);
        EXPECT_EQ(image.format(), imageFormat) << PixelFormatName(format);
        EXPECT_EQ(image.constBits(), bitmap.Bits()) << PixelFormatName(format);
        EXPECT_EQ(image.size(), QSize(13, 7));
    }
}

TEST(BitmapToImage, ShowsTheColoursOfTheBitmap)
{
    Bitmap bitmap(2, 1, PixelFormat::Rgb24);
    uint8_t* row = bitmap.ScanLine(0);
    row[0] = 10, row[1] = 20, row[2] = 30; // blue, green, red
    EXPECT_EQ(BitmapToImage(bitmap).pixel(0, 0), qRgb(30, 20, 10));
}

TEST(BitmapToImage, ExpandsFourBitPixels)
{
    Bitmap bitmap(3, 1, PixelFormat::Indexed4);
    bitmap.SetPalette(Palette(16, PaletteEntry {}));
    Palette palette(16);
    for (int i = 0; i < 16; ++i)
        palette[size_t(i)] = PaletteEntry {uint8_t(i * 16), 0, 0, 0};
    bitmap.SetPalette(palette);
    bitmap.ScanLine(0)[0] = 0x1F;
    bitmap.ScanLine(0)[1] = 0x20;
    QImage image = BitmapToImage(bitmap);
    EXPECT_EQ(image.pixelIndex(0, 0), 1);
    EXPECT_EQ(image.pixelIndex(1, 0), 15);
    EXPECT_EQ(image.pixelIndex(2, 0), 2);
    EXPECT_EQ(image.pixel(1, 0), qRgb(240, 0, 0));
}

TEST(BitmapToImage, AnIndexPastThePaletteShowsItsLastEntry)
{
    Bitmap bitmap(1, 1, PixelFormat::Indexed8);
    bitmap.SetPalette({PaletteEntry {1, 2, 3, 0}, PaletteEntry {200, 100, 50, 0}});
    bitmap.ScanLine(0)[0] = 250;
    EXPECT_EQ(BitmapToImage(bitmap).pixel(0, 0), qRgb(200, 100, 50));
}

TEST(BitmapToImage, AnEmptyBitmapGivesANullImage)
{
    EXPECT_TRUE(BitmapToImage(Bitmap()).isNull());
}

TEST(OverCheckerboard, ShowsAlphaOverLightAndDarkSquaresAndLeavesOpaqueImages)
{
    Bitmap bitmap(16, 1, PixelFormat::Rgb32);
    uint8_t* row = bitmap.ScanLine(0);
    const uint8_t pixels[][4] = {{0, 0, 255, 255}, {0, 0, 255, 0}, {0, 0, 255, 128}}; // blue, green, red, alpha
    for (int x = 0; x < 16; ++x)
        std::copy(pixels[x < 8 ? x % 3 : 1], pixels[x < 8 ? x % 3 : 1] + 4, row + 4 * x);
    EXPECT_EQ(BitmapToImage(bitmap).format(), QImage::Format_RGB32); // the fourth byte means nothing yet
    bitmap.SetHasAlpha(true);
    QImage shown = OverCheckerboard(BitmapToImage(bitmap));
    const std::pair<int, QRgb> expected[] = {
        {0, qRgb(255, 0, 0)}, // opaque
        {1, qRgb(0xE0, 0xE0, 0xE0)}, // transparent over a light square
        {9, qRgb(0xA0, 0xA0, 0xA0)}, // and over a dark one
    };
    for (auto [x, colour] : expected)
        EXPECT_EQ(shown.pixel(x, 0), colour) << x;
    QColor half(shown.pixel(2, 0));
    EXPECT_NEAR(half.red(), (255 + 0xE0) / 2, 2);
    EXPECT_NEAR(half.green(), 0xE0 / 2, 2);
    // Pictures without alpha are shown as they are, rows shared.
    bitmap.SetPixelFormat(PixelFormat::Rgb24);
    EXPECT_EQ(OverCheckerboard(BitmapToImage(bitmap)).constBits(), bitmap.Bits());
}

} // namespace
