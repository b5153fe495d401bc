#include "ByteWriter.h"

namespace pelmora::test {

ByteWriter& ByteWriter::U8(unsigned v)
{
    data.push_back(uint8_t(v));
    return *this;
}

ByteWriter& ByteWriter::U16LE(unsigned v)
{
    return U8(v & 0xFF).U8(v >> 8 & 0xFF);
}

ByteWriter& ByteWriter::U32LE(uint32_t v)
{
    return U16LE(v & 0xFFFF).U16LE(v >> 16);
}

ByteWriter& ByteWriter::U16BE(unsigned v)
{
    return U8(v >> 8 & 0xFF).U8(v & 0xFF);
}

ByteWriter& ByteWriter::U32BE(uint32_t v)
{
    return U16BE(v >> 16).U16BE(v & 0xFFFF);
}

ByteWriter& ByteWriter::Bytes(std::initializer_list<uint8_t> bytes)
{
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteWriter& ByteWriter::Bytes(const std::vector<uint8_t>& bytes)
{
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteWriter& ByteWriter::Text(const std::string& text)
{
    data.insert(data.end(), text.begin(), text.end());
    return *this;
}

ByteWriter& ByteWriter::Fill(size_t count, uint8_t value)
{
    data.insert(data.end(), count, value);
    return *this;
}

void ByteWriter::PatchU32(size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        int shift = bigEndian ? 24 - 8 * i : 8 * i;
        data[at + size_t(i)] = uint8_t(v >> shift);
    }
}

} // namespace pelmora::test
