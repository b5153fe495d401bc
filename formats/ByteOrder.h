// Integers from bytes in a stated order, and the sample-order helpers of the
// readers. The loads are plain shifts: compilers turn each into one load (and
// a byte swap where the order differs), with no alignment needed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pelmora {

constexpr uint16_t LoadU16LE(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}
constexpr uint16_t LoadU16BE(const uint8_t* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}
constexpr uint32_t LoadU32LE(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
constexpr uint32_t LoadU32BE(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
constexpr uint64_t LoadU64LE(const uint8_t* p)
{
    return uint64_t(LoadU32LE(p)) | uint64_t(LoadU32LE(p + 4)) << 32;
}
constexpr uint64_t LoadU64BE(const uint8_t* p)
{
    return uint64_t(LoadU32BE(p)) << 32 | uint64_t(LoadU32BE(p + 4));
}

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
// `count` big-endian 16-bit samples to their high bytes.
void ReduceBE16To8(const uint8_t* source, uint8_t* target, size_t count);
// `count` big-endian 16-bit samples to native values.
void LoadBE16Samples(const uint8_t* source, uint16_t* target, size_t count);

} // namespace pelmora
