// Old-style Autodesk Animator cel files for tests.
#pragma once

#include <cstdint>
#include <vector>

namespace pelmora::test {

struct AutodeskFile {
    unsigned magic = 0x9119;
    int width = 0, height = 0;
    std::vector<uint8_t> palette = std::vector<uint8_t>(768); // red, green, blue triples, 0..63
    std::vector<uint8_t> pixels; // rows top first

    std::vector<uint8_t> Bytes() const;
};

} // namespace pelmora::test
