#include "YCbCrRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace pelmora {

namespace {

// Chroma samples widened a pass: the arrays stay in the first-level cache.
constexpr int kChunk = 256;

int16_t Fixed(double value, int fractionBits)
{
    return int16_t(std::lround(value * (1 << fractionBits)));
}

// The high half of a 16 x 16-bit product, as the vector instruction gives it.
inline int MulHigh(int a, int b)
{
    return (a * b) >> 16;
}

// Each term in 1/32 levels: luma (y - offset) << 7 times the 2.14 scale,
// chroma (c - 128) << 8 times the 3.13 coefficient. Every sum stays within
// 16 bits for any input.
inline uint8_t Level(int sum)
{
    return uint8_t(std::clamp((sum + 16) >> 5, 0, 255));
}

void ConvertScalar(const YCbCrMatrix& m, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int from, int n,
    uint8_t* r, uint8_t* g, uint8_t* b)
{
    for (int i = from; i < n; ++i) {
        const int luma = MulHigh((y[i] - m.yOffset) * 128, m.yScale);
        const int u = (cb[i] - 128) * 256, v = (cr[i] - 128) * 256;
        r[i] = Level(luma + MulHigh(v, m.crToR));
        g[i] = Level(luma + MulHigh(u, m.cbToG) + MulHigh(v, m.crToG));
        b[i] = Level(luma + MulHigh(u, m.cbToB));
    }
}

#ifdef __SSE2__
// Red, green and blue of eight pixels (their bytes widened to 16 bits), in 1/32 levels.
struct Terms {
    __m128i r, g, b;
};

inline Terms Convert8(const YCbCrMatrix& m, __m128i y, __m128i u, __m128i v)
{
    const __m128i chromaZero = _mm_set1_epi16(128), round = _mm_set1_epi16(16);
    const __m128i luma = _mm_add_epi16(
        _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(y, _mm_set1_epi16(m.yOffset)), 7), _mm_set1_epi16(m.yScale)),
        round);
    u = _mm_slli_epi16(_mm_sub_epi16(u, chromaZero), 8);
    v = _mm_slli_epi16(_mm_sub_epi16(v, chromaZero), 8);
    Terms t;
    t.r = _mm_srai_epi16(_mm_add_epi16(luma, _mm_mulhi_epi16(v, _mm_set1_epi16(m.crToR))), 5);
    t.g = _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(luma, _mm_mulhi_epi16(u, _mm_set1_epi16(m.cbToG))),
                             _mm_mulhi_epi16(v, _mm_set1_epi16(m.crToG))),
        5);
    t.b = _mm_srai_epi16(_mm_add_epi16(luma, _mm_mulhi_epi16(u, _mm_set1_epi16(m.cbToB))), 5);
    return t;
}
#endif

// `n` pixels of full-width planes to red, green and blue planes.
void ConvertChunk(const YCbCrMatrix& m, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int n, uint8_t* r,
    uint8_t* g, uint8_t* b)
{
    int i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i ys = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i));
        const __m128i us = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cb + i));
        const __m128i vs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cr + i));
        const Terms low
            = Convert8(m, _mm_unpacklo_epi8(ys, zero), _mm_unpacklo_epi8(us, zero), _mm_unpacklo_epi8(vs, zero));
        const Terms high
            = Convert8(m, _mm_unpackhi_epi8(ys, zero), _mm_unpackhi_epi8(us, zero), _mm_unpackhi_epi8(vs, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), _mm_packus_epi16(low.r, high.r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(g + i), _mm_packus_epi16(low.g, high.g));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(b + i), _mm_packus_epi16(low.b, high.b));
    }
#endif
    ConvertScalar(m, y, cb, cr, i, n, r, g, b);
}

// `n` pixels of full-width planes; the identity matrix only reorders them.
void ConvertFullWidth(const YCbCrMatrix& m, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int n, uint8_t* r,
    uint8_t* g, uint8_t* b)
{
    if (!m.identity) {
        ConvertChunk(m, y, cb, cr, n, r, g, b);
        return;
    }
    std::memcpy(r, cr, size_t(n));
    std::memcpy(g, y, size_t(n));
    std::memcpy(b, cb, size_t(n));
}

// Half-width chroma samples, each repeated, from pixel `first` (even) on.
void Widen(const uint8_t* half, int first, int n, uint8_t* full)
{
    const uint8_t* from = half + first / 2;
    int i = 0;
#ifdef __SSE2__
    for (; i + 32 <= n; i += 32) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i / 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(full + i), _mm_unpacklo_epi8(s, s));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(full + i + 16), _mm_unpackhi_epi8(s, s));
    }
#endif
    for (; i < n; ++i)
        full[i] = from[i / 2];
}

} // namespace

bool YCbCrMatrixFor(int code, bool fullRange, YCbCrMatrix& matrix)
{
    double kr, kb;
    switch (code) {
    case 0:
        matrix = {};
        matrix.identity = true;
        return fullRange;
    case 1: kr = 0.2126, kb = 0.0722; break;
    case 2:
    case 5:
    case 6: kr = 0.299, kb = 0.114; break;
    case 4: kr = 0.30, kb = 0.11; break;
    case 7: kr = 0.212, kb = 0.087; break;
    case 9:
    case 10: kr = 0.2627, kb = 0.0593; break;
    default: return false;
    }
    const double kg = 1 - kr - kb;
    const double luma = fullRange ? 1.0 : 255.0 / 219, chroma = fullRange ? 1.0 : 255.0 / 224;
    matrix = {};
    matrix.yOffset = fullRange ? 0 : 16;
    matrix.yScale = Fixed(luma, 14);
    matrix.crToR = Fixed(2 * (1 - kr) * chroma, 13);
    matrix.cbToG = Fixed(-2 * kb * (1 - kb) / kg * chroma, 13);
    matrix.crToG = Fixed(-2 * kr * (1 - kr) / kg * chroma, 13);
    matrix.cbToB = Fixed(2 * (1 - kb) * chroma, 13);
    return true;
}

void YCbCrRowToRgb(const YCbCrMatrix& m, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift,
    int width, uint8_t* r, uint8_t* g, uint8_t* b)
{
    if (!chromaShift) {
        ConvertFullWidth(m, y, cb, cr, width, r, g, b);
        return;
    }
    uint8_t wideCb[kChunk], wideCr[kChunk];
    for (int x = 0; x < width; x += kChunk) {
        const int n = std::min(kChunk, width - x);
        Widen(cb, x, n, wideCb);
        Widen(cr, x, n, wideCr);
        ConvertFullWidth(m, y + x, wideCb, wideCr, n, r + x, g + x, b + x);
    }
}

} // namespace pelmora
