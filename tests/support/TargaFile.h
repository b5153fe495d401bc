// Targa files for tests: header fields as they go into the file and the
// pixels unpacked; run-length types are packed here, independently of the
// packer under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::test {

struct TargaFile {
    int imageType = 2;
    int bitsPerPixel = 24;
    int width = 0, height = 0;
    int descriptor = 0x20; // top row first
    int colorMapType = 0;
    int colorMapLength = 0;
    int colorMapEntryBits = 24;
    std::string id;
    std::vector<uint8_t> colorMap; // entry bytes as in the file
    std::vector<uint8_t> pixels; // the rows in file order, unpacked

    // Types 9 to 11 get a run packet for each stretch of equal pixels and
    // literal packets between them, never crossing a row.
    std::vector<uint8_t> Bytes() const;
};

} // namespace pelmora::test
