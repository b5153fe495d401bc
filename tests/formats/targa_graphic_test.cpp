#include "formats/readers/TargaGraphic.h"
#include "formats/Confirmation.h"
#include "formats/Exception.h"
#include "formats/Stream.h"
#include "tests/support/LoadFromBytes.h"
#include "tests/support/TargaFile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pelmora {
namespace {

using test::TargaFile;

// Pixel x of file row k, byte b: the first three pixels of a row are equal
// (a run), the others differ (literals).
std::vector<uint8_t> TestPixels(int width, int height, int bytesPerPixel)
{
    std::vector<uint8_t> p;
    for (int k = 0; k < height; ++k)
        for (int x = 0; x < width; ++x)
            for (int b = 0; b < bytesPerPixel; ++b)
                p.push_back(uint8_t(17 * k + 3 * (x < 3 ? 0 : x) + 50 * b + 1));
    return p;
}

std::vector<uint8_t> ColorMap(int entries, int entryBytes)
{
    std::vector<uint8_t> map;
    for (int i = 0; i < entries * entryBytes; ++i)
        map.push_back(uint8_t(i * 7 + 3));
    return map;
}

TTargaGraphic Load(const std::vector<uint8_t>& bytes)
{
    return test::LoadFromBytes<TTargaGraphic>(bytes);
}

std::string LoadError(const std::vector<uint8_t>& bytes)
{
    return test::LoadError<TTargaGraphic>(bytes);
}

std::vector<uint8_t> Row(const Bitmap& b, int y, size_t bytes)
{
    return { b.ScanLine(y), b.ScanLine(y) + bytes };
}

TEST(TargaRead, EachImageTypeDepthAndRowOrder)
{
    struct Case {
        int type, bits;
        bool topFirst;
        PixelFormat format;
    } cases[] = {
        { 1, 8, true, PixelFormat::Indexed8 },
        { 1, 8, false, PixelFormat::Indexed8 },
        { 2, 15, true, PixelFormat::Rgb15 },
        { 2, 16, false, PixelFormat::Rgb15 },
        { 2, 24, true, PixelFormat::Rgb24 },
        { 2, 24, false, PixelFormat::Rgb24 },
        { 2, 32, false, PixelFormat::Rgb32 },
        { 3, 8, false, PixelFormat::Indexed8 },
        { 9, 8, true, PixelFormat::Indexed8 },
        { 10, 16, true, PixelFormat::Rgb15 },
        { 10, 24, false, PixelFormat::Rgb24 },
        { 10, 32, true, PixelFormat::Rgb32 },
        { 11, 8, false, PixelFormat::Indexed8 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + ", " + std::to_string(c.bits) + " bits, "
            + (c.topFirst ? "top" : "bottom") + " row first");
        const int width = 5, height = 3, size = (c.bits + 7) / 8;
        TargaFile f;
        f.imageType = c.type;
        f.bitsPerPixel = c.bits;
        f.width = width;
        f.height = height;
        f.descriptor = c.topFirst ? 0x20 : 0;
        if (c.type % 8 == 1) {
            f.colorMapType = 1;
            f.colorMapLength = 256;
            f.colorMap = ColorMap(256, 3);
        }
        f.pixels = TestPixels(width, height, size);

        TTargaGraphic t = Load(f.Bytes());
        ASSERT_EQ(t.GetPixelFormat(), c.format);
        ASSERT_EQ(t.Width(), width);
        ASSERT_EQ(t.Height(), height);
        const size_t rowBytes = size_t(width * size);
        for (int k = 0; k < height; ++k) {
            std::vector<uint8_t> expected(
                f.pixels.begin() + ptrdiff_t(k * rowBytes), f.pixels.begin() + ptrdiff_t((k + 1) * rowBytes));
            EXPECT_EQ(Row(t, c.topFirst ? k : height - 1 - k, rowBytes), expected) << "file row " << k;
        }
        if (c.type % 8 == 1) {
            EXPECT_EQ(t.PaletteColor(1), (PaletteEntry { 38, 31, 24, 0 })); // blue, green, red in the file
        }
        if (c.type % 8 == 3) {
            EXPECT_EQ(t.GetPalette(), GreyRamp(256));
        }
    }
}

TEST(TargaRead, ColorMapEntries)
{
    struct Case {
        int entryBits, entries;
        std::vector<uint8_t> map;
        PaletteEntry first, last;
    } cases[] = {
        { 24, 2, { 1, 2, 3, 4, 5, 6 }, { 3, 2, 1, 0 }, { 6, 5, 4, 0 } },
        { 32, 2, { 1, 2, 3, 99, 4, 5, 6, 99 }, { 3, 2, 1, 0 }, { 6, 5, 4, 0 } },
        // 5-5-5 words: red in bits 14-10, green 9-5, blue 4-0, each times 8.
        { 16, 2, { 0x1F, 0x7C, 0xE0, 0x03 }, { 248, 0, 248, 0 }, { 0, 248, 0, 0 } },
        { 15, 2, { 0x01, 0x04, 0xFF, 0xFF }, { 8, 0, 8, 0 }, { 248, 248, 248, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.entryBits) + "-bit entries");
        TargaFile f;
        f.imageType = 1;
        f.bitsPerPixel = 8;
        f.width = 2;
        f.height = 1;
        f.colorMapType = 1;
        f.colorMapLength = c.entries;
        f.colorMapEntryBits = c.entryBits;
        f.colorMap = c.map;
        f.pixels = { 0, 1 };
        TTargaGraphic t = Load(f.Bytes());
        ASSERT_EQ(t.GetPalette().size(), size_t(c.entries));
        EXPECT_EQ(t.PaletteColor(0), c.first);
        EXPECT_EQ(t.PaletteColor(1), c.last);
        // An index past a short palette shows its last entry.
        EXPECT_EQ(t.PaletteColor(200), c.last);
        EXPECT_EQ(Row(t, 0, 2), (std::vector<uint8_t> { 0, 1 }));
    }
}

TEST(TargaRead, ColorMapOfMoreThan256EntriesIsReadAndCut)
{
    TargaFile f;
    f.imageType = 1;
    f.bitsPerPixel = 8;
    f.width = 3;
    f.height = 1;
    f.colorMapType = 1;
    f.colorMapLength = 300;
    f.colorMap = ColorMap(300, 3);
    f.pixels = { 0, 255, 7 };
    TTargaGraphic t = Load(f.Bytes());
    ASSERT_EQ(t.GetPalette().size(), 256u);
    EXPECT_EQ(
        t.PaletteColor(255), (PaletteEntry { uint8_t(767 * 7 + 3), uint8_t(766 * 7 + 3), uint8_t(765 * 7 + 3), 0 }));
    EXPECT_EQ(Row(t, 0, 3), f.pixels);
}

TEST(TargaRead, GreyFileSkipsItsColorMap)
{
    for (int type : { 3, 11 }) {
        SCOPED_TRACE("type " + std::to_string(type));
        TargaFile f;
        f.imageType = type;
        f.bitsPerPixel = 8;
        f.width = 4;
        f.height = 2;
        f.colorMapType = 1;
        f.colorMapLength = 5;
        f.colorMapEntryBits = 32;
        f.colorMap = ColorMap(5, 4);
        f.pixels = TestPixels(4, 2, 1);
        TTargaGraphic t = Load(f.Bytes());
        EXPECT_EQ(t.GetPalette(), GreyRamp(256));
        EXPECT_EQ(Row(t, 0, 4), std::vector<uint8_t>(f.pixels.begin(), f.pixels.begin() + 4));
        EXPECT_EQ(Row(t, 1, 4), std::vector<uint8_t>(f.pixels.begin() + 4, f.pixels.end()));
    }
}

TEST(TargaRead, IdentificationTextIsKeptAndCleared)
{
    TargaFile f;
    f.width = 1;
    f.height = 1;
    f.pixels = { 1, 2, 3 };
    f.id = "made for a test";
    TTargaGraphic t;
    MemoryStream withText(f.Bytes());
    t.LoadFromStream(withText);
    EXPECT_EQ(t.Identification(), "made for a test");
    EXPECT_EQ(Row(t, 0, 3), f.pixels);

    f.id.clear();
    MemoryStream without(f.Bytes());
    t.LoadFromStream(without);
    EXPECT_EQ(t.Identification(), "");
}

TEST(TargaRead, RunLengthImageLeavesTheStreamAfterItsLastPacket)
{
    TargaFile f;
    f.imageType = 10;
    f.width = 300;
    f.height = 40;
    f.pixels = TestPixels(300, 40, 3);
    std::vector<uint8_t> bytes = f.Bytes();
    bytes.insert(bytes.end(), { 'E', 'N', 'D' });
    MemoryStream stream(bytes);
    TTargaGraphic t;
    t.LoadFromStream(stream);
    char tail[4] = {};
    EXPECT_EQ(stream.Read(tail, 3), 3u);
    EXPECT_STREQ(tail, "END");
    EXPECT_EQ(Row(t, 39, 9), std::vector<uint8_t>(f.pixels.end() - 900, f.pixels.end() - 891));
}

TEST(TargaRead, ShortAndUnsupportedFiles)
{
    TargaFile plain;
    plain.width = 4;
    plain.height = 2;
    plain.pixels = TestPixels(4, 2, 3);
    std::vector<uint8_t> cutPlain = plain.Bytes();
    cutPlain.pop_back();

    TargaFile unknownType = plain;
    unknownType.imageType = 32;
    TargaFile noPixels = plain;
    noPixels.imageType = 0;
    TargaFile oddDepth = plain;
    oddDepth.bitsPerPixel = 12;
    // A header asking for 60000 x 4000 pixels with a few bytes of packets.
    TargaFile huge;
    huge.imageType = 10;
    huge.width = 1;
    huge.height = 1;
    huge.pixels = { 1, 2, 3 };
    std::vector<uint8_t> hugeBytes = huge.Bytes();
    hugeBytes[12] = 0x60, hugeBytes[13] = 0xEA, hugeBytes[14] = 0xA0, hugeBytes[15] = 0x0F;

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    } cases[] = {
        { "plain row cut short", cutPlain, "Targa: invalid image" },
        { "compressed image type 32", unknownType.Bytes(), "Targa: invalid image" },
        { "image type 0", noPixels.Bytes(), "Targa: invalid image" },
        { "12 bits a pixel", oddDepth.Bytes(), "Targa: invalid image" },
        { "header alone", std::vector<uint8_t>(cutPlain.begin(), cutPlain.begin() + 18), "Targa: invalid image" },
        { "empty file", {}, "Targa: invalid image" },
        { "far too few packets for the size", hugeBytes, "Targa: invalid image" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadError(c.bytes), c.error) << c.name;
}

TEST(TargaRead, RunLengthRowCutShortIsBlackBeyondIt)
{
    TargaFile f;
    f.imageType = 10;
    f.width = 4;
    f.height = 2;
    f.pixels = { 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8 };
    const std::vector<uint8_t> full = f.Bytes();
    std::vector<uint8_t> bytes = full;
    bytes.resize(bytes.size() - 3);
    std::vector<uint8_t> expected(f.pixels.begin() + 12, f.pixels.end() - 3);
    expected.insert(expected.end(), 3, 0);
    // Into a fresh graphic, and into one whose rows held the whole picture before.
    TTargaGraphic fresh = Load(bytes), reused = Load(full);
    MemoryStream again(bytes);
    reused.LoadFromStream(again);
    for (TTargaGraphic* t : { &fresh, &reused }) {
        EXPECT_EQ(Row(*t, 1, 12), expected) << "the last pixel of the second row is black";
        EXPECT_EQ(Row(*t, 0, 12), std::vector<uint8_t>(f.pixels.begin(), f.pixels.begin() + 12));
    }
}

// ---- the writer ----

class TargaWrite : public ::testing::Test {
protected:
    void TearDown() override { SetConfirmationHandler(nullptr); }

    // Counts the questions and answers them with `answer`.
    void Answer(bool answer)
    {
        SetConfirmationHandler([this, answer](const std::string& q) {
            questions.push_back(q);
            return answer;
        });
    }
    std::vector<std::string> questions;
};

// A pattern with a run of equal pixels in the middle half of every row.
Bitmap WithRuns(int width, int height, PixelFormat format)
{
    Bitmap b = test::PatternBitmap(width, height, format);
    size_t used = size_t(width) * size_t(BitsPerPixel(StorageFormat(format))) / 8;
    for (int y = 0; y < height; ++y)
        std::memset(b.ScanLine(y) + used / 4, 0x35, used / 2);
    return b;
}

TTargaGraphic Saved(const Bitmap& image, std::vector<uint8_t>* bytes = nullptr)
{
    TTargaGraphic t;
    t.Assign(image);
    MemoryStream out;
    t.SaveToStream(out);
    if (bytes)
        *bytes = out.Bytes();
    return Load(out.Bytes());
}

TEST_F(TargaWrite, RoundTripsEveryPixelFormat)
{
    Answer(true);
    struct Case {
        PixelFormat format, read;
        int type, bits;
    } cases[] = {
        { PixelFormat::Indexed1, PixelFormat::Indexed8, 9, 8 },
        { PixelFormat::Indexed4, PixelFormat::Indexed8, 9, 8 },
        { PixelFormat::Indexed8, PixelFormat::Indexed8, 9, 8 },
        { PixelFormat::Rgb15, PixelFormat::Rgb15, 10, 16 },
        { PixelFormat::Rgb16, PixelFormat::Rgb15, 10, 16 },
        { PixelFormat::Rgb24, PixelFormat::Rgb24, 10, 24 },
        { PixelFormat::Rgb32, PixelFormat::Rgb32, 10, 32 },
        { PixelFormat::Custom, PixelFormat::Rgb24, 10, 24 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(PixelFormatName(c.format));
        Bitmap image = WithRuns(37, 5, c.format);
        std::vector<uint8_t> bytes;
        TTargaGraphic back = Saved(image, &bytes);
        ASSERT_GE(bytes.size(), 18u);
        EXPECT_EQ(bytes[1], c.type == 9 ? 1 : 0) << "colour map type";
        EXPECT_EQ(bytes[2], c.type);
        EXPECT_EQ(bytes[5] | bytes[6] << 8, 256) << "colour map length";
        EXPECT_EQ(bytes[7], 24);
        EXPECT_EQ(bytes[16], c.bits);
        EXPECT_EQ(bytes[17], 0x20) << "top row first";
        EXPECT_EQ(back.GetPixelFormat(), c.read);

        Bitmap expected;
        expected.Assign(image);
        if (c.format == PixelFormat::Rgb16)
            expected.SetPixelFormat(PixelFormat::Rgb15); // 5-6-5 green loses its lowest bit
        EXPECT_EQ(test::CompareImages(test::ToRgba(expected, true), test::ToRgba(back, true), 0, true), "");
    }
    EXPECT_EQ(questions.size(), 2u) << "asked for the 1- and 4-bit pictures only";
}

TEST_F(TargaWrite, PaletteOfAnIndexedPictureIsWrittenWith256Entries)
{
    Bitmap image = WithRuns(8, 2, PixelFormat::Indexed8);
    image.SetPalette({ { 10, 20, 30, 0 }, { 40, 50, 60, 0 } });
    std::vector<uint8_t> bytes;
    TTargaGraphic back = Saved(image, &bytes);
    ASSERT_GE(bytes.size(), 18u + 768u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 18, bytes.begin() + 24),
        (std::vector<uint8_t> { 30, 20, 10, 60, 50, 40 }));
    EXPECT_EQ(back.GetPalette().size(), 256u);
    EXPECT_EQ(back.PaletteColor(255), (PaletteEntry { 40, 50, 60, 0 })) << "the last entry fills the rest";
}

TEST_F(TargaWrite, IdentificationTextIsWrittenAgain)
{
    TargaFile f;
    f.width = 2;
    f.height = 1;
    f.pixels = { 1, 2, 3, 4, 5, 6 };
    f.id = "scanner 7";
    TTargaGraphic t = Load(f.Bytes());
    MemoryStream out;
    t.SaveToStream(out);
    ASSERT_GE(out.Bytes().size(), 27u);
    EXPECT_EQ(out.Bytes()[0], 9);
    EXPECT_EQ(std::string(out.Bytes().begin() + 18, out.Bytes().begin() + 27), "scanner 7");
    TTargaGraphic copy;
    copy.Assign(t);
    EXPECT_EQ(copy.Identification(), "scanner 7") << "a copy keeps it";
    EXPECT_EQ(Load(out.Bytes()).Identification(), "scanner 7");
}

TEST_F(TargaWrite, OneAndFourBitPicturesAskFirst)
{
    for (PixelFormat format : { PixelFormat::Indexed1, PixelFormat::Indexed4 }) {
        SCOPED_TRACE(PixelFormatName(format));
        TTargaGraphic t;
        t.Assign(WithRuns(9, 3, format));

        questions.clear();
        Answer(false);
        MemoryStream cancelled;
        t.SaveToStream(cancelled);
        EXPECT_TRUE(cancelled.Bytes().empty()) << "Cancel writes nothing at all";
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_EQ(questions[0], "Targa image: 1 or 4 bit color depth not allowed. Convert to 256 colors?");

        Answer(true);
        MemoryStream written;
        t.SaveToStream(written);
        ASSERT_GE(written.Bytes().size(), 18u);
        EXPECT_EQ(written.Bytes()[16], 8);
        EXPECT_EQ(t.GetPixelFormat(), format) << "saving leaves the picture as it was";
    }
}

TEST_F(TargaWrite, WithoutAHandlerTheAnswerIsOK)
{
    TTargaGraphic t;
    t.Assign(WithRuns(9, 3, PixelFormat::Indexed4));
    MemoryStream out;
    t.SaveToStream(out);
    EXPECT_FALSE(out.Bytes().empty());
}

TEST_F(TargaWrite, CancelLeavesAnExistingFileAlone)
{
    Answer(false);
    test::TempDir dir;
    std::string path = dir.File("keep.tga");
    test::WriteFile(path, { 1, 2, 3 });
    TTargaGraphic t;
    t.Assign(WithRuns(9, 3, PixelFormat::Indexed1));
    t.SaveToFile(path);
    EXPECT_EQ(test::ReadFile(path), (std::vector<uint8_t> { 1, 2, 3 }));
    t.SaveToFile(dir.File("new.tga"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.tga")));
}

TEST_F(TargaWrite, EmptyPictureWritesNothingAndAsksNothing)
{
    Answer(true);
    TTargaGraphic t;
    t.Assign(Bitmap(0, 5, PixelFormat::Indexed4));
    MemoryStream out;
    t.SaveToStream(out);
    EXPECT_TRUE(out.Bytes().empty());
    EXPECT_TRUE(questions.empty());
}

// Stores at most `room` bytes, like a full disk.
class FullStream final : public Stream {
public:
    explicit FullStream(size_t room)
        : room_(room)
    {
    }
    size_t Read(void*, size_t) override { return 0; }
    size_t Write(const void*, size_t count) override
    {
        size_t n = std::min(count, room_ - written_);
        written_ += n;
        return n;
    }
    int64_t Position() const override { return int64_t(written_); }
    void SetPosition(int64_t) override { }
    int64_t Size() const override { return int64_t(written_); }

private:
    size_t room_, written_ = 0;
};

TEST_F(TargaWrite, ShortWriteFails)
{
    TTargaGraphic t;
    t.Assign(WithRuns(50, 10, PixelFormat::Rgb24));
    for (size_t room : { size_t(0), size_t(10), size_t(100) }) {
        FullStream full(room);
        try {
            t.SaveToStream(full);
            ADD_FAILURE() << "no error with room for " << room << " bytes";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Targa: could not write image data");
        }
    }
}

} // namespace
} // namespace pelmora
