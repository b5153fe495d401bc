// GIF, Photoshop and binary pixmap reading on 4000 x 3000 pictures, with
// giflib's DGifSlurp on the same GIF files as a yardstick (the plain copy of
// the pixmap's 36 000 000 bytes is BM_Memcpy of jpeg_bmp_bench). Rates are
// megapixels a second.
#include "BenchFiles.h"
#include "ReadFromMemory.h"
#include "ReaderLoops.h"

#include "formats/Stream.h"
#include "formats/readers/GIFGraphic.h"
#include "formats/readers/PPMGraphic.h"
#include "formats/readers/PSDGraphic.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

using namespace pelmora;

namespace {

const char* GifFixture(int64_t which)
{
    return which == 0 ? "photo-256.gif" : "flat-256.gif";
}

void SetPixelRate(benchmark::State& state, int width, int height)
{
    state.counters["Mpx/s"]
        = benchmark::Counter(double(width) * height * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_GIFRead(benchmark::State& state)
{
    bench::ReadFresh<TGIFGraphic>(state, bench::Fixture(GifFixture(state.range(0))));
}
BENCHMARK(BM_GIFRead)->ArgName("flat")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// giflib's whole-file decode into its own rasters, closed again each time.
void BM_GIFDGifSlurp(benchmark::State& state)
{
    std::string path = bench::Fixture(GifFixture(state.range(0)));
    if (path.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    int width = 0, height = 0;
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) {
            state.SkipWithError("giflib cannot read the fixture");
            if (gif)
                DGifCloseFile(gif, &error);
            return;
        }
        width = gif->SWidth, height = gif->SHeight;
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    SetPixelRate(state, width, height);
}
BENCHMARK(BM_GIFDGifSlurp)->ArgName("flat")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// Every frame of an animation whose patches are each undone, composed as the
// display window plays it; frames a second.
void BM_GIFFrames(benchmark::State& state)
{
    std::string path = bench::Fixture("animated-restore.gif");
    if (path.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    TGIFGraphic gif;
    gif.LoadFromFile(path);
    std::unique_ptr<FrameSequence> frames = gif.Frames();
    if (!frames) {
        state.SkipWithError("the fixture is not animated");
        return;
    }
    Bitmap frame;
    int delay = 0;
    int64_t shown = 0;
    for (auto _ : state) {
        while (frames->Next(frame, delay))
            ++shown;
        benchmark::DoNotOptimize(frame.Bits());
    }
    state.counters["frames/s"] = benchmark::Counter(double(shown), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GIFFrames)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_PSDReadRLE(benchmark::State& state)
{
    bench::ReadFresh<TPSDGraphic>(state, bench::Fixture("photo-rle.psd"));
}
BENCHMARK(BM_PSDReadRLE)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_PPMReadFresh(benchmark::State& state)
{
    bench::ReadFresh<TPPMGraphic>(state, bench::Fixture("photo.ppm"));
}
BENCHMARK(BM_PPMReadFresh)->UseRealTime()->Unit(benchmark::kMillisecond);

// Into the same bitmap again: the file's bytes into rows, no new memory.
void BM_PPMReadReused(benchmark::State& state)
{
    bench::ReadReused<TPPMGraphic>(state, bench::Fixture("photo.ppm"));
}
BENCHMARK(BM_PPMReadReused)->UseRealTime()->Unit(benchmark::kMillisecond);

// From the file's bytes in memory into the same bitmap: the reading alone,
// on memory of the same kind as the copy it is held against.
void BM_PPMReadMemory(benchmark::State& state)
{
    bench::ReadFromMemory<TPPMGraphic>(state, bench::Fixture("photo.ppm"));
}
BENCHMARK(BM_PPMReadMemory)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
