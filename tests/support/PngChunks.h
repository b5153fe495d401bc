// PNG files put together chunk by chunk, for tests of what the reader makes
// of each part.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace pelmora::test {

std::vector<uint8_t> Big32s(std::initializer_list<uint32_t> values);
// Length, type, data and the CRC of type and data.
std::vector<uint8_t> PngChunk(const char* type, const std::vector<uint8_t>& data);
// `data` as a zlib stream of stored deflate blocks, with its Adler-32.
std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& data);

} // namespace pelmora::test
