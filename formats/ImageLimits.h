// The one size check every reader makes before it allocates from header fields.
#pragma once

#include <cstdint>

namespace pelmora {

constexpr int64_t kMaxImageSide = 65535;
constexpr int64_t kMaxImagePixels = int64_t(1) << 28;

// Throws "Image dimensions too large." for a side above 65535 or more than
// 2^28 pixels, and "Invalid image dimensions." for a negative side.
void CheckImageSize(int64_t width, int64_t height);

// Bytes of one row of `width` pixels of `bitsPerPixel`, padded to `alignment`
// bytes; width and bits are small enough after CheckImageSize that this cannot overflow.
inline int64_t RowBytes(int64_t width, int bitsPerPixel, int alignment = 4)
{
    int64_t bits = width * bitsPerPixel;
    int64_t bytes = (bits + 7) / 8;
    return (bytes + alignment - 1) / alignment * alignment;
}

} // namespace pelmora
