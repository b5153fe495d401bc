// Builds test fixtures byte by byte, in either byte order.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace pelmora::test {

class ByteWriter {
public:
    ByteWriter& U8(unsigned v);
    ByteWriter& U16LE(unsigned v);
    ByteWriter& U32LE(uint32_t v);
    ByteWriter& U16BE(unsigned v);
    ByteWriter& U32BE(uint32_t v);
    // Intel (little-endian) or Motorola order, chosen once for the whole fixture.
    ByteWriter& U16(unsigned v) { return bigEndian ? U16BE(v) : U16LE(v); }
    ByteWriter& U32(uint32_t v) { return bigEndian ? U32BE(v) : U32LE(v); }
    ByteWriter& Bytes(std::initializer_list<uint8_t> bytes);
    ByteWriter& Bytes(const std::vector<uint8_t>& bytes);
    ByteWriter& Text(const std::string& text);
    ByteWriter& Fill(size_t count, uint8_t value);
    // Overwrites a 32-bit value written earlier (offsets known only later).
    void PatchU32(size_t at, uint32_t v);

    size_t Size() const { return data.size(); }

    std::vector<uint8_t> data;
    bool bigEndian = false;
};

} // namespace pelmora::test
