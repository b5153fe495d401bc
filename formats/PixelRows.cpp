#include "PixelRows.h"
#include "ByteOrder.h"
#include "CpuFeatures.h"

#ifdef PELMORA_X86_DISPATCH
#include <immintrin.h>
#endif

namespace pelmora {

namespace {

void Rgb24ToRgb32OneByOne(const uint8_t* from, uint8_t* to, size_t first, size_t pixels)
{
    for (size_t x = first; x < pixels; ++x) {
        to[4 * x] = from[3 * x];
        to[4 * x + 1] = from[3 * x + 1];
        to[4 * x + 2] = from[3 * x + 2];
        to[4 * x + 3] = 0xFF;
    }
}

#ifdef PELMORA_X86_DISPATCH
// Sixteen pixels at a time: four groups of twelve bytes, each spread to four words.
__attribute__((target("ssse3"))) size_t Rgb24ToRgb32Ssse3(const uint8_t* from, uint8_t* to, size_t pixels)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    size_t x = 0;
    for (; x + 16 <= pixels; x += 16) {
        const uint8_t* s = from + 3 * x;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
        const __m128i groups[4] = {a, _mm_alignr_epi8(b, a, 12), _mm_alignr_epi8(c, b, 8), _mm_srli_si128(c, 4)};
        for (int g = 0; g < 4; ++g)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 4 * x + 16 * g),
                _mm_or_si128(_mm_shuffle_epi8(groups[g], spread), opaque));
    }
    return x;
}
#endif

} // namespace

void Rgb24ToRgb32(const uint8_t* from, uint8_t* to, size_t pixels)
{
    size_t done = 0;
#ifdef PELMORA_X86_DISPATCH
    if (CpuHasSsse3())
        done = Rgb24ToRgb32Ssse3(from, to, pixels);
#endif
    Rgb24ToRgb32OneByOne(from, to, done, pixels);
}

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
        Rgb24ToRgb32(s, d, size_t(width));
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
