// Byte-order helpers for readers of Motorola-ordered files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora {

// Exchanges the two bytes of each of `count` 16-bit values in place.
void SwapWords(void* buffer, size_t count);
// Reverses the bytes of each of `count` 32-bit values in place.
void SwapLongs(void* buffer, size_t count);
constexpr uint32_t SwapLong(uint32_t v)
{
    return v >> 24 | (v >> 8 & 0xFF00) | (v << 8 & 0xFF0000) | v << 24;
}
// `count` 16-bit samples (native order) to their high bytes.
void Reduce16To8(const uint16_t* source, uint8_t* target, size_t count);

} // namespace pelmora
