// Colours of a picture with an embedded ICC profile, brought to sRGB (the
// space the screen and every other picture are taken to be in) with
// LittleCMS 2, perceptual intent. One helper for every reader that finds a
// profile: JPEG, PNG, WebP, HEIF/AVIF, JPEG XL, TIFF and Photoshop files.
#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <span>

namespace pelmora {

// Converts Rgb24 and Rgb32 rows (alpha kept) and the palette of an indexed
// bitmap from `profile` to sRGB. A profile lcms2 cannot read, one whose
// colour space the pixels are not in (a CMYK profile over RGB rows), and one
// that maps colours onto themselves (sRGB itself) leave the bitmap as it is.
// Transforms are cached by profile, so a folder of photos from one camera
// builds one.
void ConvertToSrgb(Bitmap& bitmap, std::span<const uint8_t> profile);

} // namespace pelmora
