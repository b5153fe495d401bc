#include "ByteOrder.h"

#include <cstring>

namespace pelmora {

void SwapWords(void* buffer, size_t count)
{
    auto* p = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < count; ++i, p += 2) {
        uint8_t t = p[0];
        p[0] = p[1];
        p[1] = t;
    }
}

void SwapLongs(void* buffer, size_t count)
{
    auto* p = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < count; ++i, p += 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        v = SwapLong(v);
        std::memcpy(p, &v, 4);
    }
}

void Reduce16To8(const void* source, uint8_t* target, size_t count)
{
    const auto* bytes = static_cast<const uint8_t*>(source);
    for (size_t i = 0; i < count; ++i)
        target[i] = uint8_t(LoadUnaligned<uint16_t>(bytes + 2 * i) >> 8);
}

void ReduceBE16To8(const uint8_t* source, uint8_t* target, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        target[i] = source[i * 2];
}

void LoadBE16Samples(const uint8_t* source, uint16_t* target, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        target[i] = LoadU16BE(source + i * 2);
}

} // namespace pelmora
