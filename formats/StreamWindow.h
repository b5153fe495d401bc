// A window of a stream's bytes held in memory, so that a reader asking for a
// row at a time costs one read for many rows. The bytes handed out are those
// a read of the stream at that position would give.
#pragma once

#include "Stream.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pelmora {

class StreamWindow {
public:
    // `capacity` is the most bytes asked for at once or more; more saves reads.
    StreamWindow(Stream& stream, size_t capacity);

    // Up to `count` bytes from `position` (absolute), fewer where the stream
    // ends. Reads the stream only when the window does not hold them.
    std::span<const uint8_t> At(int64_t position, size_t count);
    // True when the window already holds what At(position, count) gives.
    bool Holds(int64_t position, size_t count) const;

private:
    Stream& stream_;
    std::vector<uint8_t> bytes_;
    int64_t start_ = 0; // stream position of bytes_[0]
    size_t filled_ = 0;
    bool reachesEnd_ = false; // the last read stopped at the stream's end
};

} // namespace pelmora
