// PCX files for tests: the header fields and the unpacked lines; run-length
// files are packed line by line here.
#pragma once

#include <cstdint>
#include <vector>

namespace pelmora::test {

struct PcxFile {
    int maker = 10;
    int version = 5;
    int encoding = 1;
    int bitsPerPixel = 8;
    int planes = 1;
    int width = 0, height = 0;
    int bytesPerLine = 0; // 0: the plane bytes of the width, made even
    int paletteInfo = 1;
    std::vector<uint8_t> colors16 = std::vector<uint8_t>(48); // red, green, blue triples
    std::vector<uint8_t> lines; // height lines of planes x bytes a line
    std::vector<uint8_t> trailer; // what follows the image data

    int BytesPerLine() const;
    std::vector<uint8_t> Bytes() const;
};

// The 769 bytes of an 8-bit palette at the end of a file: the marker 12 and the triples.
std::vector<uint8_t> PcxPaletteTrailer(const std::vector<uint8_t>& rgb);

} // namespace pelmora::test
