#include "GIFBlocks.h"

#include "formats/Stream.h"

#include <algorithm>

namespace pelmora::gif {

Palette ReadColorTable(Stream& stream, uint8_t flags)
{
    size_t count = size_t(2) << (flags & 7);
    uint8_t bytes[256 * 3];
    stream.ReadBuffer(bytes, count * 3);
    Palette palette(256);
    for (size_t i = 0; i < 256; ++i) {
        size_t from = std::min(i, count - 1) * 3;
        palette[i] = { bytes[from], bytes[from + 1], bytes[from + 2], 0 };
    }
    return palette;
}

void SkipSubBlocks(Stream& stream)
{
    uint8_t length;
    while (stream.Read(&length, 1) == 1 && length != 0)
        stream.Seek(length);
}

std::vector<uint8_t> ReadImageData(Stream& stream)
{
    std::vector<uint8_t> data;
    data.reserve(size_t(std::min<int64_t>(stream.Remaining(), int64_t(1) << 26)));
    uint8_t length;
    while (stream.Read(&length, 1) == 1 && length != 0) {
        size_t at = data.size();
        data.resize(at + length);
        stream.ReadBuffer(data.data() + at, length);
    }
    return data;
}

size_t MaxDecodedSize(size_t packed, int codeSize)
{
    constexpr size_t kLongest = 4096;
    const size_t codes = packed * 8 / size_t(std::max(codeSize + 1, 1)) + 1;
    const size_t growing = std::min(codes, kLongest);
    return growing * (growing + 1) / 2 + (codes - growing) * kLongest;
}

} // namespace pelmora::gif
