// GIF files for tests: a screen, optional colour tables, extension blocks and
// one image whose indices are given in natural row order (interlaced here
// when asked) and LZW-packed here, unless raw packed data is given.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::test {

struct GifFile {
    std::string signature = "GIF89a";
    int screenWidth = 0, screenHeight = 0;
    std::vector<uint8_t> globalTable; // red, green, blue triples; empty: none
    std::vector<std::vector<uint8_t>> extensions; // whole blocks, "!" and label included
    bool hasImage = true;
    int left = 0, top = 0; // the image's place on the screen
    int width = 0, height = 0; // as the descriptor says (0 means the screen's)
    std::vector<uint8_t> localTable;
    bool interlaced = false;
    int codeSize = 8;
    std::vector<uint8_t> indices; // rows top first
    std::optional<std::vector<uint8_t>> packed; // LZW data as it is, instead of packing `indices`

    std::vector<uint8_t> Bytes() const;
};

// An animation: the first file's screen, colour table and image, then the
// extensions and image of each later one (whose screen is not written).
std::vector<uint8_t> AnimatedGif(const std::vector<GifFile>& frames);

// A graphic control extension (delay and transparent index), as "!" 0xF9 ... 0.
std::vector<uint8_t> GifControlExtension(int delay, int transparentIndex, int disposal = 0);

} // namespace pelmora::test
