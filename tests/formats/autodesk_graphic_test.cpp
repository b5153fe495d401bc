#include "formats/readers/AutodeskGraphic.h"

#include "tests/support/AutodeskFile.h"
#include "tests/support/ReaderChecks.h"

#include <gtest/gtest.h>

using namespace pelmora;
using namespace pelmora::test;

namespace {

AutodeskFile Picture(int width, int height)
{
    AutodeskFile f;
    f.width = width;
    f.height = height;
    for (size_t i = 0; i < f.palette.size(); ++i)
        f.palette[i] = uint8_t(i % 64);
    for (int i = 0; i < width * height; ++i)
        f.pixels.push_back(uint8_t(i * 7));
    return f;
}

} // namespace

TEST(AutodeskGraphic, PaletteAndRows)
{
    AutodeskFile f = Picture(5, 3);
    f.palette[0] = 63;
    f.palette[1] = 0;
    f.palette[2] = 31;
    auto cel = LoadFromBytes<TAutodeskGraphic>(f.Bytes());
    ASSERT_EQ(cel.GetPixelFormat(), PixelFormat::Indexed8);
    ASSERT_EQ(cel.GetPalette().size(), 256u);
    EXPECT_EQ(cel.GetPalette()[0], (PaletteEntry { 252, 0, 124, 0 }));
    EXPECT_EQ(cel.GetPalette()[255], (PaletteEntry { 4 * 61, 4 * 62, 4 * 63, 0 }));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(cel.ScanLine(y)[x], f.pixels[size_t(y * 5 + x)]);
}

TEST(AutodeskGraphic, AShortFileKeepsTheRowsItHolds)
{
    AutodeskFile f = Picture(4, 4);
    f.pixels.resize(6);
    auto cel = LoadFromBytes<TAutodeskGraphic>(f.Bytes());
    ASSERT_EQ(cel.Height(), 4);
    EXPECT_EQ(cel.ScanLine(1)[1], f.pixels[5]);
    EXPECT_EQ(cel.ScanLine(1)[2], 0);
    EXPECT_EQ(cel.ScanLine(3)[3], 0);
}

TEST(AutodeskGraphic, AHeaderTheFileHoldsAlmostNothingOfIsRefused)
{
    AutodeskFile huge = Picture(4, 4);
    huge.width = 65535;
    huge.height = 4096;
    EXPECT_EQ(LoadError<TAutodeskGraphic>(huge.Bytes()), "Stream read error");

    AutodeskFile sixteenth = Picture(8, 8);
    sixteenth.pixels.resize(4);
    EXPECT_EQ(LoadError<TAutodeskGraphic>(sixteenth.Bytes()), "");
    sixteenth.pixels.resize(3);
    EXPECT_EQ(LoadError<TAutodeskGraphic>(sixteenth.Bytes()), "Stream read error");
}

TEST(AutodeskGraphic, OnlyTheOldMagicIsAccepted)
{
    const char* message = "Cannot load image. Only old style Autodesk images are supported.";
    AutodeskFile flic = Picture(2, 2);
    flic.magic = 0xAF11;
    EXPECT_EQ(LoadError<TAutodeskGraphic>(flic.Bytes()), message);
    EXPECT_EQ(LoadError<TAutodeskGraphic>({ 0x19 }), message);
    EXPECT_EQ(LoadError<TAutodeskGraphic>({ 0x91, 0x19, 0, 0 }), message);
    EXPECT_EQ(LoadError<TAutodeskGraphic>({ 0x19, 0x91 }), "");
}
