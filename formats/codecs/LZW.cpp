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

// The strings of the roots: byte i at index i (a root of a code size above 8
// bits stands for its low byte), with room for a 16-byte read at the last one.
struct RootBytes {
    alignas(16) uint8_t bytes[4096 + 16] = {};
    RootBytes()
    {
        for (int i = 0; i < 4096; ++i)
            bytes[i] = uint8_t(i);
    }
};
const RootBytes kRoots;

// Copies the n bytes of a string (n >= 1) to `to`. The string ends at or
// before `to`, except for the next free code, whose last byte is the first
// byte written: it is taken from the string's start once that is written.
inline void CopyString(uint8_t* to, const uint8_t* from, size_t n)
{
    std::memcpy(to, from, n - 1);
    to[n - 1] = from[n - 1];
}

// The same for n <= 16 as one 16-byte copy: the bytes past the string get
// stale copies (see OriginalBytes). All 16 are read before any is written.
inline void CopyShortString(uint8_t* to, const uint8_t* from, size_t n)
{
    uint8_t block[16];
    std::memcpy(block, from, 16);
    std::memcpy(to, block, 16);
    to[n - 1] = from[n - 1];
}

// Short strings go out as 16-byte copies, which write stale bytes past the
// string's end; the next string overwrites them. So that a decode that stops
// (or fails) leaves the destination past its output as it was, this keeps
// what a 64-byte window of the destination held before, from the write
// position on, and puts it back at the end.
class OriginalBytes {
public:
    OriginalBytes(uint8_t* out, size_t limit)
        : out_(out)
        , limit_(limit)
    {
    }

    // Whether 16 bytes may be written at `pos`, sliding or restarting the window.
    bool Allow(size_t pos) { return pos + 16 <= end_ || Move(pos); }
    void Wrote16(size_t pos) { dirtyEnd_ = pos + 16; }
    // Puts back the bytes from `pos` on that stale copies overwrote.
    void Restore(size_t pos)
    {
        if (dirtyEnd_ > pos)
            std::memcpy(out_ + pos, saved_ + (pos - base_), dirtyEnd_ - pos);
        dirtyEnd_ = 0;
    }

private:
    bool Move(size_t pos)
    {
        if (dirtyEnd_ <= pos) {
            // Nothing stale: the window starts afresh here.
            if (limit_ - pos < 64)
                return false;
            std::memcpy(saved_, out_ + pos, 64);
            base_ = pos;
            end_ = pos + 64;
            return true;
        }
        // The stale bytes lie in the window's second half: move it on by 32.
        if (limit_ - base_ < 96)
            return false;
        std::memcpy(saved_, saved_ + 32, 32);
        std::memcpy(saved_ + 32, out_ + base_ + 64, 32);
        base_ += 32;
        end_ += 32;
        return true;
    }

    uint8_t* out_;
    size_t limit_;
    size_t base_ = 0, end_ = 0; // the window: what out_[base_, end_) held before
    size_t dirtyEnd_ = 0; // out_[pos, dirtyEnd_) holds stale bytes
    uint8_t saved_[64];
};

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

template <bool MostSignificantFirst>
size_t LZWTable::Expand(const Scheme& scheme, const uint8_t* source, uint8_t* out, size_t packedSize, size_t limit)
{
    const int clear = 1 << scheme.rootBits;
    const int end = clear + 1;
    const int firstWidth = scheme.rootBits + 1;
    for (int i = 0; i < clear; ++i) {
        string_[i] = kRoots.bytes + i;
        length_[i] = 1;
    }
    // The width grows once the next free code reaches `growAt`.
    auto growAt = [&](int width) { return width < 12 ? (1 << width) - scheme.earlyChange : kTableSize + 1; };
    size_t pos = 0;
    CodeReader<MostSignificantFirst> codes(source, packedSize);
    OriginalBytes original(out, limit);
    int code;
    for (;;) {
        // Right after a clear (or at the start) only a root may come.
        int width = firstWidth, nextGrowth = growAt(width);
        int nextFree = clear + 2;
        if (!codes.Next(width, code) || code == end || pos >= limit)
            break;
        if (code == clear)
            continue;
        if (code > clear) {
            original.Restore(pos);
            throw Exception(scheme.invalidCodeMessage);
        }
        out[pos] = uint8_t(code);
        // The entry the next code will make: this string and the byte after it.
        string_[nextFree] = out + pos;
        length_[nextFree] = 2;
        ++pos;
        for (;;) {
            if (!codes.Next(width, code) || code == end || pos >= limit)
                goto done;
            if (code >= clear) {
                if (code == clear)
                    break;
                // Above the next free code nothing may come; the next free code's entry is already in place.
                if (code > nextFree) {
                    original.Restore(pos);
                    throw Exception(scheme.invalidCodeMessage);
                }
            }
            const size_t length = length_[code];
            const uint8_t* string = string_[code];
            const size_t room = limit - pos;
            if (code < clear) {
                out[pos] = uint8_t(code); // a root: one byte, nothing stale beyond it
            } else if (length <= 16 && original.Allow(pos)) {
                CopyShortString(out + pos, string, length);
                original.Wrote16(pos);
            } else {
                original.Restore(pos);
                if (length <= room)
                    CopyString(out + pos, string, length);
                else
                    std::memcpy(out + pos, string, room); // cut: the next code ends the decode
            }
            // The entry the previous code made (its string plus this one's
            // first byte) now counts. A full table stays as it is until a
            // clear code; its next free code, 4096, is a slot no code reaches.
            nextFree += nextFree < kTableSize;
            if (nextFree >= nextGrowth)
                nextGrowth = growAt(++width);
            string_[nextFree] = out + pos;
            length_[nextFree] = uint16_t(length + 1);
            pos += std::min(length, room);
        }
    }
done:
    original.Restore(pos);
    return pos;
}

size_t LZWTable::Run(
    const Scheme& scheme, const uint8_t* source, uint8_t* destination, size_t packedSize, size_t unpackedSize)
{
    if (scheme.mostSignificantFirst)
        return Expand<true>(scheme, source, destination, packedSize, unpackedSize);
    return Expand<false>(scheme, source, destination, packedSize, unpackedSize);
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
