#include "ResultRows.h"

#include "formats/CpuFeatures.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define PELMORA_STREAM_AVX2 1
#endif

namespace pelmora {

namespace {

// Above this a result is streamed: more than the second-level caches and a
// good part of the last one, which the picture shown and the next effect's
// source use better.
constexpr size_t kStreamFrom = size_t(8) << 20;

#ifdef PELMORA_STREAM_AVX2
// Half as many stores as sixteen bytes at a time, which is what bounds a
// stream of them once the lines need not be read.
__attribute__((target("avx2"))) size_t StreamAvx2(const uint8_t* from, uint8_t* to, size_t n)
{
    size_t i = 0;
    for (; i + 32 <= n; i += 32)
        _mm256_stream_si256(
            reinterpret_cast<__m256i*>(to + i), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i)));
    return i;
}
#endif

} // namespace

void StreamBytes(const uint8_t* from, uint8_t* to, size_t n)
{
#if defined(__SSE2__)
    // Up to the first 32-byte boundary of the target, and the tail, plainly.
    const size_t head = std::min(n, size_t(-reinterpret_cast<uintptr_t>(to) & 31));
    std::memcpy(to, from, head);
    size_t i = head;
#ifdef PELMORA_STREAM_AVX2
    if (CpuHasAvx2())
        i += StreamAvx2(from + i, to + i, n - i);
#endif
    for (; i + 16 <= n; i += 16)
        _mm_stream_si128(
            reinterpret_cast<__m128i*>(to + i), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
    std::memcpy(to + i, from + i, n - i);
#else
    std::memcpy(to, from, n);
#endif
}

ResultRows::ResultRows(const Bitmap& source, const Bitmap& target, RowWork work)
    : stream_(work == RowWork::Light && &source != &target
        && size_t(target.BytesPerLine()) * size_t(target.Height()) > kStreamFrom)
{
}

ResultRows::~ResultRows()
{
#if defined(__SSE2__)
    // Streamed stores are not ordered with later ones until fenced.
    if (stream_)
        _mm_sfence();
#endif
}

} // namespace pelmora
