#include "formats/readers/CUTGraphic.h"
#include "formats/Exception.h"
#include "formats/Picture.h"
#include "formats/PictureReaders.h"
#include "formats/Stream.h"
#include "tests/support/CutFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

const int kWidth = 300, kHeight = 4;

// Rows with runs longer than one packet and stretches of different bytes.
std::vector<uint8_t> Indices()
{
    std::vector<uint8_t> v;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            v.push_back(uint8_t(x < 200 ? y + 1 : x * 3 + y));
    return v;
}

std::vector<uint8_t> Colors(int count)
{
    std::vector<uint8_t> rgb;
    for (int i = 0; i < count; ++i)
        rgb.insert(rgb.end(), { uint8_t(i), uint8_t(255 - i), uint8_t(i * 5) });
    return rgb;
}

void ExpectPixels(const Bitmap& b, const std::vector<uint8_t>& indices)
{
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::Indexed8);
    ASSERT_EQ(b.Width(), kWidth);
    ASSERT_EQ(b.Height(), kHeight);
    for (int y = 0; y < kHeight; ++y)
        EXPECT_EQ(std::vector<uint8_t>(b.ScanLine(y), b.ScanLine(y) + kWidth),
            std::vector<uint8_t>(indices.begin() + y * kWidth, indices.begin() + (y + 1) * kWidth))
            << "row " << y;
}

TEST(CutRead, PaletteFileBesideTheImage)
{
    // 100 colours run past the first block, 256 over three blocks, 300 are cut to 256.
    for (int count : { 1, 78, 79, 100, 256, 300 }) {
        SCOPED_TRACE(std::to_string(count) + " colours");
        test::TempDir dir;
        test::WriteFile(dir.File("image.cut"), test::CutFileBytes(kWidth, kHeight, Indices()));
        test::WriteFile(dir.File("image.pal"), test::CutPaletteBytes(Colors(count)));
        TCUTGraphic cut;
        cut.LoadFromFile(dir.File("image.cut"));
        EXPECT_EQ(cut.PaletteFileName(), dir.File("image.pal"));
        ExpectPixels(cut, Indices());
        const size_t kept = size_t(std::min(count, 256));
        ASSERT_EQ(cut.GetPalette().size(), kept);
        for (size_t i = 0; i < kept; ++i)
            ASSERT_EQ(cut.GetPalette()[i], (PaletteEntry { uint8_t(i), uint8_t(255 - i), uint8_t(i * 5), 0 }))
                << "entry " << i;
    }
}

TEST(CutRead, UpperCasePaletteNameIsFoundToo)
{
    test::TempDir dir;
    test::WriteFile(dir.File("IMAGE.CUT"), test::CutFileBytes(kWidth, kHeight, Indices()));
    test::WriteFile(dir.File("IMAGE.PAL"), test::CutPaletteBytes(Colors(16)));
    TCUTGraphic cut;
    cut.LoadFromFile(dir.File("IMAGE.CUT"));
    EXPECT_EQ(cut.GetPalette().size(), 16u);
}

TEST(CutRead, WithoutPaletteFileTheImageIsGrey)
{
    test::TempDir dir;
    test::WriteFile(dir.File("alone.cut"), test::CutFileBytes(kWidth, kHeight, Indices()));
    // Through the registry, as the program opens it.
    RegisterPictureReaders();
    Picture picture;
    picture.LoadFromFile(dir.File("alone.cut"));
    ExpectPixels(picture.AsBitmap(), Indices());
    EXPECT_EQ(picture.AsBitmap().GetPalette(), GreyRamp(256));
}

TEST(CutRead, FromAStreamTheNameStaysAsItWas)
{
    test::TempDir dir;
    std::vector<uint8_t> bytes = test::CutFileBytes(kWidth, kHeight, Indices());
    test::WriteFile(dir.File("a.cut"), bytes);
    test::WriteFile(dir.File("a.pal"), test::CutPaletteBytes(Colors(5)));

    TCUTGraphic fresh;
    MemoryStream stream(bytes);
    fresh.LoadFromStream(stream);
    EXPECT_EQ(fresh.PaletteFileName(), "");
    EXPECT_EQ(fresh.GetPalette(), GreyRamp(256));
    ExpectPixels(fresh, Indices());

    TCUTGraphic used;
    used.LoadFromFile(dir.File("a.cut"));
    MemoryStream again(bytes);
    used.LoadFromStream(again);
    EXPECT_EQ(used.GetPalette().size(), 5u) << "the palette file of the last file load";
}

TEST(CutRead, FailureMessages)
{
    test::TempDir dir;
    std::vector<uint8_t> image = test::CutFileBytes(kWidth, kHeight, Indices());
    test::WriteFile(dir.File("short-palette.cut"), image);
    std::vector<uint8_t> palette = test::CutPaletteBytes(Colors(3));
    palette.resize(500);
    test::WriteFile(dir.File("short-palette.pal"), palette);
    test::WriteFile(dir.File("header.cut"), { 10, 0, 10 });
    std::vector<uint8_t> huge = test::CutFileBytes(1, 1, { 7 });
    huge[0] = 0xFF, huge[1] = 0xFF, huge[2] = 0xFF, huge[3] = 0x0F;
    test::WriteFile(dir.File("huge.cut"), huge);

    for (const char* name : { "short-palette.cut", "header.cut", "huge.cut" }) {
        TCUTGraphic cut;
        try {
            cut.LoadFromFile(dir.File(name));
            ADD_FAILURE() << name << ": no error";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error") << name;
        }
    }
}

} // namespace
} // namespace pelmora
