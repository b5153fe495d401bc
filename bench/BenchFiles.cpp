#include "BenchFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pelmora::bench {

std::string Fixture(const std::string& name)
{
    const char* folder = std::getenv("PELMORA_BENCH_FILES");
    std::filesystem::path path = std::filesystem::path(folder ? folder : "bench-files") / name;
    return std::filesystem::exists(path) ? path.string() : std::string();
}

std::vector<unsigned char> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace pelmora::bench
