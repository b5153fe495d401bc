// A bounds-checked reader over bytes in memory, for headers and tables that a
// reader has already read into a buffer. Reading past the end throws the error
// the reader chose (EReadError unless it names one), never touches memory beyond it.
#pragma once

#include "ByteOrder.h"
#include "Exception.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace pelmora {

class ByteCursor {
public:
    // Running past the end throws EReadError.
    explicit ByteCursor(std::span<const uint8_t> bytes)
        : bytes_(bytes)
    {
    }
    // Running past the end throws the reader's own message.
    ByteCursor(std::span<const uint8_t> bytes, std::string overrunMessage)
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
    uint16_t U16LE() { return LoadU16LE(Take(2)); }
    uint16_t U16BE() { return LoadU16BE(Take(2)); }
    uint32_t U32LE() { return LoadU32LE(Take(4)); }
    uint32_t U32BE() { return LoadU32BE(Take(4)); }
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
        if (overrunMessage_.empty())
            throw EReadError();
        throw Exception(overrunMessage_);
    }

    std::span<const uint8_t> bytes_;
    std::string overrunMessage_;
    size_t position_ = 0;
};

} // namespace pelmora
