// Today's formats read from their files (4000 x 3000 photo): PNG, lossy
// WebP, AVIF, HEIC and JPEG XL, each through its library, as the program
// opens a picture; and the colour conversion of a 12-megapixel picture from
// a Display P3 profile to sRGB, against the same picture with an sRGB
// profile (which must cost nothing). bench/peers.sh holds them against
// Pillow, dwebp and avifdec. The CPU column counts every thread of the
// process (libwebp's filter thread, the colour conversion's second half),
// so it can be held against a peer's CPU time on a busy machine.
#include "BenchFiles.h"

#include "formats/ColorProfile.h"
#include "formats/readers/HEIFGraphic.h"
#include "formats/readers/JXLGraphic.h"
#include "formats/readers/PNGGraphic.h"
#include "formats/readers/WebPGraphic.h"

#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <vector>

using namespace pelmora;

namespace {

template <class Reader> void ReadFile(benchmark::State& state, const char* name)
{
    std::string path = bench::Fixture(name);
    if (path.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    for (auto _ : state) {
        Reader reader;
        reader.LoadFromFile(path);
        benchmark::DoNotOptimize(reader.Bits());
    }
}

void BM_PNGRead(benchmark::State& state)
{
    ReadFile<TPNGGraphic>(state, "photo.png");
}
BENCHMARK(BM_PNGRead)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_WebPRead(benchmark::State& state)
{
    ReadFile<TWebPGraphic>(state, "photo.webp");
}
BENCHMARK(BM_WebPRead)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_AVIFRead(benchmark::State& state)
{
    ReadFile<THEIFGraphic>(state, "photo.avif");
}
BENCHMARK(BM_AVIFRead)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_HEICRead(benchmark::State& state)
{
    ReadFile<THEIFGraphic>(state, "photo.heic");
}
BENCHMARK(BM_HEICRead)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_JXLRead(benchmark::State& state)
{
    ReadFile<TJXLGraphic>(state, "photo.jxl");
}
BENCHMARK(BM_JXLRead)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

std::vector<uint8_t> ProfileBytes(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

std::vector<uint8_t> DisplayP3()
{
    cmsCIExyY white = {0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    cmsFloat64Number srgbCurve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    std::vector<uint8_t> bytes = ProfileBytes(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return bytes;
}

// 12 megapixels of Rgb24, converted again and again in place (the work a
// pixel is the same whatever colours the last run left).
void ConvertColours(benchmark::State& state, const std::vector<uint8_t>& profile)
{
    Bitmap picture(4000, 3000, PixelFormat::Rgb24);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.BytesPerLine(); ++x)
            picture.ScanLine(y)[x] = uint8_t(x * 7 + y * 3);
    for (auto _ : state) {
        ConvertToSrgb(picture, profile);
        benchmark::DoNotOptimize(picture.Bits());
    }
}

void BM_ColorConvertP3_12MP(benchmark::State& state)
{
    ConvertColours(state, DisplayP3());
}
BENCHMARK(BM_ColorConvertP3_12MP)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_ColorConvertSrgb_12MP(benchmark::State& state)
{
    ConvertColours(state, ProfileBytes(cmsCreate_sRGBProfile()));
}
BENCHMARK(BM_ColorConvertSrgb_12MP)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
