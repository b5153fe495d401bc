// The Targa, SGI and PCX readers on 4000 x 3000 pictures of photo-like and
// flat content, against a plain copy of the decoded bytes. "Fresh" loads a
// new graphic from the file each time, as the program opens a picture;
// "Reused" reads the file into the same graphic again, so no fresh memory is
// touched; "Memory" reads the file's bytes from memory into the same graphic,
// so only the decoding counts.
#include "BenchFiles.h"
#include "ReadFromMemory.h"
#include "ReaderLoops.h"

#include "formats/Stream.h"
#include "formats/readers/PCXGraphic.h"
#include "formats/readers/SGIGraphic.h"
#include "formats/readers/TargaGraphic.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace pelmora;

namespace {

// The bytes of a decoded 4000 x 3000 Rgb24 picture, copied into a buffer that already exists.
void BM_TargaSgiPcxMemcpy(benchmark::State& state)
{
    const size_t bytes = 4000 * 3000 * 3;
    std::vector<char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    bench::SetPixelRate(state, 4000 * 3000);
}
BENCHMARK(BM_TargaSgiPcxMemcpy)->UseRealTime()->Unit(benchmark::kMillisecond);

#define READER_BENCHMARKS(Reader, name, fixture)                                                                       \
    void BM_##name##Fresh(benchmark::State& state)                                                                     \
    {                                                                                                                  \
        bench::ReadFresh<Reader>(state, bench::Fixture(fixture));                                                      \
    }                                                                                                                  \
    BENCHMARK(BM_##name##Fresh)->UseRealTime()->Unit(benchmark::kMillisecond);                                         \
    void BM_##name##Reused(benchmark::State& state)                                                                    \
    {                                                                                                                  \
        bench::ReadReused<Reader>(state, bench::Fixture(fixture));                                                     \
    }                                                                                                                  \
    BENCHMARK(BM_##name##Reused)->UseRealTime()->Unit(benchmark::kMillisecond);                                        \
    void BM_##name##Memory(benchmark::State& state)                                                                    \
    {                                                                                                                  \
        bench::ReadFromMemory<Reader>(state, bench::Fixture(fixture));                                                 \
    }                                                                                                                  \
    BENCHMARK(BM_##name##Memory)->UseRealTime()->Unit(benchmark::kMillisecond);

READER_BENCHMARKS(TTargaGraphic, TargaPhoto, "photo.tga")
READER_BENCHMARKS(TTargaGraphic, TargaFlat, "flat.tga")
READER_BENCHMARKS(TTargaGraphic, TargaRlePhoto, "photo-rle.tga")
READER_BENCHMARKS(TTargaGraphic, TargaRleFlat, "flat-rle.tga")
READER_BENCHMARKS(TSGIGraphic, SgiPhoto, "photo.sgi")
READER_BENCHMARKS(TSGIGraphic, SgiFlat, "flat.sgi")
READER_BENCHMARKS(TSGIGraphic, SgiRlePhoto, "photo-rle.sgi")
READER_BENCHMARKS(TSGIGraphic, SgiRleFlat, "flat-rle.sgi")
READER_BENCHMARKS(TPCXGraphic, PcxPhoto, "photo.pcx")
READER_BENCHMARKS(TPCXGraphic, PcxFlat, "flat.pcx")

} // namespace

BENCHMARK_MAIN();
