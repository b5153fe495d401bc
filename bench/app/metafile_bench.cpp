// Metafiles: a 200 KB clip-art Windows metafile (bench/make_clipart_wmf.py)
// read into drawing steps, and read and drawn at 1920 x 1080, the size a
// full-screen display window draws it at; /1 is the heavy case whose every
// outline is a wide pen.
#include "bench/BenchFiles.h"

#include "app/MetafilePainter.h"
#include "formats/Metafile.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

using namespace pelmora;

namespace {

std::vector<unsigned char> ClipArt(benchmark::State& state)
{
    std::string path = bench::Fixture(state.range(0) ? "clipart-wide.wmf" : "clipart.wmf");
    if (path.empty())
        state.SkipWithError("clip-art metafile missing: run bench/make-fixtures.sh");
    return path.empty() ? std::vector<unsigned char> {} : bench::ReadWholeFile(path);
}

void BM_MetafileRead(benchmark::State& state)
{
    std::vector<unsigned char> file = ClipArt(state);
    for (auto _ : state) {
        bool enhanced;
        DrawingSteps steps = ReadMetafile(file, enhanced);
        benchmark::DoNotOptimize(steps.steps.data());
    }
}
BENCHMARK(BM_MetafileRead)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_MetafileReadAndDraw(benchmark::State& state)
{
    std::vector<unsigned char> file = ClipArt(state);
    Bitmap target;
    for (auto _ : state) {
        bool enhanced;
        DrawingSteps steps = ReadMetafile(file, enhanced);
        DrawStepsToBitmap(steps, target, 1920, 1080);
        benchmark::DoNotOptimize(target.Bits());
    }
}
BENCHMARK(BM_MetafileReadAndDraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    // Text is drawn through a GUI application; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
