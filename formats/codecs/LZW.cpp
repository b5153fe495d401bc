#include "LZW.h"

#include "formats/Exception.h"

namespace pelmora {

void LZWTable::Reset(int clear, int width)
{
    clear_ = clear;
    end_ = clear + 1;
    nextFree_ = clear + 2;
    width_ = width;
    limit_ = (1 << width) - 1;
    previous_ = kNoCode;
    for (int i = 0; i < clear; ++i) {
        prefix_[i] = kNoCode;
        suffix_[i] = uint8_t(i);
    }
}

size_t LZWTable::Expand(int code, uint8_t* out, size_t pos, size_t limit)
{
    if (previous_ == kNoCode) {
        first_ = suffix_[code];
        previous_ = code;
        if (pos < limit)
            out[pos++] = first_;
        return pos;
    }
    int top = 0;
    int walk = code;
    if (code == nextFree_) {
        stack_[top++] = first_;
        walk = previous_;
    }
    // Codes above the clear code are strings; below it, roots.
    while (walk > clear_ && top < kTableSize - 1) {
        stack_[top++] = suffix_[walk];
        walk = prefix_[walk];
    }
    stack_[top++] = suffix_[walk];
    first_ = suffix_[walk];
    if (nextFree_ < kTableSize)
        AddEntry();
    previous_ = code;
    while (top > 0 && pos < limit)
        out[pos++] = stack_[--top];
    return pos;
}

void TTIFFLZW::AddEntry()
{
    prefix_[nextFree_] = uint16_t(previous_);
    suffix_[nextFree_] = first_;
    ++nextFree_;
    if (nextFree_ == limit_ && width_ < 12) {
        ++width_;
        limit_ = (1 << width_) - 1;
    }
}

size_t TTIFFLZW::Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize)
{
    Reset(256, 9);
    const uint8_t* in = source;
    size_t pos = 0;
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = 0; i < packedSize && pos < unpackedSize; ++i) {
        bits = bits << 8 | in[i];
        held += 8;
        while (held >= width_) {
            int code = int(bits >> (held - width_) & ((1u << width_) - 1));
            held -= width_;
            if (code == end_ || pos >= unpackedSize)
                return pos;
            if (code == clear_) {
                Reset(256, 9);
                continue;
            }
            // After a clear only a root may come; above the next free code nothing may.
            if (code > nextFree_ || (previous_ == kNoCode && code > clear_))
                throw Exception("TIF LZW: invalid opcode.");
            pos = Expand(code, destination, pos, unpackedSize);
        }
    }
    return pos;
}

void TGIFLZW::AddEntry()
{
    prefix_[nextFree_] = uint16_t(previous_);
    suffix_[nextFree_] = first_;
    if (nextFree_ == limit_ && width_ < 12) {
        ++width_;
        limit_ = (1 << width_) - 1;
    }
    // A full table adds nothing more until a clear code (deferred clears are legal).
    ++nextFree_;
}

size_t TGIFLZW::Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize)
{
    const int size = initialCodeSize;
    if (size < 1 || size > 11)
        throw Exception("GIF LZW: invalid opcode.");
    Reset(1 << size, size + 1);
    const uint8_t* in = source;
    size_t pos = 0;
    uint32_t bits = 0;
    int held = 0;
    for (size_t i = 0; i < packedSize && pos < unpackedSize; ++i) {
        bits |= uint32_t(in[i]) << held;
        held += 8;
        while (held >= width_) {
            int code = int(bits & ((1u << width_) - 1));
            bits >>= width_;
            held -= width_;
            if (code == end_ || pos >= unpackedSize)
                return pos;
            if (code == clear_) {
                Reset(1 << size, size + 1);
                continue;
            }
            if (code > nextFree_ || (previous_ == kNoCode && code > clear_))
                throw Exception("GIF LZW: invalid opcode.");
            pos = Expand(code, destination, pos, unpackedSize);
        }
    }
    return pos;
}

} // namespace pelmora
