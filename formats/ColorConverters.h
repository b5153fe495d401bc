// Colour converters shared by the TIFF, Photoshop, HEIF and JPEG XL readers: samples of 8 or
// 16 bits (16-bit samples in the machine's order) to blue-green-red(-alpha)
// bytes of one Bitmap row. Interleaved converters read sources[0]; planar ones
// read one plane a channel from sources[0..]. `count` is the number of samples:
// count / 3 pixels for RGB and L*a*b*, count / 4 for RGBA and CMYK. Any bit
// depth other than 8 or 16 converts nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora {

using ColorConverter = void (*)(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);

// May run in place (target == sources[0]) for 8-bit samples.
void RGBToBGR(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);
void RGBToBGRPlanar(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);
void RGBAToBGRA(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);
void RGBAToBGRAPlanar(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);
void CMYKToBGR(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);
void CMYKToBGRPlanar(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);
// L is an unsigned byte; a and b are signed bytes (interleaved) or stored with
// an offset of 128 (planar).
void CIELabToBGR(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);
void CIELabToBGRPlanar(const void* const* sources, uint8_t* target, int bitsPerSample, size_t count);

// One CMYK pixel to red, green, blue (8-bit samples, or 16-bit when `sixteen`).
void CMYKToRGB(unsigned c, unsigned m, unsigned y, unsigned k, bool sixteen, uint8_t rgb[3]);
// One CIE L*a*b* pixel (L as stored, a and b signed) to red, green, blue.
void CIELabToRGB(unsigned l, int a, int b, uint8_t rgb[3]);

} // namespace pelmora
