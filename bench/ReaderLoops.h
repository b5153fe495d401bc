// The two ways every reader benchmark reads a picture file: a fresh reader
// each time, as the program opens a picture, and the same reader again, whose
// bitmap keeps its block.
#pragma once

#include "formats/Stream.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace pelmora::bench {

inline void SetPixelRate(benchmark::State& state, int64_t pixels)
{
    state.counters["Mpx/s"]
        = benchmark::Counter(double(pixels) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// `path` is empty when the fixture is missing: the benchmark is skipped.
template <class Reader> void ReadFresh(benchmark::State& state, const std::string& path)
{
    if (path.empty())
        return state.SkipWithError("fixture missing");
    int64_t pixels = 0;
    for (auto _ : state) {
        Reader reader;
        reader.LoadFromFile(path);
        pixels = int64_t(reader.Width()) * reader.Height();
        benchmark::DoNotOptimize(reader.Bits());
    }
    SetPixelRate(state, pixels);
}

template <class Reader> void ReadReused(benchmark::State& state, const std::string& path)
{
    if (path.empty())
        return state.SkipWithError("fixture missing");
    Reader reader;
    for (auto _ : state) {
        FileStream stream(path, FileStream::Mode::Read);
        reader.LoadFromStream(stream);
        benchmark::DoNotOptimize(reader.Bits());
    }
    SetPixelRate(state, int64_t(reader.Width()) * reader.Height());
}

} // namespace pelmora::bench
