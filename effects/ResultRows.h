// The rows of a large effect result, written past the cache. A result of
// tens of megabytes does not fit in it anyway, and ordinary stores first read
// every line they write from memory: for the cheap effects that read made a
// result from a source cost nearly twice what the same effect costs in place.
// Effects whose arithmetic takes longer than that read gain nothing (the read
// overlaps it) and would pay for the buffer, so they write their rows directly.
#pragma once

#include "formats/Bitmap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pelmora {

// Copies n bytes to `to` with stores that bypass the cache (plain copies
// where the processor has none). They become visible in order only after
// the ResultRows that wrote them is gone.
void StreamBytes(const uint8_t* from, uint8_t* to, size_t n);

// What a row's pixels cost: a light row costs about what reading its lines does.
enum class RowWork { Light, Heavy };

class ResultRows {
public:
    // Pixels of a piece: three kilobytes of Rgb24, which stay in the first-level cache.
    static constexpr size_t kPiecePixels = 1024;

    // Streams light rows when the target is not the source, whose rows are
    // in the cache anyway once read, and too large to be worth keeping there.
    ResultRows(const Bitmap& source, const Bitmap& target, RowWork work);
    ~ResultRows();
    ResultRows(const ResultRows&) = delete;
    ResultRows& operator=(const ResultRows&) = delete;

    // Writes `width` Rgb24 pixels of `row` by fill(first, count, out), which
    // writes pixels first..first+count-1 at `out`: straight into the row, or
    // piece by piece into a buffer that is then streamed into it.
    template <class Fill> void Write(uint8_t* row, size_t width, Fill fill)
    {
        if (!stream_) {
            fill(size_t(0), width, row);
            return;
        }
        alignas(64) uint8_t piece[3 * kPiecePixels];
        for (size_t x = 0; x < width; x += kPiecePixels) {
            const size_t count = std::min(kPiecePixels, width - x);
            fill(x, count, piece);
            StreamBytes(piece, row + 3 * x, 3 * count);
        }
    }

    // Copies n bytes of a finished row to another row of the result, as Write would.
    void Copy(const uint8_t* from, uint8_t* to, size_t n)
    {
        if (stream_)
            StreamBytes(from, to, n);
        else
            std::memcpy(to, from, n);
    }

private:
    bool stream_;
};

} // namespace pelmora
