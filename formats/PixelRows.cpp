#include "PixelRows.h"
#include "ByteOrder.h"

namespace pelmora {

int NearestColorMap::Find(uint8_t blue, uint8_t green, uint8_t red)
{
    uint32_t key = uint32_t(red) << 16 | uint32_t(green) << 8 | blue;
    if (auto it = cache_.find(key); it != cache_.end())
        return it->second;
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette_.size(); ++i) {
        long dr = long(palette_[i].red) - red, dg = long(palette_[i].green) - green, db = long(palette_[i].blue) - blue;
        long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    cache_.emplace(key, best);
    return best;
}

void UnpackRowToBgra(const uint8_t* s, PixelFormat format, const Palette& palette, uint8_t* d, int width)
{
    switch (format) {
    case PixelFormat::Indexed1:
    case PixelFormat::Indexed4:
    case PixelFormat::Indexed8: {
        int last = int(palette.size()) - 1;
        for (int x = 0; x < width; ++x, d += 4) {
            int i = IndexAt(s, format, x);
            PaletteEntry e = last < 0 ? PaletteEntry {} : palette[size_t(i > last ? last : i)];
            d[0] = e.blue, d[1] = e.green, d[2] = e.red, d[3] = 255;
        }
        break;
    }
    case PixelFormat::Rgb15:
        for (int x = 0; x < width; ++x, d += 4, s += 2) {
            unsigned w = LoadU16LE(s);
            d[0] = Expand5(w & 31), d[1] = Expand5(w >> 5 & 31), d[2] = Expand5(w >> 10 & 31), d[3] = 255;
        }
        break;
    case PixelFormat::Rgb16:
        for (int x = 0; x < width; ++x, d += 4, s += 2) {
            unsigned w = LoadU16LE(s);
            d[0] = Expand5(w & 31), d[1] = Expand6(w >> 5 & 63), d[2] = Expand5(w >> 11 & 31), d[3] = 255;
        }
        break;
    case PixelFormat::Rgb32:
        for (int x = 0; x < width; ++x, d += 4, s += 4)
            d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = s[3];
        break;
    default: // Rgb24 and the formats stored as it
        for (int x = 0; x < width; ++x, d += 4, s += 3)
            d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        break;
    }
}

void PackRowFromBgra(const uint8_t* s, uint8_t* d, PixelFormat format, NearestColorMap& nearest, int width)
{
    switch (format) {
    case PixelFormat::Indexed1:
    case PixelFormat::Indexed4:
    case PixelFormat::Indexed8:
        for (int x = 0; x < width; ++x, s += 4)
            SetIndexAt(d, format, x, nearest.Find(s[0], s[1], s[2]));
        break;
    case PixelFormat::Rgb15:
        for (int x = 0; x < width; ++x, s += 4, d += 2) {
            unsigned w = unsigned(s[2] >> 3) << 10 | unsigned(s[1] >> 3) << 5 | unsigned(s[0] >> 3);
            d[0] = uint8_t(w), d[1] = uint8_t(w >> 8);
        }
        break;
    case PixelFormat::Rgb16:
        for (int x = 0; x < width; ++x, s += 4, d += 2) {
            unsigned w = unsigned(s[2] >> 3) << 11 | unsigned(s[1] >> 2) << 5 | unsigned(s[0] >> 3);
            d[0] = uint8_t(w), d[1] = uint8_t(w >> 8);
        }
        break;
    case PixelFormat::Rgb32:
        for (int x = 0; x < width; ++x, s += 4, d += 4)
            d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = s[3];
        break;
    default:
        for (int x = 0; x < width; ++x, s += 4, d += 3)
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
        break;
    }
}

void CopyIndices(const uint8_t* s, PixelFormat from, uint8_t* d, PixelFormat to, int width)
{
    int mask = to == PixelFormat::Indexed1 ? 1 : to == PixelFormat::Indexed4 ? 15 : 255;
    for (int x = 0; x < width; ++x)
        SetIndexAt(d, to, x, IndexAt(s, from, x) & mask);
}

} // namespace pelmora
