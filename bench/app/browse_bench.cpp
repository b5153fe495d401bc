// Browsing at the speed of the keyboard, on a folder of 6000 x 4000 JPEGs:
// the Down key in the file list until the new preview is painted, with the
// longest stall of the event loop meanwhile, against the whole preview made
// on the interface thread; Page Down in the display window until the next
// picture is painted, decoded ahead and not; Page Down held through 200 of
// them, with the memory the process holds at the end.
#include "BenchWindows.h"
#include "bench/BenchFiles.h"

#include "app/Application.h"
#include "app/BitmapImage.h"
#include "app/NeighbourPictures.h"
#include "app/Pelmora_main.h"
#include "app/PictureFile.h"
#include "app/PictureLoader.h"
#include "app/PreviewImageBox.h"
#include "app/PreviewLayout.h"
#include "app/ProgramFolder.h"
#include "app/Startup.h"
#include "display/DisplayImage.h"
#include "display/Pelmora_screen.h"
#include "formats/PictureReaders.h"
#include "settings/IniFile.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <memory>
#include <utility>

using namespace pelmora;

namespace {

// The seven windows over the folder of 6000 x 4000 JPEGs, the browser shown.
struct Windows {
    explicit Windows(const QString& folder, bool preview, bool fit = false)
    {
        IniFile settings((programFolder.path() + "/Pelmora.ini").toStdString());
        settings.WriteString("Preferences", "OpenPath", (folder + '/').toStdString());
        settings.WriteBool("Preferences", "HideImageOnLoad", !preview);
        settings.WriteBool("Preferences", "FullScreenView", true);
        settings.WriteBool("Preferences", "FitToWindow", fit);
        SetProgramFolder(programFolder.path());
        windows = CreateWindows({});
        windows->Form1->show();
        PictureLoader::WaitForIdle();
    }
    ~Windows()
    {
        windows.reset();
        SetProgramFolder({});
    }
    TForm1& Browser() { return *windows->Form1; }
    TForm2& Display() { return *windows->Form2; }
    FileListView& List() { return *Inside(*windows->Form1).ListView_files; }

    QTemporaryDir programFolder;
    std::unique_ptr<PelmoraWindows> windows;
};

QString Folder(benchmark::State& state)
{
    std::string folder = bench::Fixture("folder-6000");
    if (folder.empty())
        state.SkipWithError("fixture folder-6000 missing");
    return QString::fromStdString(folder);
}

void Press(QWidget* to, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &release);
}

// CPU time of the whole process (every thread) in milliseconds: the worker's
// share of a step is not in the benchmark's own CPU column.
double ProcessCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Down in the file list until the preview of the entry reached is painted:
// after a pause in which the entries next to it were read ahead (1), and
// straight after the last preview was painted, before the read ahead of the
// next one could end (0: keys faster than reads).
void BM_ArrowToPreview(benchmark::State& state)
{
    QString folder = Folder(state);
    if (folder.isEmpty())
        return;
    const bool pause = state.range(0);
    Windows open(folder, true);
    FileListView& list = open.List();
    PreviewImageBox* preview = Inside(open.Browser()).Image1;
    list.setFocus();
    bench::StallWatch stalls;
    double cpu = 0, slowest = 0;
    int ready = 0; // keys whose preview was painted without waiting for a read
    for (auto _ : state) {
        if (list.FocusedPosition() == list.Count() - 1 || pause) {
            state.PauseTiming();
            if (list.FocusedPosition() == list.Count() - 1) {
                list.FocusAndSelect(0);
                open.Browser().ListView_filesClick();
            }
            PictureLoader::WaitForIdle();
            state.ResumeTiming();
        }
        double cpuBefore = ProcessCpuMs();
        QElapsedTimer key;
        key.start();
        qint64 before = preview->Picture().cacheKey();
        Press(&list, Qt::Key_Down);
        ready += preview->Picture().cacheKey() != before;
        while (preview->Picture().cacheKey() == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        preview->repaint();
        cpu += ProcessCpuMs() - cpuBefore;
        slowest = std::max(slowest, key.nsecsElapsed() / 1e6);
    }
    state.counters["stall_ms"] = stalls.LongestMs();
    state.counters["stall_cpu_ms"] = stalls.LongestCpuMs();
    state.counters["process_cpu_ms"] = cpu / double(state.iterations());
    state.counters["slowest_key_ms"] = slowest;
    state.counters["read_ahead_share"] = double(ready) / double(state.iterations());
    state.counters["preview_width"] = preview->width();
}
BENCHMARK(BM_ArrowToPreview)
    ->ArgName("pause")
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The first entry's path and the preview panel's size, the two things the
// preview benches read.
std::pair<QString, QSize> FirstEntryAndPanel(Windows& open)
{
    return {open.Browser().PathForEntry(0), Inside(open.Browser()).Panel_image->contentsRect().size()};
}

// The same preview made the way it was before it moved to the worker: the
// whole picture decoded and shrunk on the interface thread, which stalls
// the event loop all that time.
void BM_PreviewOnInterfaceThread(benchmark::State& state)
{
    QString folder = Folder(state);
    if (folder.isEmpty())
        return;
    Windows open(folder, true);
    const auto [path, panel] = FirstEntryAndPanel(open);
    for (auto _ : state) {
        Picture picture;
        LoadPictureFile(picture, path);
        Bitmap& bitmap = picture.AsBitmap();
        QImage shown = BitmapToImage(bitmap).scaled(PreviewSize(QSize(bitmap.Width(), bitmap.Height()), panel),
            Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        Inside(open.Browser()).Image1->SetPicture(shown);
        Inside(open.Browser()).Image1->repaint();
    }
}
BENCHMARK(BM_PreviewOnInterfaceThread)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// The worker's share of one arrow key: the file read at the panel's size (JPEG
// scaled in its DCT) on this thread. Its CPU time is the least an arrow key
// can take on a machine with a core to spare.
void BM_PreviewReadAtPanelSize(benchmark::State& state)
{
    QString folder = Folder(state);
    if (folder.isEmpty())
        return;
    Windows open(folder, true);
    const auto [path, panel] = FirstEntryAndPanel(open);
    for (auto _ : state) {
        LoadedPicture loaded = ReadPicture({path, {panel.width(), panel.height()}, nullptr});
        benchmark::DoNotOptimize(loaded.picture.get());
        state.counters["decoded_width"] = loaded.picture ? loaded.picture->Width() : 0;
    }
    state.counters["panel_width"] = panel.width();
}
BENCHMARK(BM_PreviewReadAtPanelSize)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Page Down in the display window until the next picture is painted: with
// its neighbours decoded ahead (1), and straight after the previous step,
// before the worker has got there (0).
void BM_PageDownToPainted(benchmark::State& state)
{
    QString folder = Folder(state);
    if (folder.isEmpty())
        return;
    const bool ahead = state.range(0);
    Windows open(folder, false);
    FileListView& list = open.List();
    TForm2& display = open.Display();
    list.FocusAndSelect(0);
    open.Browser().ListView_filesDblClick();
    int taken = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (list.FocusedPosition() == list.Count() - 1) {
            list.FocusAndSelect(0);
            open.Browser().ListView_filesDblClick();
        }
        if (ahead)
            PictureLoader::WaitForIdle();
        int held = display.Neighbours().Held();
        state.ResumeTiming();
        int from = list.FocusedPosition();
        Press(&display, Qt::Key_PageDown);
        while (list.FocusedPosition() == from || display.StepPending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        display.repaint();
        taken += display.Neighbours().Held() < held;
    }
    state.counters["from_neighbours"] = double(taken) / double(state.iterations());
}
BENCHMARK(BM_PageDownToPainted)
    ->ArgName("ahead")
    ->Arg(1)
    ->Arg(0)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// Opening the focused 6000 x 4000 JPEG in the display window until it is
// painted, fit off (0) and on (1): fitted, the first paint comes from a read
// reduced for the screen while the worker reads the whole picture, which
// replaces it (waited for outside the timing).
void BM_OpenToFirstPaint(benchmark::State& state)
{
    QString folder = Folder(state);
    if (folder.isEmpty())
        return;
    Windows open(folder, false, state.range(0));
    open.List().FocusAndSelect(0);
    TForm2& display = open.Display();
    double cpu = 0;
    bool reduced = false;
    for (auto _ : state) {
        double cpuBefore = ProcessCpuMs();
        open.Browser().ListView_filesDblClick();
        display.repaint();
        cpu += ProcessCpuMs() - cpuBefore;
        reduced = Inside(display).reducedShown_;
        state.PauseTiming();
        PictureLoader::WaitForIdle();
        display.close();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["process_cpu_ms"] = cpu / double(state.iterations());
    state.counters["reduced_first_paint"] = reduced;
}
BENCHMARK(BM_OpenToFirstPaint)
    ->ArgName("fit")
    ->Arg(0)
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// What `ps` shows as RSS, in megabytes (0 where /proc is not there).
double ResidentMegabytes()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    return 0;
}

// Page Down held (a key every 33 ms, queued while a step runs) from the first
// of 200 pictures to the last: the longest a step kept the focused entry
// without its picture, and the resident memory at the end and at most.
void BM_HeldPageDownLarge(benchmark::State& state)
{
    QString folder = Folder(state);
    if (folder.isEmpty())
        return;
    Windows open(folder, false);
    FileListView& list = open.List();
    TForm2& display = open.Display();
    double longestStep = 0, mostResident = 0;
    for (auto _ : state) {
        list.FocusAndSelect(0);
        open.Browser().ListView_filesDblClick();
        QElapsedTimer elapsed;
        elapsed.start();
        int keys = 0;
        QTimer repeat;
        repeat.setInterval(33);
        QObject::connect(&repeat, &QTimer::timeout, [&] {
            for (qint64 due = elapsed.elapsed() / 33 + 1; keys < due; ++keys)
                QCoreApplication::postEvent(
                    &display, new QKeyEvent(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier, QString(), true));
        });
        QElapsedTimer sinceStep;
        sinceStep.start();
        int shownAt = 0;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (list.FocusedPosition() != shownAt) {
                mostResident = std::max(mostResident, ResidentMegabytes());
                longestStep = std::max(longestStep, sinceStep.nsecsElapsed() / 1e6);
                shownAt = list.FocusedPosition();
            }
            sinceStep.restart();
            if (list.FocusedPosition() == list.Count() - 1 && !display.StepPending())
                QCoreApplication::exit(0);
        });
        repeat.start();
        watch.start();
        QCoreApplication::exec();
        QCoreApplication::removePostedEvents(&display, QEvent::KeyPress);
    }
    state.counters["longest_step_ms"] = longestStep;
    state.counters["rss_end_mb"] = ResidentMegabytes();
    state.counters["rss_most_mb"] = mostResident;
}
BENCHMARK(BM_HeldPageDownLarge)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RegisterPictureReaders();
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
