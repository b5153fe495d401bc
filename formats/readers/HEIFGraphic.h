// HEIF (.heic, .heif) and AVIF files through libheif: the primary image,
// turned and mirrored as the file says, as Rgb24 or as Rgb32 with the alpha
// kept; an embedded ICC profile is applied (colour given as code points
// only is taken as sRGB).
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class THEIFGraphic : public RegisteredGraphic<THEIFGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "THEIFGraphic";
    // "Invalid AVIF file." (files branded AVIF) or "Invalid HEIF file." for
    // anything libheif refuses; "Image dimensions too large." past the pixel
    // limit, checked before anything is decoded.
    void LoadFromStream(Stream& stream) override;
};

} // namespace pelmora
