// The decompression codecs the readers share: each works from memory to
// memory and never reads past `packedSize` source bytes nor writes past
// `unpackedSize` destination bytes; a run or string that would cross either
// end is cut there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora {

class TDecoder {
public:
    virtual ~TDecoder() = default;
    // Decodes from `source` into `destination` and returns the bytes written.
    // Only TCUTRLE moves the caller's `source` (past the row it decoded).
    virtual size_t Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize) = 0;
};

} // namespace pelmora
