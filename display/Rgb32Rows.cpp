#include "Rgb32Rows.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define PELMORA_RGB32_SSSE3 1
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

#ifdef PELMORA_RGB32_SSSE3
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

bool HasSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

} // namespace

void Rgb24ToRgb32(const uint8_t* from, uint8_t* to, size_t pixels)
{
    size_t done = 0;
#ifdef PELMORA_RGB32_SSSE3
    if (HasSsse3())
        done = Rgb24ToRgb32Ssse3(from, to, pixels);
#endif
    Rgb24ToRgb32OneByOne(from, to, done, pixels);
}

} // namespace pelmora
