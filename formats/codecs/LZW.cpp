#include "LZW.h"

#include "formats/Exception.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace pelmora {

namespace {

uint64_t Load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

uint64_t LoadBigEndian64(const uint8_t* p)
{
    if constexpr (std::endian::native == std::endian::little)
        return __builtin_bswap64(Load64(p));
    else
        return Load64(p);
}

uint64_t LoadLittleEndian64(const uint8_t* p)
{
    if constexpr (std::endian::native == std::endian::little)
        return Load64(p);
    else
        return __builtin_bswap64(Load64(p));
}

// Copies exactly n bytes (n >= 1) to a destination that starts at or after the
// source's end; short strings, the common case, go as two overlapping words.
inline void CopyString(uint8_t* to, const uint8_t* from, size_t n)
{
    if (n >= 8 && n <= 16) {
        uint64_t head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4 && n < 8) {
        uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else if (n < 4) {
        to[0] = from[0];
        if (n > 1) {
            to[1] = from[1];
            if (n > 2)
                to[2] = from[2];
        }
    } else {
        std::memcpy(to, from, n);
    }
}

// Codes from packed bytes, most or least significant bit first. The 64-bit
// buffer is refilled a word at a time while 8 packed bytes remain, then byte by
// byte; bits of bytes not yet counted may already sit in it, and refilling puts
// the same bits there again.
template <bool MostSignificantFirst> class CodeReader {
public:
    CodeReader(const uint8_t* in, size_t size)
        : in_(in)
        , size_(size)
    {
    }

    // False when the packed bytes hold no complete code of `width` bits more.
    bool Next(int width, int& code)
    {
        if (held_ < width) {
            Refill();
            if (held_ < width)
                return false;
        }
        if constexpr (MostSignificantFirst) {
            code = int(bits_ >> (64 - width));
            bits_ <<= width;
        } else {
            code = int(bits_ & ((uint64_t(1) << width) - 1));
            bits_ >>= width;
        }
        held_ -= width;
        return true;
    }

private:
    void Refill()
    {
        if (size_ - read_ >= 8) {
            if constexpr (MostSignificantFirst)
                bits_ |= LoadBigEndian64(in_ + read_) >> held_;
            else
                bits_ |= LoadLittleEndian64(in_ + read_) << held_;
            read_ += size_t(63 - held_) >> 3;
            held_ |= 56;
            return;
        }
        while (held_ <= 56 && read_ < size_) {
            if constexpr (MostSignificantFirst)
                bits_ |= uint64_t(in_[read_++]) << (56 - held_);
            else
                bits_ |= uint64_t(in_[read_++]) << held_;
            held_ += 8;
        }
    }

    const uint8_t* in_;
    size_t size_;
    size_t read_ = 0;
    uint64_t bits_ = 0;
    int held_ = 0;
};

} // namespace

template <bool MostSignificantFirst, class Offset>
size_t LZWTable::Expand(const Scheme& scheme, const uint8_t* source, uint8_t* out, size_t packedSize, size_t limit)
{
    Offset* offset;
    if constexpr (sizeof(Offset) == 4)
        offset = offset32_;
    else
        offset = offset64_;
    const int clear = 1 << scheme.rootBits;
    const int end = clear + 1;
    const int firstWidth = scheme.rootBits + 1;
    int width = firstWidth;
    int nextFree = clear + 2;
    // The previous code's string: where it was written and how long it is (0: none, right after a clear).
    size_t previousAt = 0;
    size_t previousLength = 0;
    size_t pos = 0;
    CodeReader<MostSignificantFirst> codes(source, packedSize);
    int code;
    while (codes.Next(width, code)) {
        if (code == end || pos >= limit)
            return pos;
        if (code == clear) {
            width = firstWidth;
            nextFree = clear + 2;
            previousLength = 0;
            continue;
        }
        // After a clear only a root may come; above the next free code nothing may.
        if (code > nextFree || (previousLength == 0 && code > clear))
            throw Exception(scheme.invalidCodeMessage);
        size_t length;
        if (code < clear) {
            out[pos] = uint8_t(code);
            length = 1;
        } else if (code == nextFree) {
            // Not in the table yet: the previous string and its own first byte.
            length = previousLength + 1;
            size_t room = limit - pos;
            CopyString(out + pos, out + previousAt, std::min(previousLength, room));
            if (room > previousLength)
                out[pos + previousLength] = out[previousAt];
        } else {
            length = length_[code];
            CopyString(out + pos, out + offset[code], std::min(length, limit - pos));
        }
        // The new entry is the previous string plus this one's first byte, which
        // now stand one after the other in the destination. A full table stays
        // as it is until a clear code.
        if (previousLength != 0 && nextFree < kTableSize) {
            offset[nextFree] = Offset(previousAt);
            length_[nextFree] = uint16_t(previousLength + 1);
            ++nextFree;
            if (nextFree >= (1 << width) - scheme.earlyChange && width < 12)
                ++width;
        }
        previousAt = pos;
        previousLength = length;
        pos = std::min(pos + length, limit);
    }
    return pos;
}

size_t LZWTable::Run(
    const Scheme& scheme, const uint8_t* source, uint8_t* destination, size_t packedSize, size_t unpackedSize)
{
    // Offsets of 32 bits keep the table small enough for the first-level cache.
    bool small = unpackedSize <= std::numeric_limits<uint32_t>::max();
    if (scheme.mostSignificantFirst)
        return small ? Expand<true, uint32_t>(scheme, source, destination, packedSize, unpackedSize)
                     : Expand<true, uint64_t>(scheme, source, destination, packedSize, unpackedSize);
    return small ? Expand<false, uint32_t>(scheme, source, destination, packedSize, unpackedSize)
                 : Expand<false, uint64_t>(scheme, source, destination, packedSize, unpackedSize);
}

size_t TTIFFLZW::Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize)
{
    static constexpr Scheme tiff { true, 1, 8, "TIF LZW: invalid opcode." };
    return Run(tiff, source, destination, packedSize, unpackedSize);
}

size_t TGIFLZW::Decode(const uint8_t*& source, uint8_t* destination, size_t packedSize, size_t unpackedSize)
{
    // Beyond 11 bits the first code width would pass the 12-bit limit.
    if (initialCodeSize < 1 || initialCodeSize > 11)
        throw Exception("GIF LZW: invalid opcode.");
    const Scheme gif { false, 0, initialCodeSize, "GIF LZW: invalid opcode." };
    return Run(gif, source, destination, packedSize, unpackedSize);
}

} // namespace pelmora
