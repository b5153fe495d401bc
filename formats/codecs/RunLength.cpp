#include "RunLength.h"
#include "formats/ByteOrder.h"

#include <algorithm>
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

} // namespace

size_t TPackbitsRLE::Decode(const uint8_t*& source, uint8_t* out, size_t packed, size_t limit)
{
    PackbitsCursor cursor(source, packed);
    return cursor.Decode(out, limit);
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

size_t TPCXRLE::Decode(const uint8_t*& source, uint8_t* out, size_t packed, size_t limit)
{
    const uint8_t* in = source;
    size_t i = 0, pos = 0;
    while (pos < limit && i < packed) {
        uint8_t b = in[i++];
        if (b >= 192) {
            if (i >= packed)
                break;
            Fill(out, pos, limit, b & 63u, in[i++]);
        } else {
            out[pos++] = b;
        }
    }
    return pos;
}

size_t TSGIRLE::Decode(const uint8_t*& source, uint8_t* out, size_t packed, size_t limit)
{
    const uint8_t* in = source;
    size_t i = 0, pos = 0;
    if (bytesPerSample == 2) {
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
    while (i < packed) {
        uint8_t control = in[i++];
        size_t n = control & 0x7F;
        if (n == 0)
            break;
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

size_t TCUTRLE::Decode(const uint8_t*& source, uint8_t* out, size_t packed, size_t limit)
{
    const uint8_t* in = source;
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
    source = in + i;
    return pos;
}

size_t TRLADecoder::Decode(const uint8_t*& source, uint8_t* out, size_t packed, size_t limit)
{
    const uint8_t* in = source;
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
