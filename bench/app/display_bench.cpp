// The display window's speed: opening a 6000 x 4000 picture (BMP and JPEG)
// until it is painted, against decoding the same file alone; Page Down
// held through a folder of 200 pictures of 2000 x 1500, with the number of
// steps waiting at any time; and the magnifier's lens following the pointer
// over the 6000 x 4000 picture.
#include "bench/BenchFiles.h"
#include "bench/app/BenchWindows.h"

#include "app/Application.h"
#include "settings/IniFile.h"
#include "app/Pelmora_main.h"
#include "app/ProgramFolder.h"
#include "app/Startup.h"
#include "display/DisplayImage.h"
#include "display/Magnifier.h"
#include "display/Pelmora_screen.h"
#include "formats/Picture.h"
#include "formats/PictureReaders.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>

using namespace pelmora;
using bench::OpenWindows;

namespace {

const char* const kOpenFixtures[] = {"display-open/photo-6000.bmp", "display-open/photo-6000.jpg"};

// ListView_filesDblClick on the open window until the picture is painted.
void BM_DisplayOpen(benchmark::State& state)
{
    std::string path = bench::Fixture(kOpenFixtures[state.range(0)]);
    if (path.empty())
        return state.SkipWithError("fixture display-open missing");
    QFileInfo file(QString::fromStdString(path));
    OpenWindows open(file.absolutePath());
    open.Focus(file.fileName());
    TForm2& display = open.Display();
    for (auto _ : state) {
        open.Browser().ListView_filesDblClick();
        display.repaint();
    }
    // 1 when Image1 paints the decoded rows themselves (no second copy of the picture).
    state.counters["rows_shared"] = Inside(display).Image1->Shown().constBits() == Inside(display).Image1->Picture().Bits();
    state.counters["width"] = Inside(display).Image1->width();
}
BENCHMARK(BM_DisplayOpen)->ArgName("jpeg")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same files decoded alone, as ListView_filesDblClick decodes them.
void BM_DisplayDecodeAlone(benchmark::State& state)
{
    std::string path = bench::Fixture(kOpenFixtures[state.range(0)]);
    if (path.empty())
        return state.SkipWithError("fixture display-open missing");
    for (auto _ : state) {
        Picture picture;
        picture.LoadFromFile(path);
        DecodeToBitmap(picture);
        benchmark::DoNotOptimize(picture.AsBitmap().Bits());
    }
}
BENCHMARK(BM_DisplayDecodeAlone)->ArgName("jpeg")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// Page Down held: a key every `range(0)` milliseconds (33 is a desktop's
// repeat rate, 5 piles keys up faster than a picture loads) from the first
// picture until the last is shown. Time per step shown; the most steps ever
// waiting; keys sent against steps made.
void BM_HeldPageDown(benchmark::State& state)
{
    std::string folder = bench::Fixture("folder-200");
    if (folder.empty())
        return state.SkipWithError("fixture folder-200 missing");
    OpenWindows open(QString::fromStdString(folder));
    TForm1& browser = open.Browser();
    TForm2& display = open.Display();
    FileListView& list = *Inside(browser).ListView_files;
    int keys = 0, steps = 0, mostPending = 0;
    double stepMilliseconds = 0;
    // After the display window's own connection: counts the pictures it was given.
    const QMetaObject::Connection counting
        = QObject::connect(&browser, &TForm1::PictureOpened, [&](Picture&) { ++steps; });
    for (auto _ : state) {
        state.PauseTiming();
        list.FocusAndSelect(0);
        browser.ListView_filesDblClick();
        keys = steps = mostPending = 0;
        state.ResumeTiming();
        QElapsedTimer elapsed;
        elapsed.start();
        QTimer repeat;
        repeat.setInterval(int(state.range(0)));
        // The desktop queues repeats while a picture loads: every key due since the last turn arrives now.
        QObject::connect(&repeat, &QTimer::timeout, [&] {
            for (qint64 due = elapsed.elapsed() / state.range(0) + 1; keys < due; ++keys)
                QCoreApplication::postEvent(
                    &display, new QKeyEvent(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier, QString(), true));
        });
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            mostPending = std::max(mostPending, int(display.StepPending()));
            if (list.FocusedPosition() == list.Count() - 1 && !display.StepPending())
                QCoreApplication::exit(0);
        });
        repeat.start();
        watch.start();
        QCoreApplication::exec();
        // Keys still on their way belong to no run.
        QCoreApplication::removePostedEvents(&display, QEvent::KeyPress);
        stepMilliseconds = elapsed.nsecsElapsed() / 1e6 / std::max(1, steps);
    }
    state.counters["ms_per_step"] = stepMilliseconds;
    state.counters["steps"] = steps;
    state.counters["keys"] = keys;
    state.counters["most_pending"] = mostPending;
    QObject::disconnect(counting);
}
BENCHMARK(BM_HeldPageDown)
    ->ArgName("key_ms")
    ->Arg(33)
    ->Arg(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// Counts the paints of a control.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// The left button held with the magnifier on: one pointer move, from the
// event until its paint has ended. Lens factor and size from the arguments
// (3, 100 are the defaults; 2, 180 the largest source square).
void BM_LensMove(benchmark::State& state)
{
    std::string path = bench::Fixture(kOpenFixtures[0]);
    if (path.empty())
        return state.SkipWithError("fixture display-open missing");
    QFileInfo file(QString::fromStdString(path));
    OpenWindows open(file.absolutePath());
    open.Focus(file.fileName());
    open.Browser().ListView_filesDblClick();
    TForm2& display = open.Display();
    QCoreApplication::processEvents();
    Inside(display).Panel_magnify->SetStoredValues(6 - int(state.range(0)), 200 - int(state.range(1)));
    display.Pop_screener_magnifyClick();
    QWidget* image = Inside(display).Image1;
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button) {
        QPointF global = image->mapToGlobal(QPointF(at));
        QMouseEvent event(type, QPointF(at), global, button, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(image, &event);
    };
    send(QEvent::MouseButtonPress, {400, 300}, Qt::LeftButton);
    QCoreApplication::processEvents();
    PaintCounter counter;
    image->installEventFilter(&counter);
    int moves = 0;
    for (auto _ : state) {
        send(QEvent::MouseMove, {380 + moves % 40, 290 + moves % 20}, Qt::NoButton);
        QCoreApplication::processEvents();
        ++moves;
    }
    image->removeEventFilter(&counter);
    // 1 when every move was painted.
    state.counters["paints_per_move"] = double(counter.paints) / std::max(1, moves);
    send(QEvent::MouseButtonRelease, {400, 300}, Qt::LeftButton);
}
BENCHMARK(BM_LensMove)
    ->ArgNames({"factor", "size"})
    ->Args({3, 100})
    ->Args({2, 180})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::RunWindowBenchmarks(argc, argv);
}
