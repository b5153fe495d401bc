#include "ResultRows.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pelmora {

namespace {

// Above this a result is streamed: more than the second-level caches and a
// good part of the last one, which the picture shown and the next effect's
// source use better.
constexpr size_t kStreamFrom = size_t(8) << 20;

} // namespace

void StreamBytes(const uint8_t* from, uint8_t* to, size_t n)
{
#if defined(__SSE2__)
    // Up to the first sixteen-byte boundary of the target, and the tail, plainly.
    const size_t head = std::min(n, size_t(-reinterpret_cast<uintptr_t>(to) & 15));
    std::memcpy(to, from, head);
    size_t i = head;
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
