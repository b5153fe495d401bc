// The program's windows for the window benchmarks: created as the program
// creates them over a folder, with a settings file of their own.
#pragma once

#include "app/Application.h"
#include "settings/IniFile.h"
#include "app/Pelmora_main.h"
#include "app/ProgramFolder.h"
#include "app/Startup.h"
#include "display/Pelmora_screen.h"
#include "tests/support/BrowserAccess.h"
#include "tests/support/DisplayAccess.h"
#include "formats/PictureReaders.h"
#include "StallSampler.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <memory>

namespace pelmora {
// The benches reach the windows' controls as the window tests do.
using test::Inside;
} // namespace pelmora

namespace pelmora::bench {

// The seven windows over a folder, the browser shown, the display window full screen.
struct OpenWindows {
    explicit OpenWindows(const QString& folder)
    {
        IniFile settings((programFolder.path() + "/Pelmora.ini").toStdString());
        settings.WriteString("Preferences", "OpenPath", (folder + '/').toStdString());
        settings.WriteBool("Preferences", "HideImageOnLoad", true);
        settings.WriteBool("Preferences", "FullScreenView", true);
        SetProgramFolder(programFolder.path());
        windows = CreateWindows({});
        windows->Form1->show();
        QCoreApplication::processEvents();
    }
    ~OpenWindows()
    {
        windows.reset();
        SetProgramFolder({});
    }
    TForm1& Browser() { return *windows->Form1; }
    TForm2& Display() { return *windows->Form2; }
    void Focus(const QString& name)
    {
        FileListView& list = *Inside(Browser()).ListView_files;
        for (int i = 0; i < list.Count(); ++i)
            if (list.Caption(i) == name)
                list.FocusAndSelect(i);
    }

    QTemporaryDir programFolder;
    std::unique_ptr<PelmoraWindows> windows;
};

// The longest time the event loop went without turning, measured by a timer
// that asks to run every millisecond; and the most CPU time the interface
// thread spent between two turns, which on a loaded machine tells its own
// work from the time other programs had the processor. With
// PELMORA_STALL_SAMPLES set, what the thread waits on in each stall is
// sampled and the longest stalls are printed when the watch ends.
class StallWatch {
public:
    StallWatch()
    {
        if (!qEnvironmentVariableIsEmpty("PELMORA_STALL_SAMPLES"))
            sampler_ = std::make_unique<StallSampler>();
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (sampler_)
                sampler_->Beat();
            longest_ = std::max(longest_, sinceTick_.nsecsElapsed() / 1e6);
            sinceTick_.restart();
            double cpu = ThreadCpuMs();
            longestCpu_ = std::max(longestCpu_, cpu - cpuAtTick_);
            cpuAtTick_ = cpu;
        });
        sinceTick_.start();
        cpuAtTick_ = ThreadCpuMs();
        timer_.start();
    }
    double LongestMs() const { return longest_; }
    double LongestCpuMs() const { return longestCpu_; }

private:
    static double ThreadCpuMs()
    {
        timespec now {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    }

    std::unique_ptr<StallSampler> sampler_;
    QTimer timer_;
    QElapsedTimer sinceTick_;
    double longest_ = 0;
    double cpuAtTick_ = 0;
    double longestCpu_ = 0;
};

// The main of a window benchmark program: the program's application object
// and readers, offscreen unless another platform is asked for.
inline int RunWindowBenchmarks(int argc, char** argv, void (*registerBenchmarks)() = nullptr)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RegisterPictureReaders();
    Application app(argc, argv);
    if (registerBenchmarks)
        registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace pelmora::bench
