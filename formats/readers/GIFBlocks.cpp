#include "GIFBlocks.h"

#include "formats/ByteCursor.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"

#include <algorithm>

namespace pelmora::gif {

ScreenDescriptor ReadScreenDescriptor(Stream& stream)
{
    uint8_t signature[6];
    stream.ReadBuffer(signature, sizeof signature);
    if (!HasSignature(signature))
        throw Exception(kNotGif);
    uint8_t bytes[7];
    stream.ReadBuffer(bytes, sizeof bytes);
    ByteCursor c(bytes);
    ScreenDescriptor screen;
    screen.width = c.U16LE();
    screen.height = c.U16LE();
    screen.flags = c.U8();
    return screen;
}

Palette ReadColorTable(Stream& stream, uint8_t flags)
{
    size_t count = size_t(2) << (flags & 7);
    uint8_t bytes[256 * 3];
    stream.ReadBuffer(bytes, count * 3);
    Palette palette(256);
    for (size_t i = 0; i < 256; ++i) {
        size_t from = std::min(i, count - 1) * 3;
        palette[i] = {bytes[from], bytes[from + 1], bytes[from + 2], 0};
    }
    return palette;
}

void SkipSubBlocks(Stream& stream)
{
    uint8_t length;
    while (stream.Read(&length, 1) == 1 && length != 0)
        stream.Seek(length);
}

bool SkipToImage(Stream& stream)
{
    for (;;) {
        uint8_t introducer;
        if (stream.Read(&introducer, 1) != 1 || introducer == kTrailer)
            return false;
        if (introducer == kImageSeparator)
            return true;
        if (introducer == kExtensionIntroducer) {
            uint8_t label;
            if (stream.Read(&label, 1) == 1)
                SkipSubBlocks(stream);
        }
    }
}

ImageDescriptor ReadImageDescriptor(Stream& stream, int screenWidth, int screenHeight)
{
    uint8_t bytes[9];
    stream.ReadBuffer(bytes, sizeof bytes);
    ByteCursor c(bytes);
    ImageDescriptor d;
    d.left = c.U16LE();
    d.top = c.U16LE();
    d.width = c.U16LE();
    d.height = c.U16LE();
    d.flags = c.U8();
    if (d.width == 0)
        d.width = screenWidth;
    if (d.height == 0)
        d.height = screenHeight;
    CheckImageSize(d.width, d.height);
    return d;
}

void ReadImageData(Stream& stream, std::vector<uint8_t>& data)
{
    data.clear();
    data.reserve(size_t(std::min<int64_t>(stream.Remaining(), int64_t(1) << 26)));
    uint8_t length;
    while (stream.Read(&length, 1) == 1 && length != 0) {
        size_t at = data.size();
        data.resize(at + length);
        stream.ReadBuffer(data.data() + at, length);
    }
}

size_t MaxDecodedSize(size_t packed, int codeSize)
{
    constexpr size_t kLongest = 4096;
    const size_t codes = packed * 8 / size_t(std::max(codeSize + 1, 1)) + 1;
    const size_t growing = std::min(codes, kLongest);
    return growing * (growing + 1) / 2 + (codes - growing) * kLongest;
}

} // namespace pelmora::gif
