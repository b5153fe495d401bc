#include "IconFile.h"

#include "ByteWriter.h"

namespace pelmora::test {

std::vector<uint8_t> BitmapEntry(int size, uint8_t blue, bool maskFirstPixel)
{
    ByteWriter w;
    w.U32LE(40).U32LE(uint32_t(size)).U32LE(uint32_t(size * 2)).U16LE(1).U16LE(24);
    w.U32LE(0).U32LE(0).U32LE(0).U32LE(0).U32LE(0).U32LE(0);
    size_t row = size_t((size * 3 + 3) / 4 * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            w.Bytes({blue, 0, 0});
        w.Fill(row - size_t(size) * 3, 0);
    }
    size_t maskRow = size_t((size + 31) / 32 * 4);
    for (int y = 0; y < size; ++y) {
        bool top = y == size - 1;
        w.U8(top && maskFirstPixel ? 0x80 : 0).Fill(maskRow - 1, 0);
    }
    return w.data;
}

std::vector<uint8_t> IconFile(const std::vector<std::pair<int, std::vector<uint8_t>>>& entries)
{
    ByteWriter w;
    w.U16LE(0).U16LE(1).U16LE(unsigned(entries.size()));
    uint32_t offset = 6 + 16 * uint32_t(entries.size());
    for (const auto& [size, data] : entries) {
        w.U8(unsigned(size == 256 ? 0 : size)).U8(unsigned(size == 256 ? 0 : size)).U8(0).U8(0).U16LE(1).U16LE(24);
        w.U32LE(uint32_t(data.size())).U32LE(offset);
        offset += uint32_t(data.size());
    }
    for (const auto& e : entries)
        w.Bytes(e.second);
    return w.data;
}

} // namespace pelmora::test
