#include "formats/readers/RLAGraphic.h"

#include "tests/support/ReaderChecks.h"
#include "tests/support/RlaFile.h"

#include <gtest/gtest.h>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// Channel c of file line k: a run at the start, then values that vary.
std::vector<uint8_t> Channel(int width, int k, int c)
{
    std::vector<uint8_t> v(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x)
        v[size_t(x)] = uint8_t(x < 3 ? 17 * c + k : x * 29 + k * 7 + c * 61);
    return v;
}

RlaFile Picture(int width, int lines, int colorChannels, int matteChannels)
{
    RlaFile f;
    f.left = 100;
    f.right = 100 + width - 1;
    f.bottom = 0;
    f.top = lines - 1;
    f.colorChannels = colorChannels;
    f.matteChannels = matteChannels;
    for (int k = 0; k < lines; ++k) {
        std::vector<std::vector<uint8_t>> line;
        for (int c = 0; c < colorChannels + matteChannels; ++c)
            line.push_back(Channel(width, k, c));
        f.lines.push_back(line);
    }
    return f;
}

// File line k is in row `row`: red, green, blue from channels 0..2, alpha from `alphaChannel`.
void ExpectLine(const Bitmap& b, int row, int k, int alphaChannel)
{
    const int bytes = alphaChannel >= 0 ? 4 : 3;
    const uint8_t* p = b.ScanLine(row);
    for (int x = 0; x < b.Width(); ++x) {
        SCOPED_TRACE(testing::Message() << "line " << k << " pixel " << x);
        ASSERT_EQ(p[x * bytes], Channel(b.Width(), k, 2)[size_t(x)]);
        ASSERT_EQ(p[x * bytes + 1], Channel(b.Width(), k, 1)[size_t(x)]);
        ASSERT_EQ(p[x * bytes + 2], Channel(b.Width(), k, 0)[size_t(x)]);
        if (alphaChannel >= 0) {
            ASSERT_EQ(p[x * bytes + 3], Channel(b.Width(), k, alphaChannel)[size_t(x)]);
        }
    }
}

} // namespace

TEST(RLAGraphic, LinesAndChannels)
{
    struct Case {
        const char* name;
        int colorChannels, matteChannels;
        bool bottomBelowTop;
        PixelFormat format;
        int alphaChannel;
    };
    const Case cases[] = {
        { "RGB, stored bottom up", 3, 0, true, PixelFormat::Rgb24, -1 },
        { "RGB, stored top down", 3, 0, false, PixelFormat::Rgb24, -1 },
        { "RGB and matte", 3, 1, true, PixelFormat::Rgb32, 3 },
        { "RGB and two mattes", 3, 2, true, PixelFormat::Rgb32, 3 },
        { "four colours and matte", 4, 1, true, PixelFormat::Rgb32, 4 },
        { "four colours", 4, 0, true, PixelFormat::Rgb24, -1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RlaFile f = Picture(200, 5, c.colorChannels, c.matteChannels);
        if (!c.bottomBelowTop)
            std::swap(f.bottom, f.top);
        auto rla = LoadFromBytes<TRLAGraphic>(f.Bytes());
        ASSERT_EQ(rla.GetPixelFormat(), c.format);
        ASSERT_EQ(rla.Width(), 200);
        ASSERT_EQ(rla.Height(), 5);
        for (int k = 0; k < 5; ++k)
            ExpectLine(rla, c.bottomBelowTop ? 4 - k : k, k, c.alphaChannel);
    }
}

TEST(RLAGraphic, OffsetsCountFromWhereTheImageStarts)
{
    std::vector<uint8_t> bytes(77, 0xEE);
    std::vector<uint8_t> rla = Picture(9, 3, 3, 0).Bytes();
    bytes.insert(bytes.end(), rla.begin(), rla.end());
    MemoryStream stream(bytes);
    stream.SetPosition(77);
    TRLAGraphic graphic;
    graphic.LoadFromStream(stream);
    ExpectLine(graphic, 2, 0, -1);
}

TEST(RLAGraphic, Failures)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    RlaFile grey = Picture(4, 2, 1, 0);
    RlaFile five = Picture(4, 2, 5, 0);
    std::vector<uint8_t> cutLine = Picture(40, 2, 3, 0).Bytes();
    cutLine.pop_back();
    std::vector<uint8_t> cutTable = Picture(4, 300, 3, 0).Bytes();
    cutTable.resize(740 + 30);
    RlaFile inverted = Picture(4, 2, 3, 0);
    std::swap(inverted.left, inverted.right);
    const Case cases[] = {
        { "one colour channel", grey.Bytes(), "RLA: image must be RGB(A)." },
        { "five colour channels", five.Bytes(), "RLA: image must be RGB(A)." },
        { "header cut short", std::vector<uint8_t>(739), "Stream read error" },
        { "line table cut short", cutTable, "Stream read error" },
        { "line cut short", cutLine, "Stream read error" },
        { "right of left", inverted.Bytes(), "Invalid image dimensions." },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadError<TRLAGraphic>(c.bytes), c.message) << c.name;
}
