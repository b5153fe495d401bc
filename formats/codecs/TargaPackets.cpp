#include "TargaPackets.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

// Copies of a P-byte pixel; runs are short, so fixed-size copies the compiler inlines.
template <size_t P> void FillPixels(uint8_t* to, const uint8_t* value, size_t pixels)
{
    uint8_t pixel[P];
    std::memcpy(pixel, value, P);
    for (size_t k = 0; k < pixels; ++k)
        std::memcpy(to + k * P, pixel, P);
}

// `bytes` bytes of a run of one pixel value; a pixel the row's end cuts is cut too.
void FillRun(uint8_t* to, const uint8_t* value, size_t pixelSize, size_t bytes)
{
    size_t whole = bytes / pixelSize;
    switch (pixelSize) {
    case 1: std::memset(to, value[0], bytes); return;
    case 2: FillPixels<2>(to, value, whole); break;
    case 3: FillPixels<3>(to, value, whole); break;
    default: FillPixels<4>(to, value, whole); break;
    }
    std::memcpy(to + whole * pixelSize, value, bytes - whole * pixelSize);
}

} // namespace

size_t DecodeTargaRow(const uint8_t* packed, size_t packedSize, uint8_t* row, size_t rowBytes, int bitsPerPixel)
{
    size_t pixelSize;
    switch (bitsPerPixel) {
    case 8: pixelSize = 1; break;
    case 15:
    case 16: pixelSize = 2; break;
    case 24: pixelSize = 3; break;
    case 32: pixelSize = 4; break;
    default: return 0;
    }
    size_t i = 0, pos = 0;
    while (pos < rowBytes && i < packedSize) {
        uint8_t header = packed[i++];
        size_t n = (header & 0x7Fu) + 1;
        if (header & 0x80) {
            if (packedSize - i < pixelSize)
                break;
            const uint8_t* value = packed + i;
            i += pixelSize;
            size_t bytes = std::min(n * pixelSize, rowBytes - pos);
            FillRun(row + pos, value, pixelSize, bytes);
            pos += bytes;
        } else {
            size_t bytes = n * pixelSize;
            size_t take = std::min({ bytes, packedSize - i, rowBytes - pos });
            std::memcpy(row + pos, packed + i, take);
            pos += take;
            i += std::min(bytes, packedSize - i);
        }
    }
    return i;
}

size_t EncodeTargaRow(const uint8_t* pixels, uint8_t* out, int pixelCount, int bytesPerPixel)
{
    const auto size = size_t(bytesPerPixel);
    auto same
        = [&](int a, int b) { return std::memcmp(pixels + size_t(a) * size, pixels + size_t(b) * size, size) == 0; };
    size_t written = 0;
    int x = 0;
    while (x < pixelCount) {
        int left = pixelCount - x;
        // The literal stretch: pixels before the first pair of equal neighbours;
        // without such a pair, all but the last pixel (which goes out on its own).
        // Scanning past 128 pixels cannot change a packet: both counts are capped there.
        int literal = 1;
        if (left > 1) {
            int most = std::min(left - 1, 128);
            literal = 0;
            while (literal < most && !same(x + literal, x + literal + 1))
                ++literal;
        }
        int run = 1;
        while (run < std::min(left, 128) && same(x, x + run))
            ++run;
        if (literal > 0) {
            out[written++] = uint8_t(literal - 1);
            std::memcpy(out + written, pixels + size_t(x) * size, size_t(literal) * size);
            written += size_t(literal) * size;
            x += literal;
        } else {
            out[written++] = uint8_t((run - 1) | 0x80);
            std::memcpy(out + written, pixels + size_t(x) * size, size);
            written += size;
            x += run;
        }
    }
    return written;
}

} // namespace pelmora
