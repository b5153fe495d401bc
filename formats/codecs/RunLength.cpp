#include "RunLength.h"

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
    const uint8_t* in = source;
    size_t i = 0, pos = 0;
    while (i < packed) {
        auto n = int8_t(in[i++]);
        if (n >= 0) {
            Copy(in, i, packed, out, pos, limit, size_t(n) + 1);
        } else if (n != -128) {
            if (i >= packed)
                break;
            Fill(out, pos, limit, size_t(1 - n), in[i++]);
        }
    }
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
            unsigned control = unsigned(in[i] << 8 | in[i + 1]);
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
