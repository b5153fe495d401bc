// The display window's edit commands on the 4000 x 3000 photo as the window
// runs them once the value is known: the work copy, the effect, the result
// given to the picture control and painted. Each run starts from the photo
// (the edit before it is taken back outside the timing). The values are
// effects_bench's, so each row compares with that program's row of the same
// effect run alone.
#include "bench/BenchFiles.h"
#include "bench/app/BenchWindows.h"

#include "app/PictureLoader.h"
#include "app/ThumbnailView.h"
#include "display/DisplayImage.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>

#include <string>
#include <vector>

using namespace pelmora;

namespace {

struct EditCase {
    const char* operation;
    std::vector<double> values;
};

const EditCase kEdits[] = {
    {"InvertColors", {}},
    {"Contrast", {60}},
    {"Lightness", {40}},
    {"Darkness", {30}},
    {"Grayscale", {}},
    {"Saturation", {500}},
    {"Posterize", {50}},
    {"Sharpen", {2.5}},
    {"Convolve", {4, 1}},
    {"Emboss", {1}},
    {"GaussianBlur", {5}},
    {"SplitBlur", {5}},
    {"MirrorHorizontal", {}},
    {"MirrorVertical", {}},
    {"Rotate90", {}},
    {"FishEye", {1.0}},
    {"Resample", {2000, 1500, 5}},
    {"Mosaic", {6}},
    {"Trace", {1}},
    {"TriangleBlur", {80}},
    {"RippleTooth", {7}},
    {"RippleTriangle", {8}},
    {"RippleRandom", {12}},
    {"Spray", {8}},
};

void DisplayEdit(benchmark::State& state, const EditCase& edit)
{
    std::string path = bench::Fixture("photo-24.bmp");
    if (path.empty())
        return state.SkipWithError("fixture photo-24.bmp missing");
    QFileInfo file(QString::fromStdString(path));
    bench::OpenWindows open(file.absolutePath());
    open.Focus(file.fileName());
    open.Browser().ListView_filesDblClick();
    TForm2& display = open.Display();
    // The first edit reads the picture in full where a reduced one was shown
    // first, and the neighbours are read ahead once it shows: that and the
    // browser's thumbnails of the folder would otherwise share the first runs'
    // time and their spare pixel blocks.
    display.RunEdit(edit.operation, edit.values, edit.operation);
    display.UndoEditClick();
    const ThumbnailMaker& thumbnails = Inside(open.Browser()).ListView_thumbnails->Maker();
    do
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    while (!PictureLoader::WaitForIdle() || !thumbnails.Idle());
    for (auto _ : state) {
        display.RunEdit(edit.operation, edit.values, edit.operation);
        state.PauseTiming();
        display.UndoEditClick();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["Mpx/s"]
        = benchmark::Counter(4000.0 * 3000 * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

} // namespace

int main(int argc, char** argv)
{
    return bench::RunWindowBenchmarks(argc, argv, [] {
        for (const EditCase& edit : kEdits)
            benchmark::RegisterBenchmark((std::string("BM_DisplayEdit/") + edit.operation).c_str(), DisplayEdit, edit)
                ->UseRealTime()
                // Qt paints on threads of its own: their time is the edit's too.
                ->MeasureProcessCPUTime()
                ->Unit(benchmark::kMillisecond);
    });
}
