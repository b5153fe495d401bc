// Targa run-length packets, one row at a time. Pixel bytes are copied as they
// are: the file's blue-green-red order is the bitmap's.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora {

// Decodes packets from `packed` (at most `packedSize` bytes) until `rowBytes`
// bytes of `row` are written; a packet running past the row's end is cut.
// Returns the packed bytes consumed; 0 for bits a pixel other than 8, 15, 16, 24, 32.
size_t DecodeTargaRow(const uint8_t* packed, size_t packedSize, uint8_t* row, size_t rowBytes, int bitsPerPixel);

// Encodes `pixelCount` pixels of `bytesPerPixel` (1 to 4) bytes; `out` must
// hold the worst case, pixelCount * (bytesPerPixel + 1) bytes. Returns the bytes written.
size_t EncodeTargaRow(const uint8_t* pixels, uint8_t* out, int pixelCount, int bytesPerPixel);

} // namespace pelmora
