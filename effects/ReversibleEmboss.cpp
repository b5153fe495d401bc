// An emboss step halves the sum of a byte and the complement of its partner
// one row down and three pixels on, so it drops one bit of each byte it
// changes. Kept, those bits give the picture back exactly, bottom row up (the
// partners of a row are in the row below, which the step leaves as it was
// until the row is done): an eighth of a copy of the picture.
#include "NeighbourhoodFilters.h"

#include "PixelConventions.h"

#include "formats/CpuFeatures.h"

#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define PELMORA_EMBOSS_AVX2 1
#endif
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pelmora {

namespace {

// The bytes of each row an emboss step changes: every pixel of a row with a
// row below, but its last three.
size_t ChangedBytes(int width, int height)
{
    return width >= 4 && height >= 2 ? 3 * size_t(width - 3) : 0;
}

// Two bytes of dropped bits for each sixteen changed bytes, bit k for byte k.
size_t BitBytesOfRow(size_t changed)
{
    return (changed + 15) / 16 * 2;
}

// Bytes first..n-1 of one row, one at a time (the tail of the wide loop).
void EmbossBytes(uint8_t* row, const uint8_t* below, uint8_t* bits, size_t first, size_t n)
{
    std::memset(bits + first / 8, 0, BitBytesOfRow(n) - first / 8);
    for (size_t i = first; i < n; ++i) {
        const int sum = row[i] + (255 - below[i]);
        row[i] = uint8_t(sum >> 1);
        bits[i / 8] |= uint8_t((sum & 1) << (i % 8));
    }
}

void UnembossBytes(uint8_t* row, const uint8_t* below, const uint8_t* bits, size_t first, size_t n)
{
    for (size_t i = first; i < n; ++i)
        row[i] = uint8_t(2 * row[i] + ((bits[i / 8] >> (i % 8)) & 1) + below[i] + 1);
}

#ifdef PELMORA_EMBOSS_AVX2
// The wide loops below, thirty-two bytes at a time: the bytes they leave over
// go on sixteen and then one at a time.
__attribute__((target("avx2"))) size_t EmbossAvx2(uint8_t* row, const uint8_t* below, uint8_t* bits, size_t n)
{
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
        const __m256i b = _mm256_xor_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + i)), _mm256_set1_epi8(char(0xFF)));
        const __m256i odd = _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_set1_epi8(1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + i), _mm256_sub_epi8(_mm256_avg_epu8(a, b), odd));
        const auto mask = uint32_t(_mm256_movemask_epi8(_mm256_slli_epi16(odd, 7)));
        std::memcpy(bits + i / 8, &mask, 4);
    }
    return i;
}

__attribute__((target("avx2"))) size_t UnembossAvx2(uint8_t* row, const uint8_t* below, const uint8_t* bits, size_t n)
{
    // Each mask byte to the eight bytes it tells of, then each byte's own bit.
    const __m256i spread = _mm256_setr_epi8(
        0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3);
    const __m256i select = _mm256_set1_epi64x(int64_t(0x8040201008040201ull));
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        uint32_t mask;
        std::memcpy(&mask, bits + i / 8, 4);
        const __m256i m = _mm256_and_si256(_mm256_shuffle_epi8(_mm256_set1_epi32(int(mask)), spread), select);
        const __m256i odd = _mm256_and_si256(_mm256_cmpeq_epi8(m, select), _mm256_set1_epi8(1));
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(below + i));
        const __m256i s
            = _mm256_add_epi8(_mm256_add_epi8(_mm256_add_epi8(d, d), odd), _mm256_add_epi8(b, _mm256_set1_epi8(1)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + i), s);
    }
    return i;
}
#endif

void EmbossRowKeepingBits(uint8_t* row, const uint8_t* below, uint8_t* bits, size_t n)
{
    size_t i = 0;
#ifdef PELMORA_EMBOSS_AVX2
    if (CpuHasAvx2())
        i = EmbossAvx2(row, below, bits, n);
#endif
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i b
            = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(below + i)), _mm_set1_epi8(char(0xFF)));
        // The rounded-up mean less the dropped bit is the mean rounded down.
        const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_sub_epi8(_mm_avg_epu8(a, b), odd));
        const auto mask = uint16_t(_mm_movemask_epi8(_mm_slli_epi16(odd, 7)));
        std::memcpy(bits + i / 8, &mask, 2);
    }
#endif
    EmbossBytes(row, below, bits, i, n);
}

void UnembossRow(uint8_t* row, const uint8_t* below, const uint8_t* bits, size_t n)
{
    size_t i = 0;
#ifdef PELMORA_EMBOSS_AVX2
    if (CpuHasAvx2())
        i = UnembossAvx2(row, below, bits, n);
#endif
#if defined(__SSE2__)
    const __m128i select
        = _mm_set_epi8(char(0x80), 0x40, 0x20, 0x10, 8, 4, 2, 1, char(0x80), 0x40, 0x20, 0x10, 8, 4, 2, 1);
    for (; i + 16 <= n; i += 16) {
        const __m128i spread = _mm_set_epi64x(
            int64_t(bits[i / 8 + 1] * 0x0101010101010101ull), int64_t(bits[i / 8] * 0x0101010101010101ull));
        const __m128i odd = _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(spread, select), select), _mm_set1_epi8(1));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(below + i));
        // 2d + bit - (255 - b), which is the byte as it was, taken modulo 256.
        const __m128i s = _mm_add_epi8(_mm_add_epi8(_mm_add_epi8(d, d), odd), _mm_add_epi8(b, _mm_set1_epi8(1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), s);
    }
#endif
    UnembossBytes(row, below, bits, i, n);
}

} // namespace

DroppedBits EmbossKeepingBits(Bitmap& bitmap)
{
    ToRgb24(bitmap);
    const int h = bitmap.Height();
    const size_t changed = ChangedBytes(bitmap.Width(), h);
    const size_t stride = BitBytesOfRow(changed);
    // Every byte is written: clearing them first would cost a pass of its own.
    DroppedBits bits {nullptr, changed ? stride * size_t(h - 1) : 0};
    bits.bytes = std::make_unique_for_overwrite<uint8_t[]>(bits.size);
    for (int y = 0; changed && y + 1 < h; ++y)
        EmbossRowKeepingBits(
            bitmap.ScanLine(y), bitmap.ScanLine(y + 1) + 9, bits.bytes.get() + stride * size_t(y), changed);
    return bits;
}

bool Unemboss(Bitmap& bitmap, const DroppedBits& bits)
{
    const int h = bitmap.Height();
    const size_t changed = ChangedBytes(bitmap.Width(), h);
    const size_t stride = BitBytesOfRow(changed);
    if (bitmap.GetPixelFormat() != PixelFormat::Rgb24 || bits.size != (changed ? stride * size_t(h - 1) : 0))
        return false;
    for (int y = h - 2; changed && y >= 0; --y)
        UnembossRow(bitmap.ScanLine(y), bitmap.ScanLine(y + 1) + 9, bits.bytes.get() + stride * size_t(y), changed);
    return true;
}

} // namespace pelmora
