// The run-length schemes: PackBits (TIFF, Photoshop), PCX, SGI, Dr. Halo CUT
// and Wavefront RLA. Each stops at the first bound its format gives, and at
// the end of the packed or unpacked bytes whatever the format says.
#pragma once

#include "Decoder.h"

namespace pelmora {

// Ends when the packed bytes are used up. 0..127: copy n+1 bytes;
// -1..-127: repeat the next byte 1-n times; -128: skipped.
class TPackbitsRLE final : public TDecoder {
public:
    size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) override;
};

// PackBits a piece at a time (a row each, say, converted while it is in the
// cache): a packet that one piece ends inside goes on in the next.
class PackbitsCursor {
public:
    PackbitsCursor() = default;
    PackbitsCursor(const uint8_t* packed, size_t size)
        : in_(packed)
        , left_(size)
    {
    }
    // Writes up to `size` bytes; fewer only when the packed bytes run out.
    size_t Decode(uint8_t* destination, size_t size);
    // No more than this many bytes are still to come.
    size_t MostLeft() const { return run_ + literal_ + left_ * 64; }

private:
    const uint8_t* in_ = nullptr;
    size_t left_ = 0; // packed bytes from in_ on
    size_t literal_ = 0; // bytes of a literal still to copy, at most left_
    size_t run_ = 0; // copies of value_ still to write
    uint8_t value_ = 0;
};

// Ends when the unpacked bytes are written. 192..255: repeat the next byte
// (byte AND 63) times; anything else is one literal byte.
class TPCXRLE final : public TDecoder {
public:
    size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) override;
};

// The PCX scheme a piece at a time (a line each, converted while it is in
// the cache): a run that one piece ends inside goes on in the next.
class PcxCursor {
public:
    PcxCursor(const uint8_t* packed, size_t size)
        : in_(packed)
        , left_(size)
    {
    }
    // Writes up to `size` bytes; fewer only when the packed bytes run out.
    // The bytes between the count returned and `size` may be overwritten.
    size_t Decode(uint8_t* destination, size_t size);

private:
    const uint8_t* in_;
    size_t left_; // packed bytes from in_ on
    size_t run_ = 0; // copies of value_ still to write
    uint8_t value_ = 0;
};

// Ends at a control whose low 7 bits are 0. Top bit set: copy n samples;
// clear: repeat the next sample n times. With 2 bytes a sample the control is
// a big-endian word and each sample gives its most significant byte. The
// bytes between the count returned and `unpackedSize` may be overwritten.
class TSGIRLE final : public TDecoder {
public:
    // 2 for samples of 2 bytes; anything else is 1.
    explicit TSGIRLE(uint8_t bytesPerSample)
        : bytesPerSample_(bytesPerSample)
    {
    }
    size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) override;

private:
    uint8_t bytesPerSample_;
};

// One row: skips the row's 2-byte length, then top bit set repeats the next
// byte n times, clear copies n bytes, 0 ends the row.
class TCUTRLE final : public TDecoder {
public:
    struct Row {
        size_t written;
        size_t consumed; // the packed bytes of the row, its ending zero included: the next row starts there
    };
    Row DecodeRow(std::span<const uint8_t> source, std::span<uint8_t> destination) const;
    size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) override
    {
        return DecodeRow(source, destination).written;
    }
};

// Ends when the packed bytes are used up. 0..127: repeat the next byte n+1
// times; -1..-128: copy -n bytes.
class TRLADecoder final : public TDecoder {
public:
    size_t Decode(std::span<const uint8_t> source, std::span<uint8_t> destination) override;
};

} // namespace pelmora
