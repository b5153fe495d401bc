// The TIFF reader on a 4000 x 3000 RGB photo: LZW with and without the
// predictor, PackBits and uncompressed, each from the file into a fresh
// bitmap (as the program loads a file) and into the same one again. Beside it: libtiff decoding the same strips (no
// bitmap, no conversion), the same read from the file's bytes in memory, and
// a plain copy of the 36 MB the picture holds.
#include "BenchFiles.h"
#include "ReadFromMemory.h"
#include "ReaderLoops.h"

#include "formats/Stream.h"
#include "formats/readers/TIFFGraphic.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#ifdef PELMORA_HAVE_LIBTIFF
#include <tiffio.h>
#endif

using namespace pelmora;

namespace {

struct Fixture {
    const char* name;
    const char* file;
};
const Fixture kFixtures[] = {
    {"lzw", "photo-lzw.tif"},
    {"lzw-predictor", "photo-lzw-predictor.tif"},
    {"packbits", "photo-packbits.tif"},
    {"none", "photo-none.tif"},
};

#ifdef PELMORA_HAVE_LIBTIFF
// libtiff's own strip decoding (LZW, predictor, PackBits) into one strip buffer.
void LibtiffStrips(benchmark::State& state, const std::string& path)
{
    if (path.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    TIFFSetWarningHandler(nullptr);
    int64_t pixels = 0;
    for (auto _ : state) {
        TIFF* tiff = TIFFOpen(path.c_str(), "r");
        if (!tiff) {
            state.SkipWithError("libtiff cannot open the fixture");
            return;
        }
        uint32_t width = 0, height = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        std::vector<uint8_t> strip(size_t(TIFFStripSize(tiff)));
        for (tstrip_t s = 0; s < TIFFNumberOfStrips(tiff); ++s)
            TIFFReadEncodedStrip(tiff, s, strip.data(), tmsize_t(strip.size()));
        benchmark::DoNotOptimize(strip.data());
        TIFFClose(tiff);
        pixels = int64_t(width) * height;
    }
    bench::SetPixelRate(state, pixels);
}
#endif

// Copying the bytes the decoded picture holds: the floor for a reader.
void BM_TiffOutputMemcpy(benchmark::State& state)
{
    const size_t bytes = size_t(4000) * 3000 * 3;
    std::vector<char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    bench::SetPixelRate(state, 4000 * 3000);
}
BENCHMARK(BM_TiffOutputMemcpy)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    for (const Fixture& f : kFixtures) {
        std::string path = bench::Fixture(f.file);
        benchmark::RegisterBenchmark(
            (std::string("BM_TiffRead/") + f.name).c_str(), bench::ReadFresh<TTIFFGraphic>, path)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            (std::string("BM_TiffReadReused/") + f.name).c_str(), bench::ReadReused<TTIFFGraphic>, path)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            (std::string("BM_TiffReadMemory/") + f.name).c_str(), bench::ReadFromMemory<TTIFFGraphic>, path)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
#ifdef PELMORA_HAVE_LIBTIFF
        benchmark::RegisterBenchmark((std::string("BM_LibtiffStrips/") + f.name).c_str(), LibtiffStrips, path)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
#endif
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
