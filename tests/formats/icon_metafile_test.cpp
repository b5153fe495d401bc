// Icons (largest image, bitmap and PNG entries, masks) and metafile headers.
#include "formats/Exception.h"
#include "formats/Icon.h"
#include "formats/Metafile.h"
#include "formats/PixelRows.h"
#include "formats/Stream.h"
#include "tests/support/ByteWriter.h"
#include "tests/support/IconFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

using namespace pelmora;
using namespace pelmora::test;

namespace {

template <class G> std::string ErrorOf(const std::vector<uint8_t>& bytes)
{
    MemoryStream stream {std::span<const uint8_t>(bytes)};
    G g;
    try {
        g.LoadFromStream(stream);
    } catch (const Exception& e) {
        return e.what();
    }
    return "";
}

TEST(Icon, TakesTheLargestImageAndItsMask)
{
    auto file
        = IconFile({{16, BitmapEntry(16, 10, false)}, {32, BitmapEntry(32, 200, true)}, {8, BitmapEntry(8, 5, false)}});
    MemoryStream stream {std::span<const uint8_t>(file)};
    TIcon icon;
    icon.LoadFromStream(stream);
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    const Bitmap& image = icon.Image();
    EXPECT_EQ(image.GetPixelFormat(), PixelFormat::Rgb32);
    EXPECT_EQ(image.ScanLine(0)[0], 200);
    EXPECT_EQ(image.ScanLine(0)[3], 0); // masked: transparent
    EXPECT_EQ(image.ScanLine(0)[7], 255); // next pixel opaque
    Bitmap b;
    b.Assign(icon);
    EXPECT_EQ(b.Width(), 32);
    MemoryStream out;
    icon.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), file);
}

TEST(Icon, PngEntriesAndImageMagicksIcons)
{
    TempDir dir;
    std::string png = dir.File("e.png");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 48x48 gradient:red-blue -depth 8 PNG24:" + png).status, 0);
    auto file = IconFile({{16, BitmapEntry(16, 1, false)}, {48, ReadFile(png)}});
    MemoryStream stream {std::span<const uint8_t>(file)};
    TIcon icon;
    icon.LoadFromStream(stream);
    EXPECT_EQ(icon.Width(), 48);
    EXPECT_EQ(CompareImages(DecodeWithImageMagick(png), ToRgba(icon.Image())), "");

    std::string ico = dir.File("m.ico");
    ASSERT_EQ(RunCommand(ImageMagick() + " -size 64x64 -seed 1 plasma:fractal -define icon:auto-resize=16,32,64 " + ico)
                  .status,
        0);
    TIcon fromFile;
    fromFile.LoadFromFile(ico);
    EXPECT_EQ(fromFile.Width(), 64);
}

TEST(Icon, ACursorIsAnIconWithAHotSpot)
{
    auto cursor = IconFile({{16, BitmapEntry(16, 1, false)}, {32, BitmapEntry(32, 9, true)}});
    cursor[2] = 2;
    cursor[6 + 16 + 4] = 5, cursor[6 + 16 + 6] = 7; // the larger entry's hot spot, where an icon keeps planes and bits
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        std::optional<std::pair<int, int>> hotSpot;
    } rows[] = {
        {"icon", IconFile({{32, BitmapEntry(32, 9, true)}}), std::nullopt},
        {"cursor", cursor, std::pair {5, 7}},
    };
    for (const auto& row : rows) {
        MemoryStream stream {std::span<const uint8_t>(row.bytes)};
        TIcon icon;
        icon.LoadFromStream(stream);
        EXPECT_EQ(icon.Width(), 32) << row.what;
        EXPECT_EQ(icon.Image().ScanLine(0)[3], 0) << row.what; // masked: transparent
        EXPECT_EQ(icon.HotSpot(), row.hotSpot) << row.what;
    }
}

TEST(Icon, WhatIsNotAnIconSaysSo)
{
    auto good = IconFile({{16, BitmapEntry(16, 1, false)}});
    auto badOffset = good;
    badOffset[18] = 0xFF, badOffset[19] = 0xFF, badOffset[20] = 0xFF; // entry offset far past the end
    auto unknownType = good;
    unknownType[2] = 3;
    for (const auto& bytes : {std::vector<uint8_t> {}, std::vector<uint8_t> {0, 0, 1, 0, 0, 0}, badOffset, unknownType,
             std::vector<uint8_t>(good.begin(), good.begin() + 40)})
        EXPECT_EQ(ErrorOf<TIcon>(bytes), "Icon image is not valid");
    TIcon icon;
    EXPECT_THROW(icon.SetWidth(3), Exception);
}

std::vector<uint8_t> WmfHeaderAndEnd(ByteWriter w, bool withExtent)
{
    w.U16LE(1).U16LE(9).U16LE(0x300).U32LE(0).U16LE(0).U32LE(0).U16LE(0);
    if (withExtent)
        w.U32LE(5).U16LE(0x020C).U16LE(300).U16LE(400); // SetWindowExt: y 300, x 400
    w.U32LE(3).U16LE(0);
    return w.data;
}

TEST(Metafile, SizesFromPlaceableHeaderWindowExtentAndEmfFrame)
{
    ByteWriter placeable;
    placeable.U32LE(0x9AC6CDD7).U16LE(0).U16LE(0).U16LE(0).U16LE(1440).U16LE(720).U16LE(1440).U32LE(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2)
        sum ^= uint16_t(placeable.data[i] | placeable.data[i + 1] << 8);
    placeable.U16LE(sum);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int width, height;
        bool enhanced;
    } cases[] = {
        {"placeable, one inch by half an inch", WmfHeaderAndEnd(placeable, false), 96, 48, false},
        {"plain with window extent", WmfHeaderAndEnd(ByteWriter(), true), 400, 300, false},
    };
    ByteWriter emf;
    emf.U32LE(1).U32LE(88).U32LE(0).U32LE(0).U32LE(99).U32LE(49); // type, size, bounds
    emf.U32LE(0).U32LE(0).U32LE(2540).U32LE(5080).U32LE(0x464D4520).Fill(48, 0); // frame in 0.01 mm
    for (const Case& c : cases) {
        MemoryStream s {std::span<const uint8_t>(c.bytes)};
        TMetafile m;
        m.LoadFromStream(s);
        EXPECT_EQ(m.Width(), c.width) << c.what;
        EXPECT_EQ(m.Height(), c.height) << c.what;
        EXPECT_EQ(m.Enhanced(), c.enhanced);
    }
    MemoryStream s {std::span<const uint8_t>(emf.data)};
    TMetafile m;
    m.LoadFromStream(s);
    EXPECT_TRUE(m.Enhanced());
    EXPECT_EQ(m.Width(), 96);
    EXPECT_EQ(m.Height(), 192);
}

TEST(Metafile, WhatIsNotAMetafileSaysSo)
{
    ByteWriter badSum;
    badSum.U32LE(0x9AC6CDD7).Fill(16, 1).U16LE(0xBEEF);
    ByteWriter badEmf;
    badEmf.U32LE(1).U32LE(88).Fill(32, 0).U32LE(0x12345678).Fill(44, 0);
    for (const auto& bytes : {std::vector<uint8_t> {}, std::vector<uint8_t>(40, 0x41), WmfHeaderAndEnd(badSum, false),
             WmfHeaderAndEnd(ByteWriter(), false), badEmf.data})
        EXPECT_EQ(ErrorOf<TMetafile>(bytes), "Metafile is not valid");
}

} // namespace
