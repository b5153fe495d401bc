#include "RLAGraphic.h"

#include "formats/ByteCursor.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/codecs/RunLength.h"

#include <cstdlib>
#include <vector>

namespace pelmora {

namespace {

const char* const kNotRgb = "RLA: image must be RGB(A).";

constexpr size_t kHeaderSize = 740;

struct RLAHeader {
    int left = 0, right = 0, bottom = 0, top = 0;
    int colorChannels = 0;
    int matteChannels = 0;
};

RLAHeader ReadHeader(Stream& stream)
{
    uint8_t bytes[kHeaderSize];
    stream.ReadBuffer(bytes, sizeof bytes);
    ByteCursor cursor(bytes);
    cursor.Skip(8); // the whole window
    RLAHeader h;
    h.left = cursor.S16BE();
    h.right = cursor.S16BE();
    h.bottom = cursor.S16BE();
    h.top = cursor.S16BE();
    cursor.Skip(4); // frame, storage type
    h.colorChannels = cursor.S16BE();
    h.matteChannels = cursor.S16BE();
    return h;
}

} // namespace

void TRLAGraphic::LoadFromStream(Stream& stream)
{
    Release();
    const int64_t base = stream.Position();
    const RLAHeader h = ReadHeader(stream);
    if (h.colorChannels != 3 && h.colorChannels != 4)
        throw Exception(kNotRgb);
    const bool alpha = h.matteChannels != 0;
    const int64_t width = int64_t(h.right) - h.left + 1;
    const int64_t height = std::abs(int64_t(h.bottom) - h.top) + 1;
    CheckImageSize(width, height);
    // Lines are stored bottom up when the window's bottom is below its top.
    const bool bottomUp = h.bottom < h.top;

    if (uint64_t(stream.Remaining()) < uint64_t(height) * 4)
        throw EReadError();
    std::vector<uint8_t> offsetBytes(size_t(height) * 4);
    stream.ReadBuffer(offsetBytes.data(), offsetBytes.size());

    const PixelFormat format = alpha ? PixelFormat::Rgb32 : PixelFormat::Rgb24;
    Allocate(format, int(width), int(height));
    if (width == 0)
        return;

    const int channels = alpha ? 4 : 3;
    const int pixelBytes = alpha ? 4 : 3;
    // Channel order in the file is red, green, blue, matte; in a row blue, green, red, alpha.
    static constexpr int kRowOffset[] = {2, 1, 0, 3};
    std::vector<uint8_t> packed(65535);
    std::vector<uint8_t> samples(static_cast<size_t>(width));
    TRLADecoder decoder;
    ByteCursor offsets(offsetBytes);
    for (int k = 0; k < int(height); ++k) {
        stream.SetPosition(base + int64_t(offsets.U32BE()));
        uint8_t* row = ScanLine(bottomUp ? int(height) - 1 - k : k);
        for (int c = 0; c < channels; ++c) {
            // A fourth colour channel stands between blue and the matte.
            if (c == 3)
                for (int extra = 3; extra < h.colorChannels; ++extra)
                    stream.Seek(stream.ReadU16BE());
            size_t length = stream.ReadU16BE();
            stream.ReadBuffer(packed.data(), length);
            size_t n = decoder.Decode({packed.data(), length}, samples);
            for (size_t x = 0; x < n; ++x)
                row[x * pixelBytes + kRowOffset[c]] = samples[x];
        }
    }
}

} // namespace pelmora
