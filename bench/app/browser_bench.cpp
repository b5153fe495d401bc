// The browser window's speed: RefreshLists on a folder of 10,000 picture
// files until the sorted list is painted; the longest stall of the event
// loop while the type names arrive; and start-up to the first painted
// browser window, in this process and as a whole program.
#include "bench/BenchFiles.h"

#include "app/Application.h"
#include "settings/IniFile.h"
#include "app/Pelmora_main.h"
#include "app/ProgramFolder.h"
#include "app/Startup.h"
#include "formats/PictureReaders.h"
#include "tests/support/BrowserAccess.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <memory>

using namespace pelmora;
using pelmora::test::Inside; // the benches reach the controls as the window tests do

namespace {

QString g_program; // this program, for the start-up probe

// A program folder whose settings list `folder` at start and preview nothing.
std::unique_ptr<QTemporaryDir> ProgramFolderListing(const QString& folder)
{
    auto programFolder = std::make_unique<QTemporaryDir>();
    IniFile settings((programFolder->path() + "/Pelmora.ini").toStdString());
    settings.WriteString("Preferences", "OpenPath", (folder.endsWith('/') ? folder : folder + '/').toStdString());
    settings.WriteBool("Preferences", "HideImageOnLoad", true);
    return programFolder;
}

// Runs the event loop until the browser's first paint.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* window) { window->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        }
        return false;
    }
    bool painted = false;
};

void WaitForTypeNames(TForm1& browser)
{
    while (browser.TypeNamesRunning()
        || Inside(browser).ListView_files->Model().TypeNamesApplied() < Inside(browser).ListView_files->Count())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// The seven windows with the browser shown on a folder, and the settings they read.
struct OpenBrowser {
    explicit OpenBrowser(const QString& folder)
        : programFolder(ProgramFolderListing(folder))
    {
        SetProgramFolder(programFolder->path());
        windows = CreateWindows({});
        windows->Form1->show();
        QCoreApplication::processEvents();
    }
    ~OpenBrowser()
    {
        windows.reset();
        SetProgramFolder({});
    }
    TForm1& Browser() { return *windows->Form1; }

    std::unique_ptr<QTemporaryDir> programFolder;
    std::unique_ptr<PelmoraWindows> windows;
};

QString Folder10000()
{
    std::string folder = bench::Fixture("folder-10000");
    return QString::fromStdString(folder);
}

void BM_RefreshLists(benchmark::State& state)
{
    QString folder = Folder10000();
    if (folder.isEmpty())
        return state.SkipWithError("fixture folder-10000 missing");
    OpenBrowser open(folder);
    TForm1& browser = open.Browser();
    for (auto _ : state) {
        browser.RefreshLists();
        // Shown: the sorted list painted once.
        Inside(browser).ListView_files->viewport()->repaint();
        state.PauseTiming();
        WaitForTypeNames(browser);
        state.ResumeTiming();
    }
    state.counters["files"] = Inside(browser).ListView_files->Count();
}
BENCHMARK(BM_RefreshLists)->UseRealTime()->Unit(benchmark::kMillisecond);

// The time until every type name has arrived, and the longest the event
// loop went without turning meanwhile (a 1 ms timer measures it).
void BM_TypeNamesArrive(benchmark::State& state)
{
    QString folder = Folder10000();
    if (folder.isEmpty())
        return state.SkipWithError("fixture folder-10000 missing");
    OpenBrowser open(folder);
    TForm1& browser = open.Browser();
    WaitForTypeNames(browser);
    double longestStall = 0;
    for (auto _ : state) {
        browser.RefreshLists();
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer ticks;
        ticks.setInterval(1);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longestStall = std::max(longestStall, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        ticks.start();
        WaitForTypeNames(browser);
    }
    state.counters["stall_ms"] = longestStall;
}
BENCHMARK(BM_TypeNamesArrive)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Windows created, the browser shown and painted: start-up inside a running program.
void BM_WindowsToFirstPaint(benchmark::State& state)
{
    QString folder = state.range(0) ? Folder10000() : QDir::tempPath();
    if (folder.isEmpty())
        return state.SkipWithError("fixture folder-10000 missing");
    auto programFolder = ProgramFolderListing(folder);
    SetProgramFolder(programFolder->path());
    for (auto _ : state) {
        auto windows = CreateWindows({});
        FirstPaint paint(windows->Form1.get());
        windows->Form1->show();
        QCoreApplication::exec();
        state.PauseTiming();
        windows.reset();
        state.ResumeTiming();
    }
    SetProgramFolder({});
}
BENCHMARK(BM_WindowsToFirstPaint)->Arg(0)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond);

// The whole program start: loading, the application, the windows, the first paint.
void BM_StartupToFirstPaint(benchmark::State& state)
{
    QString folder = state.range(0) ? Folder10000() : QDir::tempPath();
    if (folder.isEmpty())
        return state.SkipWithError("fixture folder-10000 missing");
    auto programFolder = ProgramFolderListing(folder);
    for (auto _ : state) {
        if (QProcess::execute(g_program, { "--startup-probe", programFolder->path() }) != 0)
            return state.SkipWithError("start-up probe failed");
    }
}
BENCHMARK(BM_StartupToFirstPaint)->Arg(0)->Arg(10000)->UseRealTime()->Unit(benchmark::kMillisecond);

// The probe: starts the way the program starts and ends at the first paint.
int StartupProbe(int argc, char** argv)
{
    RegisterPictureReaders();
    Application app(argc, argv);
    UseDefaultIconTheme();
    SetProgramFolder(QString::fromLocal8Bit(argv[2]));
    auto windows = CreateWindows({});
    FirstPaint paint(windows->Form1.get());
    windows->Form1->show();
    int result = app.exec();
    return paint.painted ? result : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strcmp(argv[1], "--startup-probe") == 0)
        return StartupProbe(argc, argv);
    RegisterPictureReaders();
    Application app(argc, argv);
    UseDefaultIconTheme();
    g_program = QCoreApplication::applicationFilePath();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
