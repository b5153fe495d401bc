// The two LZW variants: TIFF (codes most significant bit first, clear 256,
// end 257, the width growing one code early) and GIF (least significant bit
// first, clear and end codes from the initial code size).
#pragma once

#include "Decoder.h"

namespace pelmora {

// The string table both variants share. Every string the table holds has been
// written to the destination once already (roots stand in a constant table),
// so an entry is kept as where that copy starts and how long it is, and
// expanding a code is one copy from earlier output: no prefix walk, no stack.
class LZWTable : public TDecoder {
public:
    static constexpr int kTableSize = 4096;

protected:
    // How a variant reads its codes and when its code width grows.
    struct Scheme {
        bool mostSignificantFirst;
        // 1: the width grows when the next free code reaches 2^width - 1 (TIFF);
        // 0: when it reaches 2^width (GIF).
        int earlyChange;
        int rootBits; // clear code = 2^rootBits, first width rootBits + 1
        const char* invalidCodeMessage;
    };
    size_t Run(
        const Scheme& scheme, const uint8_t* source, uint8_t* destination, size_t packedSize, size_t unpackedSize);

private:
    friend struct LZWGrowth; // the steps of Expand
    template <bool MostSignificantFirst>
    size_t Expand(
        const Scheme& scheme, const uint8_t* source, uint8_t* destination, size_t packedSize, size_t unpackedSize);

    // One slot more for the next free code of a full table.
    const uint8_t* string_[kTableSize + 1];
    uint16_t length_[kTableSize + 1];
};

class TTIFFLZW final : public LZWTable {
public:
    // "TIF LZW: invalid opcode." for a code above the next free code.
    size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) override;
};

class TGIFLZW final : public LZWTable {
public:
    // The file's initial code size; Decode fails for one outside 1 to 11.
    explicit TGIFLZW(uint8_t initialCodeSize)
        : initialCodeSize_(initialCodeSize)
    {
    }
    // "GIF LZW: invalid opcode." for a code above the next free code.
    size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) override;

private:
    uint8_t initialCodeSize_;
};

} // namespace pelmora
