#include "TargaPackets.h"

#include "formats/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

// Copies of a P-byte pixel; runs are short, so fixed-size copies the compiler inlines.
template <size_t P> void FillPixels(uint8_t* to, const uint8_t* value, size_t pixels)
{
    uint8_t pixel[P];
    std::memcpy(pixel, value, P);
    for (size_t k = 0; k < pixels; ++k)
        std::memcpy(to + k * P, pixel, P);
}

// `bytes` bytes of a run of one pixel value; a pixel the row's end cuts is cut too.
void FillRun(uint8_t* to, const uint8_t* value, size_t pixelSize, size_t bytes)
{
    size_t whole = bytes / pixelSize;
    switch (pixelSize) {
    case 1: std::memset(to, value[0], bytes); return;
    case 2: FillPixels<2>(to, value, whole); break;
    case 3: FillPixels<3>(to, value, whole); break;
    default: FillPixels<4>(to, value, whole); break;
    }
    std::memcpy(to + whole * pixelSize, value, bytes - whole * pixelSize);
}

template <class T> inline void Store(uint8_t* to, T value)
{
    std::memcpy(to, &value, sizeof value);
}

// Copies n bytes (n >= 1) exactly, in a few overlapping loads and stores.
inline void CopyExact(uint8_t* to, const uint8_t* from, size_t n)
{
    auto copy = [&](size_t at, auto word) {
        std::memcpy(&word, from + at, sizeof word);
        Store(to + at, word);
    };
    if (n >= 16) {
        for (size_t k = 0; k + 16 < n; k += 16)
            std::memcpy(to + k, from + k, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n >= 8) {
        copy(0, uint64_t());
        copy(n - 8, uint64_t());
    } else if (n >= 4) {
        copy(0, uint32_t());
        copy(n - 4, uint32_t());
    } else {
        for (size_t k = 0; k < n; ++k)
            to[k] = from[k];
    }
}

// n bytes of a run of one pixel (a whole number of pixels), exactly. The
// pixel repeated from its first byte fills two 64-bit words; a store that
// starts `phase` bytes into a pixel takes the words shifted by that much.
inline void FillExact(uint8_t* to, const uint8_t* value, size_t pixelSize, size_t n)
{
    if (pixelSize == 1) {
        std::memset(to, value[0], n);
        return;
    }
    uint64_t v = value[0];
    for (size_t k = 1; k < pixelSize; ++k)
        v |= uint64_t(value[k]) << (8 * k);
    if (pixelSize != 3) {
        // 2 and 4 bytes divide 4, 8 and 16: every store is in phase.
        const uint64_t w = pixelSize == 2 ? v * 0x0001000100010001u : v | v << 32;
        if (n >= 16) {
            for (size_t k = 0; k + 16 < n; k += 16) {
                Store(to + k, w);
                Store(to + k + 8, w);
            }
            Store(to + n - 16, w);
            Store(to + n - 8, w);
        } else if (n >= 8) {
            Store(to, w);
            Store(to + n - 8, w);
        } else if (n >= 4) {
            Store(to, uint32_t(w));
            Store(to + n - 4, uint32_t(w));
        } else {
            Store(to, uint16_t(w));
        }
        return;
    }
    // Three bytes: words of phase 0 and 8 (which is phase 2), blocks 15 bytes apart.
    const uint64_t low = v | v << 24 | v << 48, high = v >> 16 | v << 8 | v << 32 | v << 56;
    if (n >= 16) {
        size_t k = 0;
        for (; k + 16 <= n; k += 15) {
            Store(to + k, low);
            Store(to + k + 8, high);
        }
        if (k < n) {
            // The last 16 bytes start at phase 2 (n is a multiple of 3).
            Store(to + n - 16, low >> 16 | high << 48);
            Store(to + n - 8, high >> 16 | (v >> 8) << 48);
        }
    } else if (n >= 8) {
        Store(to, low);
        Store(to + n - 8, low >> 8 | high << 56); // phase 1
    } else if (n == 6) {
        Store(to, uint32_t(low));
        Store(to + 2, uint32_t(low >> 16)); // phase 2
    } else {
        Store(to, uint16_t(v));
        to[2] = value[2];
    }
}

// Packets of up to this many bytes take the path without branches.
constexpr size_t kShortPacket = 32;

// The first kShortPacket bytes of a run of the pixel at `value`, as words.
inline void RunWords(const uint8_t* value, size_t pixelSize, uint64_t (&words)[kShortPacket / 8])
{
    // The packet has more bytes after the value than these four.
    uint64_t v = LoadU32LE(value) & (~uint64_t(0) >> (64 - 8 * pixelSize));
    if (pixelSize == 3) {
        // Word k starts 8k bytes on: two bytes into a pixel for k = 1, one for k = 2, and so on round.
        const uint64_t phase0 = v | v << 24 | v << 48;
        const uint64_t phase1 = phase0 >> 8 | uint64_t(value[2]) << 56;
        const uint64_t phase2 = phase0 >> 16 | uint64_t(value[2]) << 48 | uint64_t(value[0]) << 56;
        const uint64_t phases[3] = {phase0, phase2, phase1};
        for (size_t k = 0; k < kShortPacket / 8; ++k)
            words[k] = phases[k % 3];
        return;
    }
    const uint64_t w = pixelSize == 1 ? v * 0x0101010101010101u
        : pixelSize == 2              ? v * 0x0001000100010001u
                                      : v | v << 32;
    for (uint64_t& word : words)
        word = w;
}

} // namespace

namespace {

// Where a row's decoding stands: packed bytes used, row bytes written.
struct RowPosition {
    size_t packed = 0, row = 0;
};

// Packets while whole ones fit the row and the packed bytes: no cuts to make.
template <size_t pixelSize>
inline void DecodeWholePackets(const uint8_t* packed, size_t packedSize, uint8_t* row, size_t rowBytes, RowPosition& at)
{
    size_t i = at.packed, pos = at.row;
    while (pos < rowBytes && i < packedSize) {
        const uint8_t header = packed[i];
        const size_t bytes = ((header & 0x7Fu) + 1) * pixelSize;
        if (rowBytes - pos < bytes)
            break;
        if (bytes <= kShortPacket && rowBytes - pos >= kShortPacket && packedSize - i > kShortPacket
            && packedSize - i >= 2 * (rowBytes - pos)) {
            // Flat pictures are mostly packets of a few pixels: a copy and a
            // run alike take the same stores, without a branch on the kind.
            // With two packed bytes for every byte still to write (the most a
            // packet takes) the row is certain to be finished, so the bytes
            // stored past the packet are all written again.
            // All ones for a raw packet, zero for a run; worked out signed, so nothing wraps.
            const uint64_t copying = uint64_t(int64_t(header >> 7) - 1);
            uint64_t run[kShortPacket / 8];
            RunWords(packed + i + 1, pixelSize, run);
            for (size_t k = 0; k < kShortPacket / 8; ++k) {
                uint64_t word;
                std::memcpy(&word, packed + i + 1 + 8 * k, 8);
                word = (word & copying) | (run[k] & ~copying);
                Store(row + pos + 8 * k, word);
            }
            pos += bytes;
            i += 1 + pixelSize + ((bytes - pixelSize) & copying);
            continue;
        }
        if (header & 0x80) {
            if (packedSize - i - 1 < pixelSize)
                break;
            FillExact(row + pos, packed + i + 1, pixelSize, bytes);
            i += 1 + pixelSize;
        } else {
            if (packedSize - i - 1 < bytes)
                break;
            CopyExact(row + pos, packed + i + 1, bytes);
            i += 1 + bytes;
        }
        pos += bytes;
    }
    at = {i, pos};
}

// The packets left: cut at the row's end or at the end of the packed bytes.
// Returns the packed bytes used in all.
inline size_t DecodeCutPackets(
    const uint8_t* packed, size_t packedSize, uint8_t* row, size_t rowBytes, size_t pixelSize, RowPosition at)
{
    size_t i = at.packed, pos = at.row;
    while (pos < rowBytes && i < packedSize) {
        uint8_t header = packed[i++];
        size_t n = (header & 0x7Fu) + 1;
        if (header & 0x80) {
            if (packedSize - i < pixelSize)
                break;
            const uint8_t* value = packed + i;
            i += pixelSize;
            size_t bytes = std::min(n * pixelSize, rowBytes - pos);
            FillRun(row + pos, value, pixelSize, bytes);
            pos += bytes;
        } else {
            size_t bytes = n * pixelSize;
            size_t take = std::min({bytes, packedSize - i, rowBytes - pos});
            std::memcpy(row + pos, packed + i, take);
            pos += take;
            i += std::min(bytes, packedSize - i);
        }
    }
    return i;
}

// One row of pixels of `pixelSize` bytes; a compiled copy for each size.
template <size_t pixelSize> size_t DecodeRow(const uint8_t* packed, size_t packedSize, uint8_t* row, size_t rowBytes)
{
    RowPosition at;
    DecodeWholePackets<pixelSize>(packed, packedSize, row, rowBytes, at);
    return DecodeCutPackets(packed, packedSize, row, rowBytes, pixelSize, at);
}

} // namespace

size_t DecodeTargaRow(const uint8_t* packed, size_t packedSize, uint8_t* row, size_t rowBytes, int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 8: return DecodeRow<1>(packed, packedSize, row, rowBytes);
    case 15:
    case 16: return DecodeRow<2>(packed, packedSize, row, rowBytes);
    case 24: return DecodeRow<3>(packed, packedSize, row, rowBytes);
    case 32: return DecodeRow<4>(packed, packedSize, row, rowBytes);
    default: return 0;
    }
}

size_t EncodeTargaRow(const uint8_t* pixels, uint8_t* out, int pixelCount, int bytesPerPixel)
{
    const auto size = size_t(bytesPerPixel);
    auto same
        = [&](int a, int b) { return std::memcmp(pixels + size_t(a) * size, pixels + size_t(b) * size, size) == 0; };
    size_t written = 0;
    int x = 0;
    while (x < pixelCount) {
        int left = pixelCount - x;
        // The literal stretch: pixels before the first pair of equal neighbours;
        // without such a pair, all but the last pixel (which goes out on its own).
        // Scanning past 128 pixels cannot change a packet: both counts are capped there.
        int literal = 1;
        if (left > 1) {
            int most = std::min(left - 1, 128);
            literal = 0;
            while (literal < most && !same(x + literal, x + literal + 1))
                ++literal;
        }
        int run = 1;
        while (run < std::min(left, 128) && same(x, x + run))
            ++run;
        if (literal > 0) {
            out[written++] = uint8_t(literal - 1);
            std::memcpy(out + written, pixels + size_t(x) * size, size_t(literal) * size);
            written += size_t(literal) * size;
            x += literal;
        } else {
            out[written++] = uint8_t((run - 1) | 0x80);
            std::memcpy(out + written, pixels + size_t(x) * size, size);
            written += size;
            x += run;
        }
    }
    return written;
}

} // namespace pelmora
