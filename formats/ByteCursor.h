// A bounds-checked reader over bytes in memory, for headers and tables that a
// reader has already read into a buffer. Reading past the end throws the error
// the reader chose (EReadError by default), never touches memory beyond it.
#pragma once

#include "Exception.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace pelmora {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const uint8_t> bytes, std::string overrunMessage = "Stream read error")
        : bytes_(bytes)
        , overrunMessage_(std::move(overrunMessage))
    {
    }

    size_t Position() const { return position_; }
    size_t Size() const { return bytes_.size(); }
    size_t Remaining() const { return bytes_.size() - position_; }
    bool AtEnd() const { return position_ >= bytes_.size(); }

    void SetPosition(size_t position)
    {
        if (position > bytes_.size())
            Overrun();
        position_ = position;
    }
    void Skip(size_t count) { Take(count); }

    uint8_t U8() { return *Take(1); }
    uint16_t U16LE()
    {
        const uint8_t* p = Take(2);
        return uint16_t(p[0] | p[1] << 8);
    }
    uint16_t U16BE()
    {
        const uint8_t* p = Take(2);
        return uint16_t(p[0] << 8 | p[1]);
    }
    uint32_t U32LE()
    {
        const uint8_t* p = Take(4);
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    uint32_t U32BE()
    {
        const uint8_t* p = Take(4);
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
    }
    int16_t S16LE() { return int16_t(U16LE()); }
    int32_t S32LE() { return int32_t(U32LE()); }
    int16_t S16BE() { return int16_t(U16BE()); }
    int32_t S32BE() { return int32_t(U32BE()); }

    void Copy(void* destination, size_t count)
    {
        const uint8_t* p = Take(count);
        if (count)
            std::memcpy(destination, p, count);
    }
    // The next count bytes, checked, without copying.
    std::span<const uint8_t> Bytes(size_t count) { return {Take(count), count}; }

private:
    const uint8_t* Take(size_t count)
    {
        if (count > Remaining())
            Overrun();
        const uint8_t* p = bytes_.data() + position_;
        position_ += count;
        return p;
    }
    [[noreturn]] void Overrun() const
    {
        if (overrunMessage_ == "Stream read error")
            throw EReadError();
        throw Exception(overrunMessage_);
    }

    std::span<const uint8_t> bytes_;
    std::string overrunMessage_;
    size_t position_ = 0;
};

} // namespace pelmora
