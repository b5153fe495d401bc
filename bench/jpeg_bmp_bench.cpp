// The framework's own readers: JPEG decode and BMP read, against a plain copy
// of the same bytes. Rates are megapixels a second.
#include "BenchFiles.h"
#include "ReadFromMemory.h"
#include "ReaderLoops.h"

#include "formats/Bitmap.h"
#include "formats/JpegImage.h"
#include "formats/PixelMemory.h"
#include "formats/Stream.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace pelmora;

namespace {

void SetPixelRate(benchmark::State& state, const Graphic& g)
{
    state.counters["Mpx/s"] = benchmark::Counter(
        double(g.Width()) * g.Height() * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_Memcpy(benchmark::State& state)
{
    std::vector<char> from(size_t(state.range(0)), 1), to(size_t(state.range(0)));
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Memcpy)->Arg(36000000)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same copy into pixel memory (huge pages where the system has them), the kind a bitmap's rows live in.
void BM_MemcpyToPixels(benchmark::State& state)
{
    std::vector<char> from(size_t(state.range(0)), 1);
    PixelBlock to = AllocatePixels(from.size());
    for (auto _ : state) {
        std::memcpy(to.get(), from.data(), from.size());
        benchmark::DoNotOptimize(to.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_MemcpyToPixels)->Arg(36000000)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_JpegDecode(benchmark::State& state)
{
    std::string path = bench::Fixture(state.range(0) == 420 ? "photo-420.jpg" : "photo-444.jpg");
    if (path.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    Bitmap bitmap;
    for (auto _ : state) {
        jpeg.Decode(bitmap);
        benchmark::DoNotOptimize(bitmap.Bits());
    }
    SetPixelRate(state, jpeg);
}
BENCHMARK(BM_JpegDecode)->Arg(420)->Arg(444)->UseRealTime()->Unit(benchmark::kMillisecond);

// Reading into the same bitmap again: no allocation, just the file's bytes into rows.
void BM_BmpReadReused(benchmark::State& state)
{
    bench::ReadReused<Bitmap>(state, bench::Fixture("photo-24.bmp"));
}
BENCHMARK(BM_BmpReadReused)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same from the file's bytes in memory: the reading alone, on memory of
// the same kind as BM_Memcpy.
void BM_BmpReadMemory(benchmark::State& state)
{
    bench::ReadFromMemory<Bitmap>(state, bench::Fixture("photo-24.bmp"));
}
BENCHMARK(BM_BmpReadMemory)->UseRealTime()->Unit(benchmark::kMillisecond);

// Only the system's copy of a picture file out of its cache into memory
// already touched, in one read: the floor of every reader that reads a
// file, which a plain copy in memory does not pay.
void BM_FileRead(benchmark::State& state)
{
    const char* names[] = {"photo-24.bmp", "photo.ppm", "photo-none.tif"};
    std::string path = bench::Fixture(names[state.range(0)]);
    if (path.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    // Into pixel memory, as a reader reads into a bitmap's block.
    const auto size = size_t(FileStream(path, FileStream::Mode::Read).Size());
    PixelBlock block = AllocatePixels(size);
    for (auto _ : state) {
        FileStream stream(path, FileStream::Mode::Read);
        stream.ReadBuffer(block.get(), size);
        benchmark::DoNotOptimize(block.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
BENCHMARK(BM_FileRead)->Arg(0)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_BmpReadFresh(benchmark::State& state)
{
    bench::ReadFresh<Bitmap>(state, bench::Fixture("photo-24.bmp"));
}
BENCHMARK(BM_BmpReadFresh)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
