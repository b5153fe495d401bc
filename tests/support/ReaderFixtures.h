// Small files of every reader family, built with the writers the reader tests
// use: each compression mode, bit depth and layout a reader knows. They are
// the fuzzers' seeds (fuzz/tools/WriteSeeds.cpp writes them to fuzz/corpus/)
// and the starting points of the truncation and mutation tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::test {

struct Fixture {
    std::string target; // the fuzz target that reads it, such as "tiff" or "icon_metafile"
    std::string name; // unique within the target, usable as a file name
    std::vector<uint8_t> bytes; // the target's input (icon_metafile: the selector byte first)
};

std::vector<Fixture> ReaderFixtures();

} // namespace pelmora::test
