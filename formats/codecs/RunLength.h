// The run-length schemes: PackBits (TIFF, Photoshop), PCX, SGI, Dr. Halo CUT
// and Wavefront RLA. Each stops at the first bound its format gives, and at
// the end of the packed or unpacked bytes whatever the format says.
#pragma once

#include "Decoder.h"

namespace pelmora {

// Ends when the packed bytes are used up. 0..127: copy n+1 bytes;
// -1..-127: repeat the next byte 1-n times; -128: skipped.
class TPackbitsRLE final : public TDecoder {
public:
    size_t Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize) override;
};

// Ends when the unpacked bytes are written. 192..255: repeat the next byte
// (byte AND 63) times; anything else is one literal byte.
class TPCXRLE final : public TDecoder {
public:
    size_t Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize) override;
};

// Ends at a control whose low 7 bits are 0. Top bit set: copy n samples;
// clear: repeat the next sample n times. With 2 bytes a sample the control is
// a big-endian word and each sample gives its most significant byte.
class TSGIRLE final : public TDecoder {
public:
    // Set by the reader before Decode: 1 or 2.
    uint8_t bytesPerSample = 1;
    size_t Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize) override;
};

// One row: skips the row's 2-byte length, then top bit set repeats the next
// byte n times, clear copies n bytes, 0 ends the row. Moves `source` past it.
class TCUTRLE final : public TDecoder {
public:
    size_t Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize) override;
};

// Ends when the packed bytes are used up. 0..127: repeat the next byte n+1
// times; -1..-128: copy -n bytes.
class TRLADecoder final : public TDecoder {
public:
    size_t Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize) override;
};

} // namespace pelmora
