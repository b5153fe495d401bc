// The two LZW variants: TIFF (codes most significant bit first, clear 256,
// end 257, the width growing one code early) and GIF (least significant bit
// first, clear and end codes from the initial code size).
#pragma once

#include "Decoder.h"

namespace pelmora {

// The string table both variants share: 4096 entries of prefix and suffix.
class LZWTable : public TDecoder {
protected:
    static constexpr int kTableSize = 4096;
    static constexpr uint16_t kNoCode = 4096;

    // Resets to the state right after a clear code: roots below `clear`.
    void Reset(int clear, int width);
    // Writes the string of `code` (or, for the next free code, the previous
    // string plus its first byte) at out[pos], cut at `limit`; adds the new
    // entry; returns the new write position.
    size_t Expand(int code, uint8_t* out, size_t pos, size_t limit);
    // Adds prefix=previous, suffix=first at the next free code; the variants
    // differ in when the width grows.
    virtual void AddEntry() = 0;

    uint16_t prefix_[kTableSize];
    uint8_t suffix_[kTableSize];
    uint8_t stack_[kTableSize];
    int clear_ = 256, end_ = 257;
    int width_ = 9, limit_ = 511;
    int nextFree_ = 258;
    int previous_ = kNoCode;
    uint8_t first_ = 0;
};

class TTIFFLZW final : public LZWTable {
public:
    // "TIF LZW: invalid opcode." for a code above the next free code.
    size_t Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize) override;

private:
    void AddEntry() override;
};

class TGIFLZW final : public LZWTable {
public:
    // Set by the reader before Decode: the file's initial code size (1 to 11).
    uint8_t initialCodeSize = 8;
    // "GIF LZW: invalid opcode." for a code above the next free code.
    size_t Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize) override;

private:
    void AddEntry() override;
};

} // namespace pelmora
