// Row conversions between pixel formats, through blue-green-red-alpha bytes.
// Bitmap::SetPixelFormat uses them; so may any code that needs one row as colours.
#pragma once

#include "Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace pelmora {

// Expands a 5-bit or 6-bit channel to 8 bits by repeating its high bits.
inline uint8_t Expand5(unsigned v)
{
    return uint8_t(v << 3 | v >> 2);
}
inline uint8_t Expand6(unsigned v)
{
    return uint8_t(v << 2 | v >> 4);
}

// The index of pixel x of an indexed row.
inline int IndexAt(const uint8_t* row, PixelFormat format, int x)
{
    switch (format) {
    case PixelFormat::Indexed1: return row[x >> 3] >> (7 - (x & 7)) & 1;
    case PixelFormat::Indexed4: return x & 1 ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return row[x];
    }
}

inline void SetIndexAt(uint8_t* row, PixelFormat format, int x, int index)
{
    switch (format) {
    case PixelFormat::Indexed1: {
        auto bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = uint8_t(index & 1 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        break;
    }
    case PixelFormat::Indexed4:
        row[x >> 1] = uint8_t(x & 1 ? (row[x >> 1] & 0xF0) | (index & 0x0F) : (row[x >> 1] & 0x0F) | (index << 4));
        break;
    default: row[x] = uint8_t(index); break;
    }
}

// The nearest palette entry of a colour (least squared distance, the lower
// index on ties), remembered per colour.
class NearestColorMap {
public:
    explicit NearestColorMap(const Palette& palette)
        : palette_(palette)
    {
    }
    int Find(uint8_t blue, uint8_t green, uint8_t red);

private:
    const Palette& palette_;
    std::unordered_map<uint32_t, int> cache_;
};

// width pixels of `source` in `format` to 4 bytes each: blue, green, red, alpha
// (255 where the format has none; Rgb32 keeps its fourth byte).
void UnpackRowToBgra(const uint8_t* source, PixelFormat format, const Palette& palette, uint8_t* bgra, int width);
// The Rgb24 case of it, the one pictures are painted through: `pixels`
// blue-green-red pixels to blue-green-red-255 words (QImage::Format_RGB32).
void Rgb24ToRgb32(const uint8_t* from, uint8_t* to, size_t pixels);
// width pixels of blue-green-red-alpha bytes to `format`; indexed formats take the nearest entry.
void PackRowFromBgra(const uint8_t* bgra, uint8_t* target, PixelFormat format, NearestColorMap& nearest, int width);
// Indices from one indexed format to another (cut to the target's bits).
void CopyIndices(const uint8_t* source, PixelFormat from, uint8_t* target, PixelFormat to, int width);

} // namespace pelmora
