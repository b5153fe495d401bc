#include "formats/readers/PCDGraphic.h"

#include "tests/support/PcdFile.h"
#include "tests/support/ReaderChecks.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pelmora;
using namespace pelmora::test;

namespace {

constexpr int W = kPcdWidth, H = kPcdHeight;

struct Rgb {
    int red, green, blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Rgb& c)
    {
        return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
    }
};

Rgb At(const Bitmap& b, int x, int y)
{
    const uint8_t* p = b.ScanLine(y) + x * 3;
    return {p[2], p[1], p[0]};
}

int Blue(int luma, int chroma1)
{
    return std::clamp(int(std::nearbyint(1.3584 * luma + 2.2179 * (chroma1 - 156))), 0, 255);
}

// Luma that tells every stored pixel's place: its line and column folded in.
PcdFile Marked(int orientation, int resolution = 2)
{
    PcdFile f(resolution);
    f.orientation = orientation;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            f.luma[size_t(y * f.width + x)] = uint8_t((x + 3 * y) % 180);
    return f;
}

// The pack's image that `resolution` selects; throws as the reader does.
TPCDGraphic LoadResolution(const std::vector<uint8_t>& bytes, int resolution)
{
    TPCDGraphic pcd;
    pcd.SetResolution(resolution);
    MemoryStream stream(bytes);
    pcd.LoadFromStream(stream);
    return pcd;
}

// Stored pixel (x, y) of a neutral-chroma pack, as the reader shows it.
Rgb Stored(int x, int y)
{
    int v = std::clamp(int(std::nearbyint(1.3584 * ((x + 3 * y) % 180))), 0, 255);
    return {v, v, v};
}

} // namespace

TEST(PCDGraphic, OrientationsAreTurnedUpright)
{
    struct Case {
        int orientation;
        int width, height;
        // Where stored pixel (x, y) lands.
        int (*column)(int x, int y);
        int (*row)(int x, int y);
    };
    const Case cases[] = {
        {0, W, H, [](int x, int) { return x; }, [](int, int y) { return y; }},
        {1, H, W, [](int, int y) { return y; }, [](int x, int) { return W - 1 - x; }}, // counter-clockwise
        {2, W, H, [](int x, int) { return W - 1 - x; }, [](int, int y) { return H - 1 - y; }}, // half a turn
        {3, H, W, [](int, int y) { return H - 1 - y; }, [](int x, int) { return x; }}, // clockwise
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "orientation " << c.orientation);
        auto pcd = LoadFromBytes<TPCDGraphic>(Marked(c.orientation).Bytes());
        ASSERT_EQ(pcd.GetPixelFormat(), PixelFormat::Rgb24);
        ASSERT_EQ(pcd.Width(), c.width);
        ASSERT_EQ(pcd.Height(), c.height);
        for (int y : {0, 1, 2, 255, 510, 511})
            for (int x : {0, 1, 383, 766, 767})
                ASSERT_EQ(At(pcd, c.column(x, y), c.row(x, y)), Stored(x, y)) << "stored " << x << "," << y;
    }
}

TEST(PCDGraphic, SmallerImagesOfThePack)
{
    struct Case {
        int resolution, orientation;
        int width, height;
    };
    for (const Case& c : {Case {0, 0, 192, 128}, Case {1, 1, 256, 384}}) {
        SCOPED_TRACE(testing::Message() << "resolution " << c.resolution);
        const PcdFile f = Marked(c.orientation, c.resolution);
        TPCDGraphic pcd = LoadResolution(f.Bytes(), c.resolution);
        ASSERT_EQ(pcd.Width(), c.width);
        ASSERT_EQ(pcd.Height(), c.height);
        // The first and last stored pixels, a portrait one turned counter-clockwise.
        const int lastX = f.width - 1, lastY = f.height - 1;
        if (c.orientation == 0) {
            EXPECT_EQ(At(pcd, 0, 0), Stored(0, 0));
            EXPECT_EQ(At(pcd, lastX, lastY), Stored(lastX, lastY));
        } else {
            EXPECT_EQ(At(pcd, 0, lastX), Stored(0, 0));
            EXPECT_EQ(At(pcd, lastY, 0), Stored(lastX, lastY));
        }
    }
}

TEST(PCDGraphic, ADecodeSizeReadsTheSmallestImageThatReachesIt)
{
    struct Case {
        int resolution, orientation; // the pack holds only this image
        DecodeSize wanted;
        int width, height;
    };
    const Case cases[] = {
        {2, 0, {0, 0}, 768, 512}, {2, 0, {385, 257}, 768, 512}, {1, 0, {384, 256}, 384, 256},
        {0, 0, {769, 1}, 192, 128}, // a wide box: the height decides
        {0, 0, {100, 100}, 192, 128},
        {0, 1, {300, 10}, 128, 192}, // portrait: the turned height reaches it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.wanted.width << "x" << c.wanted.height);
        const PcdFile f = Marked(c.orientation, c.resolution);
        TPCDGraphic pcd;
        pcd.SetDecodeSize(c.wanted);
        MemoryStream stream(f.Bytes());
        pcd.LoadFromStream(stream);
        ASSERT_EQ(pcd.Width(), c.width);
        ASSERT_EQ(pcd.Height(), c.height);
        EXPECT_EQ(pcd.FullWidth(), c.orientation ? H : W);
        EXPECT_EQ(pcd.FullHeight(), c.orientation ? W : H);
        EXPECT_EQ(At(pcd, 0, c.orientation ? f.width - 1 : 0), Stored(0, 0));
    }
}

TEST(PCDGraphic, LumaLimitsWithNeutralChroma)
{
    for (auto [luma, grey] : {std::pair {0, 0}, std::pair {188, 255}, std::pair {100, 136}}) {
        PcdFile f;
        std::fill(f.luma.begin(), f.luma.end(), uint8_t(luma));
        auto pcd = LoadFromBytes<TPCDGraphic>(f.Bytes());
        EXPECT_EQ(At(pcd, 0, 0), (Rgb {grey, grey, grey})) << luma;
        EXPECT_EQ(At(pcd, 767, 511), (Rgb {grey, grey, grey})) << luma;
    }
}

TEST(PCDGraphic, ChromaIsInterpolatedAcrossAndDown)
{
    PcdFile f;
    std::fill(f.luma.begin(), f.luma.end(), uint8_t(100));
    const int half = W / 2;
    // Chroma 1 of every pair: 100 in even pairs, 200 in odd; the last sample of a line 40.
    for (int p = 0; p < H / 2; ++p)
        for (int j = 0; j < half; ++j)
            f.chroma1[size_t(p * half + j)] = uint8_t(j == half - 1 ? 40 : p % 2 ? 200 : 100);
    auto pcd = LoadFromBytes<TPCDGraphic>(f.Bytes());
    EXPECT_EQ(At(pcd, 0, 0).blue, Blue(100, 100)); // a pair's first line takes its own chroma
    EXPECT_EQ(At(pcd, 0, 1).blue, Blue(100, 150)); // the second, halfway to the next pair's
    EXPECT_EQ(At(pcd, 1, 1).blue, Blue(100, 150));
    EXPECT_EQ(At(pcd, 765, 0).blue, Blue(100, 70)); // between the last two samples
    EXPECT_EQ(At(pcd, 767, 0).blue, Blue(100, 40)); // the last sample, repeated past the end
    EXPECT_EQ(At(pcd, 765, 1).blue, Blue(100, (100 + 40 + 200 + 40) / 4));
    // The last pair has no next one: its second line repeats the chroma of the line above.
    EXPECT_EQ(At(pcd, 0, 510).blue, Blue(100, 200));
    EXPECT_EQ(At(pcd, 0, 511).blue, Blue(100, 200));
    EXPECT_EQ(At(pcd, 1, 511).blue, Blue(100, 200));
    EXPECT_EQ(At(pcd, 0, 509).blue, Blue(100, 150));
}

TEST(PCDGraphic, OffsetsCountFromWhereThePackStarts)
{
    std::vector<uint8_t> bytes(1000, 0x55);
    std::vector<uint8_t> pack = Marked(0).Bytes();
    bytes.insert(bytes.end(), pack.begin(), pack.end());
    MemoryStream stream(bytes);
    stream.SetPosition(1000);
    TPCDGraphic pcd;
    pcd.LoadFromStream(stream);
    EXPECT_EQ(At(pcd, 5, 7), Stored(5, 7));
}

TEST(PCDGraphic, Failures)
{
    std::vector<uint8_t> wrong = Marked(0).Bytes();
    wrong[2048 + 6] = 'X';
    std::vector<uint8_t> cut = Marked(0).Bytes();
    cut.pop_back();
    std::vector<uint8_t> noImage = Marked(0).Bytes();
    noImage.resize(kPcdBaseData);
    EXPECT_EQ(LoadError<TPCDGraphic>(wrong), "PCD: wrong image format.");
    EXPECT_EQ(LoadError<TPCDGraphic>(std::vector<uint8_t>(2050)), "Stream read error");
    EXPECT_EQ(LoadError<TPCDGraphic>(cut), "Stream read error");
    EXPECT_EQ(LoadError<TPCDGraphic>(noImage), "Stream read error");
    for (int resolution : {3, -1}) {
        try {
            LoadResolution(Marked(0).Bytes(), resolution);
            ADD_FAILURE() << "resolution " << resolution << " loads";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "PCD: image size currently not supported") << resolution;
        }
    }
}

TEST(PCDGraphicInterop, ImageMagickPacks)
{
    // ImageMagick's own colour conversion of a pack differs from the Kodak
    // one we use, so we take its stored luma and its upsampled chroma as
    // they are and convert them with the Kodak formulas: what is left is
    // only the difference of the two chroma interpolations, a few steps at
    // sharp edges and well under one on average.
    TempDir dir;
    const std::string path = PlasmaPicture(dir.File("photo.pcd"), W, H, 8, "-blur 0x2");
    // The base image is ImageMagick's fourth scene of a pack.
    CommandResult ycc = RunCommand(ImageMagick() + " '" + path + "[3]' -set colorspace sRGB -depth 8 rgb:-");
    ASSERT_EQ(ycc.status, 0) << ycc.error;
    ASSERT_EQ(ycc.output.size(), size_t(W) * H * 3);
    RgbaImage expected {W, H, {}};
    auto channel = [](double v) { return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0)); };
    for (size_t i = 0; i < ycc.output.size(); i += 3) {
        double y = 1.3584 * uint8_t(ycc.output[i]);
        int c1 = uint8_t(ycc.output[i + 1]) - 156, c2 = uint8_t(ycc.output[i + 2]) - 137;
        expected.pixels.insert(expected.pixels.end(),
            {channel(y + 1.8215 * c2), channel(y - 0.9271435 * c2 - 0.4302726 * c1), channel(y + 2.2179 * c1), 255});
    }
    EnsureReadersRegistered();
    RgbaImage ours = ToRgba(LoadBitmap(path));
    EXPECT_EQ(CompareImages(expected, ours, 12), "");
    ASSERT_EQ(ours.pixels.size(), expected.pixels.size());
    double total = 0;
    for (size_t i = 0; i < ours.pixels.size(); ++i)
        total += std::abs(int(ours.pixels[i]) - int(expected.pixels[i]));
    EXPECT_LT(total / (double(W) * H * 3), 1.0);
}
