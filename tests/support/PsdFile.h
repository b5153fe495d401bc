// Photoshop files for tests: header fields, colour mode data and the merged
// image's channels, each a plane of rows as the file stores them
// (big-endian samples); PackBits files are packed row by row here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora::test {

struct PsdFile {
    int mode = 3;
    int bits = 8;
    int width = 0, height = 0;
    int channels = 0; // 0: as many as planes are given
    bool packBits = false;
    std::vector<uint8_t> colorModeData;
    std::vector<uint8_t> resources;
    std::vector<std::vector<uint8_t>> planes; // each height rows of RowBytes()

    int RowBytes() const;
    std::vector<uint8_t> Bytes() const;
};

// PackBits: runs of 3 or more equal bytes as repeats, the rest as literals.
std::vector<uint8_t> PackBitsEncode(const uint8_t* row, size_t count);

} // namespace pelmora::test
