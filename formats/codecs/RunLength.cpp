#include "RunLength.h"
#include "formats/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pelmora {

namespace {

// Writes up to `count` copies of `value`, cut at the unpacked size.
inline void Fill(uint8_t* out, size_t& pos, size_t limit, size_t count, uint8_t value)
{
    size_t n = std::min(count, limit - pos);
    if (n)
        std::memset(out + pos, value, n);
    pos += n;
}

// Copies up to `count` bytes from in[i], cut at both ends.
inline void Copy(const uint8_t* in, size_t& i, size_t packed, uint8_t* out, size_t& pos, size_t limit, size_t count)
{
    size_t n = std::min({count, packed - i, limit - pos});
    if (n)
        std::memcpy(out + pos, in + i, n);
    pos += n;
    i += std::min(count, packed - i);
}

// SGI packets of 2-byte samples: each gives its first (most significant) byte.
size_t DecodeSgiWords(const uint8_t* in, size_t packed, uint8_t* out, size_t limit)
{
    size_t i = 0, pos = 0;
    while (i + 1 < packed) {
        unsigned control = LoadU16BE(in + i);
        i += 2;
        size_t n = control & 0x7F;
        if (n == 0)
            break;
        if (control & 0x80) {
            for (size_t k = 0; k < n && i + 1 < packed && pos < limit; ++k, i += 2)
                out[pos++] = in[i];
        } else {
            if (i + 1 >= packed)
                break;
            Fill(out, pos, limit, n, in[i]);
            i += 2;
        }
    }
    return pos;
}

} // namespace

size_t TPackbitsRLE::Decode(std::span<const uint8_t> source, std::span<uint8_t> destination)
{
    PackbitsCursor cursor(source.data(), source.size());
    return cursor.Decode(destination.data(), destination.size());
}

size_t PackbitsCursor::Decode(uint8_t* out, size_t limit)
{
    // Locals, so that the copies do not make the compiler keep the state in memory.
    const uint8_t* in = in_;
    size_t left = left_, literal = literal_, run = run_, pos = 0;
    while (pos < limit) {
        if (run) {
            size_t n = std::min(run, limit - pos);
            std::memset(out + pos, value_, n);
            run -= n;
            pos += n;
        } else if (literal) {
            size_t n = std::min(literal, limit - pos);
            std::memcpy(out + pos, in, n);
            in += n;
            left -= n;
            literal -= n;
            pos += n;
        } else if (left == 0) {
            break;
        } else {
            auto n = int8_t(*in++);
            --left;
            if (n == 127 && left >= 128 && limit - pos >= 128) {
                // Photos are mostly literals of the longest length: a copy of
                // a known size is a few moves instead of a call.
                std::memcpy(out + pos, in, 128);
                in += 128;
                left -= 128;
                pos += 128;
            } else if (n >= 0) {
                literal = std::min(size_t(n) + 1, left);
            } else if (n != -128 && left) {
                value_ = *in++;
                --left;
                run = size_t(1 - n);
            }
        }
    }
    in_ = in;
    left_ = left;
    literal_ = literal;
    run_ = run;
    return pos;
}

size_t TPCXRLE::Decode(std::span<const uint8_t> source, std::span<uint8_t> destination)
{
    return PcxCursor(source.data(), source.size()).Decode(destination.data(), destination.size());
}

size_t PcxCursor::Decode(uint8_t* out, size_t size)
{
    const uint8_t* in = in_;
    const uint8_t* const end = in_ + left_;
    size_t pos = 0;
    // Writes a run, keeping what the piece has no room for; false when the piece is full.
    auto run = [&](uint8_t value, size_t count) {
        size_t n = std::min(count, size - pos);
        if (n)
            std::memset(out + pos, value, n);
        pos += n;
        run_ = count - n;
        value_ = value;
        return run_ == 0;
    };
    if (run_ && !run(value_, run_))
        return pos;
    // Photos are mostly literals: eight packed bytes are taken at once, and
    // the literals before the first run byte among them (a byte with both
    // top bits set) go out in one store. Runs of a few take one 8-byte store.
    while (end - in >= 8 && size - pos >= 8) {
        std::memcpy(out + pos, in, 8);
        const uint64_t packed = LoadU64LE(in);
        const uint64_t runBytes = packed & packed << 1 & 0x8080808080808080u;
        if (!runBytes) {
            in += 8;
            pos += 8;
            continue;
        }
        const auto literals = size_t(std::countr_zero(runBytes) / 8);
        in += literals;
        pos += literals;
        if (end - in < 2)
            break;
        const uint8_t value = in[1];
        const size_t count = in[0] & 63u;
        in += 2;
        if (count <= 8 && size - pos >= 8) {
            const uint64_t copies = value * 0x0101010101010101u;
            std::memcpy(out + pos, &copies, 8);
            pos += count;
        } else if (!run(value, count)) {
            break;
        }
    }
    while (pos < size && in < end) {
        const uint8_t b = *in++;
        if (b < 192) {
            out[pos++] = b;
        } else if (in == end) {
            break; // a run without its value
        } else if (!run(*in++, b & 63u)) {
            break;
        }
    }
    in_ = in;
    left_ = size_t(end - in);
    return pos;
}

size_t TSGIRLE::Decode(std::span<const uint8_t> source, std::span<uint8_t> destination)
{
    const uint8_t* in = source.data();
    uint8_t* out = destination.data();
    const size_t packed = source.size(), limit = destination.size();
    if (bytesPerSample_ == 2)
        return DecodeSgiWords(in, packed, out, limit);
    size_t i = 0, pos = 0;
    while (i < packed) {
        const uint8_t control = in[i];
        const size_t n = control & 0x7F;
        if (n == 0)
            break;
        if (n <= 32 && packed - i > 32 && limit - pos >= 32) {
            // Flat pictures are mostly packets of a few bytes: a copy and a
            // run alike take four 8-byte stores, without a branch on the kind.
            // All ones for a copy, zero for a run; negated as a signed value, so nothing wraps.
            const uint64_t copying = uint64_t(-int64_t(control >> 7));
            const uint64_t copies = in[i + 1] * 0x0101010101010101u;
            for (size_t k = 0; k < 32; k += 8) {
                uint64_t bytes;
                std::memcpy(&bytes, in + i + 1 + k, 8);
                bytes = (bytes & copying) | (copies & ~copying);
                std::memcpy(out + pos + k, &bytes, 8);
            }
            pos += n;
            i += 2 + ((n - 1) & copying);
            continue;
        }
        ++i;
        if (control & 0x80) {
            Copy(in, i, packed, out, pos, limit, n);
        } else {
            if (i >= packed)
                break;
            Fill(out, pos, limit, n, in[i++]);
        }
    }
    return pos;
}

TCUTRLE::Row TCUTRLE::DecodeRow(std::span<const uint8_t> source, std::span<uint8_t> destination) const
{
    const uint8_t* in = source.data();
    uint8_t* out = destination.data();
    const size_t packed = source.size(), limit = destination.size();
    size_t i = std::min<size_t>(2, packed), pos = 0;
    while (i < packed) {
        uint8_t control = in[i++];
        // Only a zero byte ends the row: 0x80 is a run of no bytes.
        if (control == 0)
            break;
        size_t n = control & 0x7F;
        if (control & 0x80) {
            if (i >= packed)
                break;
            Fill(out, pos, limit, n, in[i++]);
        } else {
            Copy(in, i, packed, out, pos, limit, n);
        }
    }
    return {pos, i};
}

size_t TRLADecoder::Decode(std::span<const uint8_t> source, std::span<uint8_t> destination)
{
    const uint8_t* in = source.data();
    uint8_t* out = destination.data();
    const size_t packed = source.size(), limit = destination.size();
    size_t i = 0, pos = 0;
    while (i < packed) {
        auto n = int8_t(in[i++]);
        if (n >= 0) {
            if (i >= packed)
                break;
            Fill(out, pos, limit, size_t(n) + 1, in[i++]);
        } else {
            Copy(in, i, packed, out, pos, limit, size_t(-int(n)));
        }
    }
    return pos;
}

} // namespace pelmora
