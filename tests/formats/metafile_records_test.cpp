// Metafile records into drawing steps: the size a picture takes, and records
// that lie (sizes, counts, indices, nesting) refused or clipped, never trusted.
#include "formats/Exception.h"
#include "formats/Metafile.h"
#include "tests/support/ByteWriter.h"
#include "tests/support/MetafileFile.h"

#include <gtest/gtest.h>

#include <functional>

using namespace pelmora;
using namespace pelmora::test;

namespace {

DrawingSteps Read(const std::vector<uint8_t>& file)
{
    bool enhanced;
    return ReadMetafile(file, enhanced);
}

TEST(MetafileSize, APlainWindowsMetafileWithoutExtentTakesTheBoundsOfItsDrawing)
{
    struct Row {
        const char* what;
        WmfWriter records;
        int width, height;
        MetaPoint topLeftMapsTo; // where the drawing's top-left corner lands
    };
    WmfWriter rect, two, placeable;
    rect.Rectangle(10, 20, 60, 50);
    two.Rectangle(-5, -5, 5, 5).Ellipse(20, 30, 40, 45);
    Row rows[] = {
        {"one rectangle", rect, 50, 30, {0, 0}},
        {"shapes left of and above the origin", two, 45, 50, {0, 0}},
    };
    for (Row& row : rows) {
        DrawingSteps steps = Read(row.records.File());
        EXPECT_EQ(steps.width, row.width) << row.what;
        EXPECT_EQ(steps.height, row.height) << row.what;
        ASSERT_FALSE(steps.steps.empty());
        const MetaStep& first = steps.steps.front();
        MetaPoint p = steps.states[first.state].transform.Map({first.rect.left, first.rect.top});
        EXPECT_NEAR(p.x, row.topLeftMapsTo.x, 1e-9) << row.what;
        EXPECT_NEAR(p.y, row.topLeftMapsTo.y, 1e-9) << row.what;
    }
    // An unknown record alone still leaves a picture of its header's size, empty.
    WmfWriter unknown;
    unknown.Record(0x0626, {1, 2, 3});
    DrawingSteps empty = Read(unknown.Placeable(0, 0, 192, 96, 96));
    EXPECT_EQ(empty.width, 192);
    EXPECT_TRUE(empty.steps.empty());
}

TEST(MetafileRecords, LyingRecordsAreRefusedOrClipped)
{
    struct Row {
        const char* what;
        std::vector<uint8_t> file;
        std::function<void(const DrawingSteps&)> check;
    };
    auto kinds = [](const DrawingSteps& s) {
        std::string k;
        for (const MetaStep& step : s.steps)
            k += char('a' + int(step.kind));
        return k;
    };
    WmfWriter pastTable;
    pastTable.Brush(0, 0xFF0000).Select(40).Select(-1).Rectangle(0, 0, 10, 10);
    WmfWriter longPolygon;
    longPolygon.Record(0x0324, {1000, 0, 0, 10, 0, 10, 10});
    WmfWriter shortPolyPolygon;
    shortPolyPolygon.Record(0x0538, {2, 3, 300, 0, 0, 10, 0, 10, 10}).Rectangle(0, 0, 5, 5);
    WmfWriter negative;
    negative.Record(0x0325, {-4, 0, 0, 5, 5}).Record(0x0521, {-3, 1, 1}).Rectangle(0, 0, 5, 5);
    WmfWriter nesting;
    for (int i = 0; i < 2000; ++i)
        nesting.Record(0x001E, {});
    nesting.Brush(0, 0x00FF00).Select(0);
    nesting.Record(0x0127, {-30000}).Record(0x0127, {1}).Rectangle(0, 0, 5, 5);
    WmfWriter damaged;
    damaged.Rectangle(0, 0, 5, 5);
    std::vector<uint8_t> cut = damaged.File();
    cut.insert(cut.end() - 6, {0xFF, 0xFF, 0, 0, 0x1B, 0x04}); // a record longer than the file
    EmfWriter emf;
    emf.Record(4, {0, 0, 0, 0, 0x7FFFFFFF, 1, 2}).Record(8, {0, 0, 0, 0, 2, 3, 1, 1, 0, 0, 5, 5, 9, 9});
    emf.Record(37, {99999}).Record(43, {0, 0, 10, 10});
    EmfWriter region; // a region claiming more rectangles than it holds, then one whose mode is unknown
    region.Record(75, {48, 1, 32, 1, 1000, 16, 0, 0, 5, 5, 0, 0, 5, 5})
        .Record(75, {48, 9, 32, 1, 1, 16, 0, 0, 5, 5, 0, 0, 5, 5});
    region.Record(43, {0, 0, 10, 10});
    EmfWriter polyDraw; // more points than the record holds, then a curve short of its points
    polyDraw.Record(56, {0, 0, 0, 0, 100000, 1, 1, 0x0202}).Record(92, {0, 0, 0, 0, 2, 0x00010001, 0x00020002, 0x0404});
    polyDraw.Record(43, {0, 0, 10, 10});
    EmfWriter brush; // a pattern brush whose bitmap lies outside its record
    brush.Record(94, {1, 0, 4000, 40, 4040, 16}).Record(37, {1}).Record(43, {0, 0, 10, 10});
    EmfWriter text; // advances outside the record
    text.Record(84, {0, 0, 0, 0, 1, 0, 0, 2, 3, 1, 76, 0, 0, 0, 0, 0, 9000, 0x41});
    Row rows[] = {
        {"enhanced: a lying region changes no clip", region.File(254, 254),
            [&](const DrawingSteps& s) {
                ASSERT_EQ(kinds(s), "c");
                EXPECT_TRUE(s.states[s.steps[0].state].clip.empty());
            }},
        {"enhanced: a poly draw beyond its record or its curve's points draws nothing", polyDraw.File(254, 254),
            [&](const DrawingSteps& s) { EXPECT_EQ(kinds(s), "c"); }},
        {"enhanced: a pattern brush without its bitmap is grey", brush.File(254, 254),
            [&](const DrawingSteps& s) {
                ASSERT_EQ(kinds(s), "c");
                EXPECT_EQ(s.states[s.steps[0].state].brush.color, (MetaColor {128, 128, 128}));
                EXPECT_TRUE(s.bitmaps.empty());
            }},
        {"enhanced: text whose advances lie outside its record keeps its own", text.File(254, 254),
            [&](const DrawingSteps& s) {
                ASSERT_EQ(kinds(s), "j");
                EXPECT_TRUE(s.steps[0].advances.empty());
                EXPECT_EQ(s.steps[0].text, u"A");
            }},
        {"an object index past the table selects nothing", pastTable.Placeable(0, 0, 10, 10, 96),
            [&](const DrawingSteps& s) {
                ASSERT_EQ(kinds(s), "c");
                EXPECT_EQ(s.states[s.steps[0].state].brush.color, (MetaColor {255, 255, 255}));
            }},
        {"a polygon claiming more points than its record holds is cut to them", longPolygon.Placeable(0, 0, 10, 10, 96),
            [&](const DrawingSteps& s) {
                ASSERT_EQ(kinds(s), "b");
                EXPECT_EQ(s.steps[0].points.size(), 3u);
            }},
        {"a poly-polygon whose counts overrun its points is skipped", shortPolyPolygon.Placeable(0, 0, 10, 10, 96),
            [&](const DrawingSteps& s) { EXPECT_EQ(kinds(s), "c"); }},
        {"negative counts draw nothing", negative.Placeable(0, 0, 10, 10, 96),
            [&](const DrawingSteps& s) { EXPECT_EQ(kinds(s), "c"); }},
        {"deep saving is capped, restoring past the saves is ignored", nesting.Placeable(0, 0, 10, 10, 96),
            [&](const DrawingSteps& s) {
                ASSERT_EQ(kinds(s), "c");
                EXPECT_EQ(s.states[s.steps[0].state].brush.color, (MetaColor {255, 255, 255}));
            }},
        {"a damaged record keeps what came before it", cut,
            [&](const DrawingSteps& s) {
                EXPECT_EQ(kinds(s), "c");
                EXPECT_EQ(s.width, 5);
            }},
        {"enhanced: huge and inconsistent counts are skipped, unknown handles ignored", emf.File(2540, 2540),
            [&](const DrawingSteps& s) { EXPECT_EQ(kinds(s), "c"); }},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.check(Read(row.file));
    }
    // Nothing readable at all: the reader's message.
    WmfWriter none;
    std::vector<uint8_t> broken = none.Placeable(0, 0, 10, 10, 96);
    broken.resize(broken.size() - 6);
    broken.insert(broken.end(), {0x00, 0x10, 0, 0, 0x1B, 0x04});
    EXPECT_THROW(Read(broken), EInvalidGraphic);
}

} // namespace
