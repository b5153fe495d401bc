#include "ColorConverters.h"

#include "ByteOrder.h"
#include "CpuFeatures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

namespace pelmora {

namespace {

// Calls pixel(i, samples) for every pixel, the samples typed by their size
// and read from any address (16-bit ones may be lent unaligned from a file).
template <int Channels, bool Planar, class Pixel>
void ForEachPixel(const void* const* sources, int bitsPerSample, size_t count, Pixel pixel)
{
    size_t pixels = count / Channels;
    auto run = [&]<class Sample>(Sample) {
        const uint8_t* plane[Channels];
        for (int c = 0; c < Channels; ++c)
            plane[c] = static_cast<const uint8_t*>(Planar ? sources[c] : sources[0]);
        for (size_t i = 0; i < pixels; ++i) {
            unsigned v[Channels];
            for (int c = 0; c < Channels; ++c) {
                size_t k = Planar ? i : i * Channels + c;
                v[c] = LoadUnaligned<Sample>(plane[Planar ? c : 0] + k * sizeof(Sample));
            }
            pixel(i, v);
        }
    };
    if (bitsPerSample == 8)
        run(uint8_t());
    else if (bitsPerSample == 16)
        run(uint16_t());
}

// 8-bit RGB to blue-green-red, the hot case of the pixmap, Photoshop and TIFF
// readers: with AVX-512 byte permutes or SSSE3 byte shuffles where the
// processor has them. The interleaved ones may run in place (target == source).
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define PELMORA_SHUFFLE_SSSE3 1

// Shuffle masks for 16 pixels (48 bytes) of red-green-blue to blue-green-red:
// kSwapMasks[j][i][k] is the byte of source block i that output block j takes
// at k, or -1 (0x80: zero) when it comes from another block.
struct SwapMasks {
    alignas(16) int8_t mask[3][3][16];
};
constexpr SwapMasks MakeSwapMasks()
{
    SwapMasks m {};
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 16; ++k) {
            int out = j * 16 + k;
            int from = out / 3 * 3 + (2 - out % 3);
            for (int i = 0; i < 3; ++i)
                m.mask[j][i][k] = int8_t(from / 16 == i ? from % 16 : -1);
        }
    return m;
}
constexpr SwapMasks kSwapMasks = MakeSwapMasks();

// Sixteen pixels a step, all three blocks loaded before any is stored, so it
// may run in place. Returns the pixels done.
__attribute__((target("ssse3"))) size_t SwapRedBlueSSSE3(const uint8_t* source, uint8_t* target, size_t pixels)
{
    __m128i masks[3][3];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            masks[j][i] = _mm_load_si128(reinterpret_cast<const __m128i*>(kSwapMasks.mask[j][i]));
    size_t done = 0;
    for (; done + 16 <= pixels; done += 16) {
        const __m128i* in = reinterpret_cast<const __m128i*>(source + done * 3);
        __m128i a = _mm_loadu_si128(in), b = _mm_loadu_si128(in + 1), c = _mm_loadu_si128(in + 2);
        __m128i* out = reinterpret_cast<__m128i*>(target + done * 3);
        for (int j = 0; j < 3; ++j) {
            __m128i v = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, masks[j][0]), _mm_shuffle_epi8(b, masks[j][1])),
                _mm_shuffle_epi8(c, masks[j][2]));
            _mm_storeu_si128(out + j, v);
        }
    }
    return done;
}

bool HaveVBMI()
{
    static const bool have = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    return have;
}

// Byte permutes for 64 pixels (192 bytes, three 64-byte blocks a, b, c) of
// red-green-blue to blue-green-red: output block 0 takes from a and b, blocks
// 1 and 2 from b and c, except byte 1 of block 1, which is a's last.
struct PermuteIndexes {
    alignas(64) uint8_t index[3][64];
};
constexpr PermuteIndexes MakePermuteIndexes()
{
    PermuteIndexes t {};
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 64; ++k) {
            int out = j * 64 + k;
            int from = out / 3 * 3 + (2 - out % 3) - (j == 0 ? 0 : 64);
            t.index[j][k] = uint8_t(from < 0 ? 0 : from);
        }
    return t;
}
constexpr PermuteIndexes kPermuteIndexes = MakePermuteIndexes();

// Sixty-four pixels a step with two-source byte permutes, a fraction of the
// instructions of the 16-byte shuffles; all three blocks are loaded before any
// is stored, so it may run in place. Returns the pixels done.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t SwapRedBlueVBMI(
    const uint8_t* source, uint8_t* target, size_t pixels)
{
    const __m512i first = _mm512_load_si512(kPermuteIndexes.index[0]);
    const __m512i second = _mm512_load_si512(kPermuteIndexes.index[1]);
    const __m512i third = _mm512_load_si512(kPermuteIndexes.index[2]);
    const __m512i lastOfA = _mm512_set1_epi8(63);
    size_t done = 0;
    for (; done + 64 <= pixels; done += 64) {
        const uint8_t* in = source + done * 3;
        __m512i a = _mm512_loadu_si512(in), b = _mm512_loadu_si512(in + 64), c = _mm512_loadu_si512(in + 128);
        __m512i out0 = _mm512_permutex2var_epi8(a, first, b);
        __m512i out1 = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(b, second, c), __mmask64(2), lastOfA, a);
        __m512i out2 = _mm512_permutex2var_epi8(b, third, c);
        uint8_t* out = target + done * 3;
        _mm512_storeu_si512(out, out0);
        _mm512_storeu_si512(out + 64, out1);
        _mm512_storeu_si512(out + 128, out2);
    }
    return done;
}

__attribute__((target("ssse3"))) inline __m128i PickBGR(
    __m128i b, __m128i g, __m128i r, __m128i fromBlue, __m128i fromGreen, __m128i fromRed)
{
    return _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(b, fromBlue), _mm_shuffle_epi8(g, fromGreen)), _mm_shuffle_epi8(r, fromRed));
}

// Sixteen pixels a step: three planes of 16 bytes to 48 bytes blue-green-red.
__attribute__((target("ssse3"))) size_t InterleaveBGRSSSE3(
    const uint8_t* red, const uint8_t* green, const uint8_t* blue, uint8_t* target, size_t pixels)
{
    // For output byte k of each 16-byte block: the plane sample it takes, or -1.
    const __m128i b0 = _mm_setr_epi8(0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1, 5);
    const __m128i g0 = _mm_setr_epi8(-1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1, -1);
    const __m128i r0 = _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1);
    const __m128i b1 = _mm_setr_epi8(-1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10, -1);
    const __m128i g1 = _mm_setr_epi8(5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1, 10);
    const __m128i r1 = _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, 8, -1, -1, 9, -1, -1);
    const __m128i b2 = _mm_setr_epi8(-1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1, -1);
    const __m128i g2 = _mm_setr_epi8(-1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15, -1);
    const __m128i r2 = _mm_setr_epi8(10, -1, -1, 11, -1, -1, 12, -1, -1, 13, -1, -1, 14, -1, -1, 15);
    size_t done = 0;
    for (; done + 16 <= pixels; done += 16) {
        __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + done));
        __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + done));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + done));
        __m128i* out = reinterpret_cast<__m128i*>(target + done * 3);
        _mm_storeu_si128(out, PickBGR(b, g, r, b0, g0, r0));
        _mm_storeu_si128(out + 1, PickBGR(b, g, r, b1, g1, r1));
        _mm_storeu_si128(out + 2, PickBGR(b, g, r, b2, g2, r2));
    }
    return done;
}
#endif

void SwapRedBlueOneByOne(const uint8_t* source, uint8_t* target, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        uint8_t red = source[i * 3], green = source[i * 3 + 1], blue = source[i * 3 + 2];
        target[i * 3] = blue;
        target[i * 3 + 1] = green;
        target[i * 3 + 2] = red;
    }
}

void SwapRedBlue8(const uint8_t* source, uint8_t* target, size_t pixels)
{
    size_t i = 0;
#ifdef PELMORA_SHUFFLE_SSSE3
    // In place the row was just decoded and is in the cache, where the
    // permutes' fewer instructions win; between buffers it streams from
    // memory, where the 16-byte shuffles measured faster.
    if (source == target && pixels >= 128 && HaveVBMI()) {
        // Stores that each fill one cache line: a few pixels first bring the
        // target to a 64-byte boundary (3 x 43 = 1 modulo 64). The distance
        // is taken without negating the address, which would wrap.
        size_t toBoundary = (64 - reinterpret_cast<uintptr_t>(target) % 64) % 64;
        i = toBoundary * 43 % 64;
        SwapRedBlueOneByOne(source, target, 0, i);
        i += SwapRedBlueVBMI(source + i * 3, target + i * 3, pixels - i);
    }
    if (CpuHasSsse3())
        i += SwapRedBlueSSSE3(source + i * 3, target + i * 3, pixels - i);
#endif
    SwapRedBlueOneByOne(source, target, i, pixels);
}

void InterleaveBGR8(const uint8_t* red, const uint8_t* green, const uint8_t* blue, uint8_t* target, size_t pixels)
{
    size_t i = 0;
#ifdef PELMORA_SHUFFLE_SSSE3
    if (CpuHasSsse3())
        i = InterleaveBGRSSSE3(red, green, blue, target, pixels);
#endif
    for (; i < pixels; ++i) {
        target[i * 3] = blue[i];
        target[i * 3 + 1] = green[i];
        target[i * 3 + 2] = red[i];
    }
}

template <bool Planar> void RGB(const void* const* sources, uint8_t* target, int bits, size_t count)
{
    if (bits == 8) {
        auto plane = [&](int c) { return static_cast<const uint8_t*>(sources[c]); };
        if (Planar)
            InterleaveBGR8(plane(0), plane(1), plane(2), target, count / 3);
        else
            SwapRedBlue8(plane(0), target, count / 3);
        return;
    }
    int shift = bits == 16 ? 8 : 0;
    ForEachPixel<3, Planar>(sources, bits, count, [&](size_t i, const unsigned* v) {
        target[i * 3] = uint8_t(v[2] >> shift);
        target[i * 3 + 1] = uint8_t(v[1] >> shift);
        target[i * 3 + 2] = uint8_t(v[0] >> shift);
    });
}

template <bool Planar> void RGBA(const void* const* sources, uint8_t* target, int bits, size_t count)
{
    int shift = bits == 16 ? 8 : 0;
    ForEachPixel<4, Planar>(sources, bits, count, [&](size_t i, const unsigned* v) {
        target[i * 4] = uint8_t(v[2] >> shift);
        target[i * 4 + 1] = uint8_t(v[1] >> shift);
        target[i * 4 + 2] = uint8_t(v[0] >> shift);
        target[i * 4 + 3] = uint8_t(v[3] >> shift);
    });
}

template <bool Planar> void CMYK(const void* const* sources, uint8_t* target, int bits, size_t count)
{
    ForEachPixel<4, Planar>(sources, bits, count, [&](size_t i, const unsigned* v) {
        uint8_t rgb[3];
        CMYKToRGB(v[0], v[1], v[2], v[3], bits == 16, rgb);
        target[i * 3] = rgb[2];
        target[i * 3 + 1] = rgb[1];
        target[i * 3 + 2] = rgb[0];
    });
}

template <bool Planar> void Lab(const void* const* sources, uint8_t* target, int bits, size_t count)
{
    if (bits != 8)
        return;
    ForEachPixel<3, Planar>(sources, bits, count, [&](size_t i, const unsigned* v) {
        int a = Planar ? int(v[1]) - 128 : int(int8_t(uint8_t(v[1])));
        int b = Planar ? int(v[2]) - 128 : int(int8_t(uint8_t(v[2])));
        uint8_t rgb[3];
        CIELabToRGB(v[0], a, b, rgb);
        target[i * 3] = rgb[2];
        target[i * 3 + 1] = rgb[1];
        target[i * 3 + 2] = rgb[0];
    });
}

uint8_t ClampToByte(long v)
{
    return uint8_t(std::clamp<long>(v, 0, 255));
}

long MulDiv(long a, long b, long c)
{
    return (a * b + c / 2) / c;
}

uint8_t RoundToByte(double v)
{
    return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

} // namespace

void CMYKToRGB(unsigned c, unsigned m, unsigned y, unsigned k, bool sixteen, uint8_t rgb[3])
{
    auto channel = [&](long s) {
        if (sixteen)
            return ClampToByte(255 - ((s + long(k) - MulDiv(s, long(k), 65535)) >> 8));
        return ClampToByte(255 - s - long(k) + MulDiv(s, long(k), 255));
    };
    rgb[0] = channel(long(c));
    rgb[1] = channel(long(m));
    rgb[2] = channel(long(y));
}

void CIELabToRGB(unsigned l, int a, int b, uint8_t rgb[3])
{
    double L = l / 2.55, X, Y, Z;
    if (L < 7.9996) {
        Y = L / 903.3;
        X = Y + a / 3893.5;
        Z = Y - b / 1557.4;
    } else {
        double fy = (L + 16) / 116;
        X = std::pow(fy + a / 500.0, 3);
        Y = fy * fy * fy;
        Z = std::pow(fy - b / 200.0, 3);
    }
    rgb[0] = RoundToByte((2.998 * X - 1.458 * Y - 0.541 * Z) * 255);
    rgb[1] = RoundToByte((-0.952 * X + 1.893 * Y + 0.059 * Z) * 255);
    rgb[2] = RoundToByte((0.099 * X - 0.198 * Y + 1.099 * Z) * 255);
}

void RGBToBGR(const void* const* s, uint8_t* t, int bits, size_t count)
{
    RGB<false>(s, t, bits, count);
}
void RGBToBGRPlanar(const void* const* s, uint8_t* t, int bits, size_t count)
{
    RGB<true>(s, t, bits, count);
}
void RGBAToBGRA(const void* const* s, uint8_t* t, int bits, size_t count)
{
    RGBA<false>(s, t, bits, count);
}
void RGBAToBGRAPlanar(const void* const* s, uint8_t* t, int bits, size_t count)
{
    RGBA<true>(s, t, bits, count);
}
void CMYKToBGR(const void* const* s, uint8_t* t, int bits, size_t count)
{
    CMYK<false>(s, t, bits, count);
}
void CMYKToBGRPlanar(const void* const* s, uint8_t* t, int bits, size_t count)
{
    CMYK<true>(s, t, bits, count);
}
void CIELabToBGR(const void* const* s, uint8_t* t, int bits, size_t count)
{
    Lab<false>(s, t, bits, count);
}
void CIELabToBGRPlanar(const void* const* s, uint8_t* t, int bits, size_t count)
{
    Lab<true>(s, t, bits, count);
}

} // namespace pelmora
