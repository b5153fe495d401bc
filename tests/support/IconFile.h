// Icon files for tests: a directory of entries and 24-bit bitmap entries.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace pelmora::test {

// A 24-bit bitmap entry of size x size: colour rows bottom-up, then the AND mask.
std::vector<uint8_t> BitmapEntry(int size, uint8_t blue, bool maskFirstPixel);

// The directory and the entries' data, each pair being the entry's size and its bytes.
std::vector<uint8_t> IconFile(const std::vector<std::pair<int, std::vector<uint8_t>>>& entries);

} // namespace pelmora::test
