// Metafiles drawn: each record family lands where its records put it, and the
// same files drawn by ImageMagick cover the same areas.
#include "app/MetafilePainter.h"
#include "formats/Metafile.h"
#include "tests/support/ByteWriter.h"
#include "tests/support/MetafileFile.h"
#include "tests/support/TestFiles.h"

#include <QGuiApplication>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <tuple>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// Text needs a GUI application.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[5] = "test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const gui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

uint32_t Colour(const Bitmap& b, int x, int y)
{
    const uint8_t* p = b.ScanLine(y) + x * 4;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

Bitmap Draw(const std::vector<uint8_t>& file, int width = 0, int height = 0)
{
    bool enhanced;
    DrawingSteps steps = ReadMetafile(file, enhanced);
    Bitmap b;
    DrawStepsToBitmap(steps, b, width ? width : steps.width, height ? height : steps.height);
    return b;
}

// A red brush and no pen, selected: slots 0 and 1.
WmfWriter RedNoPen()
{
    WmfWriter w;
    w.Brush(0, 0xFF0000).Pen(5, 0, 0).Select(0).Select(1);
    return w;
}

struct Probe {
    int x, y;
    uint32_t colour;
};

TEST(MetafilePainter, EachRecordFamilyLandsWhereItsRecordsPutIt)
{
    constexpr uint32_t kRed = 0xFF0000, kWhite = 0xFFFFFF, kBlue = 0x0000FF;
    struct Row {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<Probe> probes;
    };
    WmfWriter rect = RedNoPen(), ellipse = RedNoPen(), polygon = RedNoPen(), pie = RedNoPen(), clip = RedNoPen();
    rect.Rectangle(40, 20, 120, 80);
    ellipse.Ellipse(0, 0, 200, 100);
    polygon.Polygon({{0, 0}, {200, 0}, {0, 100}});
    pie.Record(0x081A, {50, 200, 50, 0, 100, 200, 0, 0}); // the lower half: from the left end round to the right
    clip.Record(0x0416, {100, 100, 0, 0}).Rectangle(0, 0, 200, 100);
    WmfWriter lines;
    lines.Pen(0, 10, kBlue).Select(0).Record(0x0325, {2, 0, 50, 200, 50});
    WmfWriter bitmap;
    bitmap.StretchDib(20, 10, 80, 40, DibBytes(4, 2, kBlue, kRed), 4, 2); // each pixel becomes 20 x 20
    WmfWriter oldPattern = RedNoPen(); // a 2 x 2 monochrome Bitmap16 brush, clear bits on the diagonal
    oldPattern.Object(0x01F9, {0, 2, 2, 2, 0x0101, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0040, 0x0080});
    oldPattern.Select(2).TextColour(kRed).Record(0x0201, {0, 0xFF}).Rectangle(0, 0, 200, 100);
    WmfWriter saved = RedNoPen();
    saved.Record(0x001E, {}).Brush(0, kBlue).Select(2).Record(0x0127, {-1}).Rectangle(0, 0, 200, 100);
    EmfWriter emf;
    emf.Record(39, {1, 0, 0x0000FF, 0}).Record(37, {1}).Record(37, {int32_t(0x80000008)}); // red brush, no pen
    emf.Record(17, {8}).Record(9, {20, 10}).Record(11, {200, 100}); // anisotropic: 10 pixels a unit
    emf.Record(59, {}).Record(27, {0, 0}).Record(54, {10, 0}).Record(54, {0, 10}).Record(61, {});
    emf.Record(60, {}).Record(62, {0, 0, 0, 0});
    EmfWriter emfBitmap;
    std::vector<uint8_t> dib = DibBytes(4, 2, kBlue, kRed);
    ByteWriter stretch; // StretchDIBits: bounds, destination, source, the bitmap's parts, usage, operation, size
    stretch.Fill(16, 0).U32LE(20).U32LE(10).U32LE(0).U32LE(0).U32LE(4).U32LE(2);
    stretch.U32LE(80).U32LE(40).U32LE(120).U32LE(uint32_t(dib.size() - 40)).U32LE(0).U32LE(0xCC0020);
    stretch.U32LE(80).U32LE(40).Bytes(dib);
    emfBitmap.Record(81, stretch.data);
    // Enhanced records on a 200 x 100 picture whose logical units are its pixels.
    auto redNoPenEmf = [] {
        EmfWriter w;
        w.Record(39, {1, 0, 0x0000FF, 0}).Record(37, {1}).Record(37, {int32_t(0x80000008)});
        return w;
    };
    auto bluePenEmf = [] {
        EmfWriter w;
        w.Record(38, {1, 0, 6, 0, 0xFF0000}).Record(37, {1});
        return w;
    };
    constexpr int32_t k180Degrees = 0x43340000; // as a float
    EmfWriter region = redNoPenEmf(), pattern, angleArc = bluePenEmf(), polyDraw = bluePenEmf();
    region.Record(75, {64, 5, 32, 1, 2, 32, 0, 0, 200, 100, 0, 0, 50, 100, 150, 0, 200, 100});
    region.Record(43, {0, 0, 200, 100});
    EmfWriter clipPath = redNoPenEmf(); // a triangle's path as the clip
    clipPath.Record(59, {}).Record(27, {0, 0}).Record(54, {200, 0}).Record(54, {0, 100}).Record(61, {}).Record(60, {});
    clipPath.Record(67, {5}).Record(43, {0, 0, 200, 100});
    std::vector<uint8_t> tile = DibBytes(2, 2, kBlue, kRed);
    ByteWriter brush; // CreateDIBPatternBrushPt: slot, usage, the bitmap's parts
    brush.U32LE(1).U32LE(0).U32LE(32).U32LE(40).U32LE(72).U32LE(uint32_t(tile.size() - 40)).Bytes(tile);
    pattern.Record(94, brush.data).Record(37, {1}).Record(37, {int32_t(0x80000008)}).Record(43, {0, 0, 200, 100});
    angleArc.Record(27, {10, 50}).Record(41, {100, 50, 40, k180Degrees, k180Degrees});
    polyDraw.Record(56, {0, 0, 0, 0, 3, 10, 10, 190, 10, 190, 90, 0x00030206}); // move, line, line and close
    Row rows[] = {
        {"Windows rectangle", rect.Placeable(0, 0, 200, 100, 96),
            {{41, 21, kRed}, {118, 78, kRed}, {38, 50, kWhite}, {122, 50, kWhite}}},
        {"ellipse", ellipse.Placeable(0, 0, 200, 100, 96), {{100, 50, kRed}, {2, 2, kWhite}, {197, 97, kWhite}}},
        {"polygon", polygon.Placeable(0, 0, 200, 100, 96), {{20, 20, kRed}, {180, 80, kWhite}}},
        {"pie", pie.Placeable(0, 0, 200, 100, 96), {{100, 80, kRed}, {100, 20, kWhite}}},
        {"polyline with a wide pen", lines.Placeable(0, 0, 200, 100, 96),
            {{100, 50, kBlue}, {100, 47, kBlue}, {100, 40, kWhite}}},
        {"clip rectangle", clip.Placeable(0, 0, 200, 100, 96), {{50, 50, kRed}, {150, 50, kWhite}}},
        {"bitmap stretched", bitmap.Placeable(0, 0, 200, 100, 96),
            {{25, 15, kRed}, {38, 28, kRed}, {45, 15, kBlue}, {95, 45, kBlue}, {15, 15, kWhite}}},
        {"Windows pattern brush of a Bitmap16", oldPattern.Placeable(0, 0, 200, 100, 96),
            {{0, 0, kRed}, {1, 0, kBlue}, {0, 1, kBlue}, {1, 1, kRed}, {101, 50, kBlue}}},
        {"saved and restored brush", saved.Placeable(0, 0, 200, 100, 96), {{100, 50, kRed}}},
        {"enhanced path in anisotropic mapping", emf.File(5292, 2646), {{20, 20, kRed}, {180, 80, kWhite}}},
        {"enhanced bitmap stretched", emfBitmap.File(5292, 2646),
            {{25, 15, kRed}, {38, 28, kRed}, {45, 15, kBlue}, {95, 45, kBlue}, {15, 15, kWhite}}},
        {"enhanced region clip", region.File(5292, 2646), {{25, 50, kRed}, {100, 50, kWhite}, {175, 50, kRed}}},
        {"enhanced clip path", clipPath.File(5292, 2646), {{20, 20, kRed}, {100, 30, kRed}, {180, 80, kWhite}}},
        {"enhanced pattern brush", pattern.File(5292, 2646),
            {{0, 0, kRed}, {1, 0, kBlue}, {0, 1, kBlue}, {100, 50, kRed}, {101, 51, kBlue}}},
        {"angle arc from the current position", angleArc.File(5292, 2646),
            {{35, 50, kBlue}, {100, 90, kBlue}, {140, 50, kBlue}, {100, 10, kWhite}}},
        {"poly draw with a closed figure", polyDraw.File(5292, 2646),
            {{100, 10, kBlue}, {190, 50, kBlue}, {100, 50, kBlue}, {50, 80, kWhite}}},
    };
    for (const Row& row : rows) {
        Bitmap b = Draw(row.file);
        ASSERT_EQ(b.Width(), 200) << row.what;
        for (const Probe& p : row.probes)
            EXPECT_EQ(Colour(b, p.x, p.y), p.colour) << row.what << " at " << p.x << "," << p.y;
    }
}

TEST(MetafilePainter, WindowsViewportRecordsAndMappingModesPlaceTheDrawing)
{
    constexpr uint32_t kRed = 0xFF0000, kWhite = 0xFFFFFF;
    // Where a red rectangle lands on a 200 x 100 picture: its corners just inside, then just outside.
    const std::vector<Probe> quarterAtCentre {{52, 27, kRed}, {98, 73, kRed}, {48, 50, kWhite}, {102, 50, kWhite}};
    const std::vector<Probe> topLeftQuarter {{2, 2, kRed}, {98, 48, kRed}, {102, 25, kWhite}, {50, 52, kWhite}};
    const std::vector<Probe> leftHalf {{2, 2, kRed}, {98, 98, kRed}, {102, 50, kWhite}};
    struct Row {
        const char* what;
        std::vector<std::tuple<uint16_t, std::vector<int>>> records; // before the rectangle
        std::array<int, 4> rectangle;
        int placeableRight, placeableBottom, inch;
        std::vector<Probe> probes;
    };
    const Row rows[] = {
        {"SetViewportOrg", {{0x020D, {25, 50}}}, {0, 0, 50, 50}, 200, 100, 96, quarterAtCentre},
        {"OffsetViewportOrg adds to the origin", {{0x020D, {10, 10}}, {0x0211, {15, 40}}}, {0, 0, 50, 50}, 200, 100,
            96, quarterAtCentre},
        {"OffsetWindowOrg", {{0x020F, {-25, -50}}}, {0, 0, 50, 50}, 200, 100, 96, quarterAtCentre},
        {"SetViewportExt", {{0x020E, {50, 100}}}, {0, 0, 200, 100}, 200, 100, 96, topLeftQuarter},
        {"ScaleViewportExt", {{0x0412, {2, 1, 2, 1}}}, {0, 0, 200, 100}, 200, 100, 96, topLeftQuarter},
        {"ScaleWindowExt", {{0x0410, {1, 2, 1, 2}}}, {0, 0, 200, 100}, 200, 100, 96, topLeftQuarter},
        {"text mode ignores the extents", {{0x0103, {1}}}, {0, 0, 100, 50}, 400, 200, 192, topLeftQuarter},
        {"isotropic keeps the axes equal", {{0x0103, {7}}, {0x020C, {100, 100}}}, {0, 0, 100, 100}, 200, 100, 96,
            leftHalf},
        {"a tenth of a millimetre a unit, upwards", {{0x0103, {2}}}, {0, 0, 254, -254}, 200, 100, 96,
            {{2, 2, kRed}, {94, 94, kRed}, {98, 50, kWhite}}},
        {"a restored state takes its viewport back", {{0x001E, {}}, {0x020D, {50, 100}}, {0x0127, {-1}}},
            {50, 25, 100, 75}, 200, 100, 96, quarterAtCentre},
    };
    for (const Row& row : rows) {
        WmfWriter w = RedNoPen();
        for (const auto& [function, words] : row.records) {
            ByteWriter p;
            for (int v : words)
                p.U16LE(unsigned(v) & 0xFFFF);
            w.Record(function, p.data);
        }
        auto [l, t, r, b] = row.rectangle;
        Bitmap drawn = Draw(w.Rectangle(l, t, r, b).Placeable(0, 0, row.placeableRight, row.placeableBottom, row.inch));
        ASSERT_EQ(drawn.Width(), 200) << row.what;
        for (const Probe& p : row.probes)
            EXPECT_EQ(Colour(drawn, p.x, p.y), p.colour) << row.what << " at " << p.x << "," << p.y;
    }
}

TEST(MetafilePainter, TextLandsInsideItsBoxAndVectorsRedrawAtAnySize)
{
    WmfWriter text;
    text.Record(0x0102, {1}).Font(-20, 700, false, "Sans").Select(0).TextColour(0x000000);
    text.TextOut(20, 30, "Hello");
    Bitmap b = Draw(text.Placeable(0, 0, 200, 100, 96));
    int inside = 0, outside = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (Colour(b, x, y) < 0x808080)
                (x >= 20 && x < 120 && y >= 30 && y < 54 ? inside : outside) += 1;
    EXPECT_GT(inside, 40);
    EXPECT_EQ(outside, 0);

    // Centred on its anchor: as much of it left of the anchor as right of it.
    WmfWriter centred;
    centred.Record(0x0102, {1}).Font(-20, 700, false, "Sans").Select(0).TextColour(0x000000).Record(0x012E, {6});
    Bitmap middle = Draw(centred.TextOut(100, 30, "Hello").Placeable(0, 0, 200, 100, 96));
    int left = 0, right = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (Colour(middle, x, y) < 0x808080)
                ++(x < 100 ? left : right);
    EXPECT_GT(left, 20);
    EXPECT_NEAR(left, right, (left + right) / 4);

    // Advances the record gives place each character: the second 100 pixels on.
    EmfWriter spaced; // ExtTextOutW "HH" at 20, 30
    spaced.Record(84, {0, 0, 0, 0, 1, 0, 0, 20, 30, 2, 76, 0, 0, 0, 0, 0, 80, 0x00480048, 100, 10});
    Bitmap apart = Draw(spaced.File(5292, 2646));
    std::array<int, 3> dark {}; // the first character's columns, between, the second's
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (Colour(apart, x, y) < 0x808080)
                ++dark[x < 40 ? 0 : x < 115 ? 1 : 2];
    EXPECT_GT(dark[0], 10);
    EXPECT_EQ(dark[1], 0);
    EXPECT_GT(dark[2], 10);

    // Three times as high, drawn in bands: the text is as high again three times, whichever bands it crosses.
    auto darkRows = [](const Bitmap& drawn) {
        int first = drawn.Height(), last = -1;
        for (int y = 0; y < drawn.Height(); ++y)
            for (int x = 0; x < drawn.Width(); ++x)
                if (Colour(drawn, x, y) < 0x808080)
                    first = std::min(first, y), last = std::max(last, y);
        return last - first + 1;
    };
    EXPECT_NEAR(darkRows(Draw(text.Placeable(0, 0, 200, 100, 96), 200, 300)), 3 * darkRows(b), 4);

    // Larger: the edge stays sharp rather than a stretched pixel step, and
    // the bands drawn side by side meet without a seam.
    WmfWriter rect = RedNoPen();
    rect.Rectangle(40, 20, 120, 80);
    Bitmap big = Draw(rect.Placeable(0, 0, 200, 100, 96), 400, 300);
    for (int y : {61, 149, 150, 151, 238}) {
        EXPECT_EQ(Colour(big, 81, y), 0xFF0000u) << y;
        EXPECT_EQ(Colour(big, 79, y), 0xFFFFFFu) << y;
    }
}

TEST(MetafilePainter, DrawingsOnEveryPoolThreadAtOnceAllFinish)
{
    // Each drawing's second band waits in the pool its own thread holds: it is drawn there instead.
    WmfWriter rect = RedNoPen();
    rect.Rectangle(40, 20, 120, 80);
    bool enhanced;
    const DrawingSteps steps = ReadMetafile(rect.Placeable(0, 0, 200, 100, 96), enhanced);
    QThreadPool& pool = *QThreadPool::globalInstance();
    std::vector<Bitmap> drawn(size_t(pool.maxThreadCount()));
    for (Bitmap& b : drawn)
        pool.start([&steps, &b] { DrawStepsToBitmap(steps, b, 200, 300); });
    ASSERT_TRUE(pool.waitForDone(20000));
    for (const Bitmap& b : drawn) {
        EXPECT_EQ(Colour(b, 81, 150), 0xFF0000u);
        EXPECT_EQ(Colour(b, 81, 280), 0xFFFFFFu);
    }
}

// The share of pixels covered (darker than near-white) in one picture and not in the other.
double CoverageDifference(const RgbaImage& theirs, const Bitmap& ours)
{
    auto covered = [](uint32_t r, uint32_t g, uint32_t b) { return r + g + b < 600; };
    int differ = 0;
    for (int y = 0; y < ours.Height(); ++y)
        for (int x = 0; x < ours.Width(); ++x) {
            const uint8_t* p = &theirs.pixels[size_t(y * theirs.width + x) * 4];
            uint32_t c = Colour(ours, x, y);
            differ += covered(p[0], p[1], p[2]) != covered(c >> 16, c >> 8 & 0xFF, c & 0xFF);
        }
    return double(differ) / (ours.Width() * ours.Height());
}

TEST(MetafilePainter, InteropCoversWhatImageMagickCovers)
{
    // Each picture starts with a white frame, so ImageMagick's picture (which
    // takes the bounds of the drawing) is the whole frame too.
    auto framed = [] {
        WmfWriter w;
        w.Brush(0, 0xFFFFFF).Pen(5, 0, 0).Select(0).Select(1).Rectangle(0, 0, 200, 100);
        w.Brush(0, 0xFF0000).Select(2);
        return w;
    };
    WmfWriter shapes = framed(), lines = framed(), arcs = framed(), bitmap = framed(), text = framed();
    shapes.Rectangle(10, 10, 60, 90).Ellipse(70, 10, 130, 90).Polygon({{140, 90}, {170, 10}, {195, 90}});
    lines.Pen(0, 8, 0x0000FF).Select(3).Record(0x0325, {3, 10, 10, 190, 50, 10, 90});
    arcs.Record(0x081A, {50, 200, 50, 0, 100, 200, 0, 0}).Record(0x0830, {10, 20, 10, 180, 50, 190, 10, 110});
    bitmap.StretchDib(20, 10, 160, 80, DibBytes(4, 2, 0x0000FF, 0xFF0000), 4, 2);
    text.Font(-40, 700, false, "DejaVu Sans").Select(3).Record(0x0102, {1}).TextOut(30, 30, "WMF");
    // ImageMagick's player puts a stretched bitmap a few pixels right of and
    // below its place and sizes text as at 72 dpi; those rows allow for it.
    const std::tuple<const char*, WmfWriter*, double> rows[] = {{"shapes", &shapes, 0.02}, {"lines", &lines, 0.02},
        {"arcs", &arcs, 0.02}, {"bitmap", &bitmap, 0.12}, {"text", &text, 0.10}};
    TempDir dir;
    for (auto [name, writer, tolerance] : rows) {
        std::string wmf = dir.File(std::string(name) + ".wmf"), png = dir.File(std::string(name) + ".png");
        WriteFile(wmf, writer->Placeable(0, 0, 200, 100, 96));
        CommandResult drawn = RunCommand(ImageMagick() + " -density 96 " + wmf + " -background white -flatten " + png);
        ASSERT_EQ(drawn.status, 0) << name << ": " << drawn.error;
        RgbaImage theirs = DecodeWithImageMagick(png);
        Bitmap ours = Draw(writer->Placeable(0, 0, 200, 100, 96));
        ASSERT_EQ(theirs.width, ours.Width()) << name;
        ASSERT_EQ(theirs.height, ours.Height()) << name;
        EXPECT_LT(CoverageDifference(theirs, ours), tolerance) << name;
    }
}

} // namespace
