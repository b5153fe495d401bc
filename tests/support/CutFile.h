// Dr. Halo CUT files and their palette files for tests.
#pragma once

#include <cstdint>
#include <vector>

namespace pelmora::test {

// width x height indices, top row first, packed a row at a time: a repeat
// packet for two or more equal bytes, copy packets between, 0 at the end.
std::vector<uint8_t> CutFileBytes(int width, int height, const std::vector<uint8_t>& indices);

// A palette file of red-green-blue triples in 512-byte blocks; no entry
// starts past byte 506 of a block.
std::vector<uint8_t> CutPaletteBytes(const std::vector<uint8_t>& rgb);

} // namespace pelmora::test
