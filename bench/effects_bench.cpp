// The effects on the 4000 x 3000 photo (Rgb24, 36 MB), one thread, against a
// plain copy of the same bytes. Rates are megapixels a second.
#include "BenchFiles.h"

#include "effects/ColorAdjustments.h"
#include "effects/Distortions.h"
#include "effects/Geometry.h"
#include "effects/NeighbourhoodFilters.h"
#include "effects/Resample.h"

#include "formats/Bitmap.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>

using namespace pelmora;

namespace {

// The photo, loaded once; nullptr when the fixture is missing.
const Bitmap* Photo()
{
    static Bitmap photo;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        std::string path = bench::Fixture("photo-24.bmp");
        if (!path.empty())
            photo.LoadFromFile(path);
    }
    return photo.IsEmpty() ? nullptr : &photo;
}

void SetPixelRate(benchmark::State& state, const Bitmap& b)
{
    state.counters["Mpx/s"] = benchmark::Counter(
        double(b.Width()) * b.Height() * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// Runs an in-place effect again and again on one working copy of the photo.
void InPlace(benchmark::State& state, const std::function<void(Bitmap&)>& effect)
{
    const Bitmap* photo = Photo();
    if (!photo) {
        state.SkipWithError("fixture missing");
        return;
    }
    Bitmap work;
    work.Assign(*photo);
    for (auto _ : state) {
        effect(work);
        benchmark::DoNotOptimize(work.Bits());
        benchmark::ClobberMemory();
    }
    SetPixelRate(state, work);
}

void BM_CopyPicture(benchmark::State& state)
{
    InPlace(state, [photo = Photo()](Bitmap& b) {
        std::memcpy(b.Bits(), photo->Bits(), size_t(b.BytesPerLine()) * size_t(b.Height()));
    });
}
BENCHMARK(BM_CopyPicture)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_InvertColors(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { InvertColors(b); });
}
BENCHMARK(BM_InvertColors)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Contrast(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { Contrast(b, 60); });
}
BENCHMARK(BM_Contrast)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Lightness(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { Lightness(b, 40); });
}
BENCHMARK(BM_Lightness)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Darkness(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { Darkness(b, 30); });
}
BENCHMARK(BM_Darkness)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Grayscale(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { Grayscale(b); });
}
BENCHMARK(BM_Grayscale)->UseRealTime()->Unit(benchmark::kMillisecond);

// From the photo into a working picture, as the display window runs it.
void BM_GrayscaleInto(benchmark::State& state)
{
    Bitmap source;
    if (Photo())
        source.Assign(*Photo());
    InPlace(state, [&source](Bitmap& b) { Grayscale(source, b); });
}
BENCHMARK(BM_GrayscaleInto)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Saturation(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { Saturation(b, 500); });
}
BENCHMARK(BM_Saturation)->UseRealTime()->Unit(benchmark::kMillisecond);

// From the photo into a working picture, as the display window does.
void BM_Posterize(benchmark::State& state)
{
    Bitmap source;
    if (Photo())
        source.Assign(*Photo());
    InPlace(state, [&source](Bitmap& b) { Posterize(source, b, 50); });
}
BENCHMARK(BM_Posterize)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Sharpen(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { Sharpen(b, 2.5); });
}
BENCHMARK(BM_Sharpen)->UseRealTime()->Unit(benchmark::kMillisecond);

// Kernel number as the argument, replicated frame.
void BM_Convolve(benchmark::State& state)
{
    const int kernel = int(state.range(0));
    InPlace(state, [kernel](Bitmap& b) { Convolve(b, kernel, 1); });
}
BENCHMARK(BM_Convolve)->DenseRange(0, 8)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Emboss(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { Emboss(b); });
}
BENCHMARK(BM_Emboss)->UseRealTime()->Unit(benchmark::kMillisecond);

// As the display window runs it: in place, keeping the bits that take it back.
void BM_EmbossKeepingBits(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { benchmark::DoNotOptimize(EmbossKeepingBits(b).bytes.get()); });
}
BENCHMARK(BM_EmbossKeepingBits)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_GaussianBlur(benchmark::State& state)
{
    const int count = int(state.range(0));
    InPlace(state, [count](Bitmap& b) { GaussianBlur(b, count); });
}
BENCHMARK(BM_GaussianBlur)->Arg(5)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_SplitBlur(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { SplitBlur(b, 5); });
}
BENCHMARK(BM_SplitBlur)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_MirrorHorizontal(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { MirrorHorizontal(b); });
}
BENCHMARK(BM_MirrorHorizontal)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_MirrorVertical(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { MirrorVertical(b); });
}
BENCHMARK(BM_MirrorVertical)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Rotate90(benchmark::State& state)
{
    InPlace(state, [](Bitmap& b) { Rotate90(b); });
}
BENCHMARK(BM_Rotate90)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_FishEye(benchmark::State& state)
{
    Bitmap source;
    if (Photo())
        source.Assign(*Photo());
    InPlace(state, [&source](Bitmap& b) { FishEye(source, b, 1.0f); });
}
BENCHMARK(BM_FishEye)->UseRealTime()->Unit(benchmark::kMillisecond);

// The rest of the menus' effects, with the values of the display window's edit bench.
struct MenuEffect {
    const char* name;
    void (*run)(Bitmap&);
};
const MenuEffect kMenuEffects[] = {
    {"BM_Mosaic", [](Bitmap& b) { Mosaic(b, 6); }},
    {"BM_Trace", [](Bitmap& b) { Trace(b, 1); }},
    {"BM_TriangleBlur", [](Bitmap& b) { TriangleBlur(b, 80); }},
    {"BM_RippleTooth", [](Bitmap& b) { RippleTooth(b, 7); }},
    {"BM_RippleTriangle", [](Bitmap& b) { RippleTriangle(b, 8); }},
    {"BM_RippleRandom", [](Bitmap& b) { RippleRandom(b, 12); }},
    {"BM_Spray", [](Bitmap& b) { Spray(b, 8); }},
};
const bool kMenuEffectsRegistered = [] {
    for (const MenuEffect& effect : kMenuEffects)
        benchmark::RegisterBenchmark(effect.name, [run = effect.run](benchmark::State& state) { InPlace(state, run); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    return true;
}();

// 4000 x 3000 to 2000 x 1500; the argument is the kernel position.
void BM_Resample(benchmark::State& state)
{
    const ResampleKernel& kernel = ResampleKernels[size_t(state.range(0))];
    Bitmap source;
    if (Photo())
        source.Assign(*Photo());
    Bitmap target(2000, 1500, PixelFormat::Rgb24);
    InPlace(state, [&](Bitmap&) {
        Resample(source, target, kernel);
        benchmark::DoNotOptimize(target.Bits());
    });
    state.SetLabel(kernel.name);
}
BENCHMARK(BM_Resample)->DenseRange(0, 6)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
