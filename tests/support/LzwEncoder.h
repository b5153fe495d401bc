// LZW encoders for fixtures, in the TIFF and GIF flavours, with switches for
// the unusual streams a decoder must still take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora::test {

struct LzwOptions {
    bool leadingClear = true; // start with a clear code
    bool clearWhenFull = true; // clear as the table fills; off: go on with the full table
    bool endCode = true; // finish with the end code
};

// TIFF LZW: codes most significant bit first, 8-bit roots, the width growing one code early.
std::vector<uint8_t> EncodeTiffLzw(const std::vector<uint8_t>& data, const LzwOptions& options = {});
// GIF LZW: codes least significant bit first, roots of `codeSize` bits.
std::vector<uint8_t> EncodeGifLzw(const std::vector<uint8_t>& data, int codeSize, const LzwOptions& options = {});

// Codes of one fixed width packed most or least significant bit first.
std::vector<uint8_t> PackCodes(const std::vector<int>& codes, int width, bool mostSignificantFirst);

// PackBits, each row of `rowBytes` packed on its own.
std::vector<uint8_t> EncodePackBits(const std::vector<uint8_t>& data, size_t rowBytes);

} // namespace pelmora::test
