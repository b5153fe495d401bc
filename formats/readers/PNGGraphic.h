// PNG files through libpng: palette pictures without transparency as
// Indexed8 with their palette, grey ones as Indexed8 with a grey ramp,
// colour as Rgb24, and every picture with alpha or a transparent colour as
// Rgb32 with the alpha kept. 16-bit samples are rounded to 8 bits; an
// embedded ICC profile is applied, or else the gamma and primaries the gAMA
// and cHRM chunks give, as browsers do. The picture data of 8-bit files that
// are not interlaced (most photos and screenshots) are inflated by libdeflate
// and unfiltered here, in one pass each, rather than row by row in libpng.
#pragma once

#include "formats/Bitmap.h"

#include <cstdint>
#include <span>

namespace pelmora {

class TPNGGraphic : public RegisteredGraphic<TPNGGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TPNGGraphic";
    // "Invalid PNG file." for anything libpng refuses, a damaged or cut
    // file included; "Image dimensions too large." past the pixel limit.
    void LoadFromStream(Stream& stream) override;
};

// The decoding of a whole PNG file in memory, shared with the icon reader's
// PNG entries; what libpng refuses throws EInvalidGraphic(invalid). With
// `bgra`, every picture comes as Rgb32 with alpha, as icons keep theirs.
void DecodePng(std::span<const uint8_t> file, Bitmap& image, const char* invalid, bool bgra = false);

} // namespace pelmora
