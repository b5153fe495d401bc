// A picture read from its file's bytes already in memory, again and again into
// the same reader: the reading alone, held against a copy of the same bytes.
#pragma once

#include "BenchFiles.h"

#include "formats/Stream.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pelmora::bench {

template <class Reader> void ReadFromMemory(benchmark::State& state, const std::string& path)
{
    if (path.empty()) {
        state.SkipWithError("fixture missing");
        return;
    }
    std::vector<unsigned char> bytes = ReadWholeFile(path);
    Reader reader;
    for (auto _ : state) {
        MemoryStream stream(std::span<const uint8_t>(bytes.data(), bytes.size()));
        reader.LoadFromStream(stream);
        benchmark::DoNotOptimize(reader.Bits());
    }
    double pixels = double(reader.Width()) * double(reader.Height());
    state.counters["Mpx/s"] = benchmark::Counter(pixels * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

} // namespace pelmora::bench
