// The decompression codecs the readers share: each works from memory to
// memory and never reads past its source nor writes past its destination; a
// run or string that would cross either end is cut there. A codec's settings
// (a code size, bytes a sample) are given when it is made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pelmora {

class TDecoder {
public:
    virtual ~TDecoder() = default;
    // Decodes from `source` into `destination` (its size the bytes wanted)
    // and returns the bytes written.
    virtual size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) = 0;
};

} // namespace pelmora
