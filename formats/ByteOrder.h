// Byte-order helpers for readers of Motorola-ordered files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pelmora {

// Exchanges the two bytes of each of `count` 16-bit values in place.
void SwapWords(void* buffer, size_t count);
// Reverses the bytes of each of `count` 32-bit values in place.
void SwapLongs(void* buffer, size_t count);
constexpr uint32_t SwapLong(uint32_t v)
{
    return v >> 24 | (v >> 8 & 0xFF00) | (v << 8 & 0xFF0000) | v << 24;
}
// A sample of type T at any address: samples lent from a file's bytes need not be aligned.
template <class T> T LoadUnaligned(const uint8_t* at)
{
    T v;
    std::memcpy(&v, at, sizeof v);
    return v;
}
// `count` 16-bit samples (native order, at any address) to their high bytes.
void Reduce16To8(const void* source, uint8_t* target, size_t count);

} // namespace pelmora
