// The browser window's stored geometry under a window manager whose frame is
// 2 x 25 pixels and shows only after the window is placed: a start followed
// by a close stores what it read.
#include "app/WindowPlacement.h"

#include <gtest/gtest.h>

using namespace pelmora;

namespace {

const QMargins kFrame(1, 24, 1, 1);
const QRect kScreen(0, 0, 1368, 800);

enum class Shown { Normal, Maximized, MaximizedThenRestored };

// The window manager puts the frame's corner where it is asked and frames the window later.
QRect ClientAt(const Placement& placement, const QMargins& frame)
{
    return QRect(placement.framePosition + QPoint(frame.left(), frame.top()), placement.clientSize);
}

// One run: placed, framed, perhaps maximized and restored, closed; the outer rectangle stored.
QRect StartAndClose(const StoredGeometry& stored, Shown shown)
{
    WindowPlacement placement(stored, {502, 483}, {229, 114});
    QRect client = ClientAt(placement.Initial(kScreen), {});
    if (shown != Shown::Normal) {
        EXPECT_FALSE(placement.FrameMeasured(QMargins(0, 19, 0, 0), true, kScreen));
    }
    if (shown != Shown::Maximized) {
        // Unframed, the window manager's corner is the frame's; then the frame shows.
        client.translate(kFrame.left(), kFrame.top());
        if (auto again = placement.FrameMeasured(kFrame, false, kScreen))
            client = ClientAt(*again, kFrame);
        EXPECT_FALSE(placement.FrameMeasured(kFrame, false, kScreen)) << "placed once only";
    }
    return placement.ToStore(client);
}

StoredGeometry Stored(const QRect& outer)
{
    return {outer.left(), outer.top(), outer.width(), outer.height()};
}

struct RunCase {
    const char* name;
    StoredGeometry stored;
    Shown shown;
    QRect kept;
};

class StoredGeometryTest : public testing::TestWithParam<RunCase> { };

TEST_P(StoredGeometryTest, AStartAndACloseChangeNothing)
{
    const RunCase& c = GetParam();
    QRect first = StartAndClose(c.stored, c.shown);
    EXPECT_EQ(first, c.kept);
    EXPECT_EQ(StartAndClose(Stored(first), c.shown), first) << "second run";
}

INSTANTIATE_TEST_SUITE_P(Runs, StoredGeometryTest,
    testing::Values(RunCase {"FirstRunClientArea502x483", {}, Shown::Normal, {229, 114, 504, 508}},
        RunCase {"Stored", {40, 30, 640, 520}, Shown::Normal, {40, 30, 640, 520}},
        RunCase {"ClosedMaximized", {40, 30, 640, 520}, Shown::Maximized, {40, 30, 640, 520}},
        RunCase {"Restored", {40, 30, 640, 520}, Shown::MaximizedThenRestored, {40, 30, 640, 520}},
        RunCase {"LargerThanTheScreen", {-1, -1, 1370, 806}, Shown::Normal, kScreen},
        RunCase {"TallerOnly", {40, 30, 640, 900}, Shown::Normal, {40, 0, 640, 800}},
        RunCase {"OnNoScreen", {5000, 3000, 640, 520}, Shown::Normal, {0, 0, 640, 520}},
        RunCase {"PositionOnly", {40, 30, {}, {}}, Shown::Normal, {40, 30, 504, 508}}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(StoredGeometry, TheUsersChangesAreStoredWithTheFrame)
{
    WindowPlacement placement(Stored({40, 30, 640, 520}), {502, 483}, {229, 114});
    placement.Initial(kScreen);
    placement.FrameMeasured(kFrame, false, kScreen);
    EXPECT_EQ(placement.ToStore({101, 74, 700, 400}), QRect(100, 50, 702, 425));
}

} // namespace
