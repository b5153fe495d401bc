// Where the benchmark fixtures are: bench/run.sh makes them (with ImageMagick)
// into one folder and passes it in PELMORA_BENCH_FILES.
#pragma once

#include <string>
#include <vector>

namespace pelmora::bench {

// The path of fixture `name`; the benchmark is skipped with a message when it is missing.
std::string Fixture(const std::string& name);
std::vector<unsigned char> ReadWholeFile(const std::string& path);

} // namespace pelmora::bench
