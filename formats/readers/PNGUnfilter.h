// PNG's row filters undone for 8-bit samples, straight into bitmap rows, with
// the reordering the bitmap needs done in the same pass: one sample a pixel
// (grey, palette indices) as it is; RGB and RGBA in the bitmap's blue-first
// order; RGB into Rgb32 rows with an opaque alpha.
#pragma once

#include "formats/Bitmap.h"

#include <cstdint>

namespace pelmora {

// `rows`: the image's height in rows of a filter type byte followed by the
// image's width times `samples` bytes. A filter type past 4 throws
// EInvalidGraphic(invalid). The image is allocated already, in Indexed8
// (one sample), Rgb24 (three) or Rgb32 (three or four).
void UnfilterPngRows(const uint8_t* rows, int samples, Bitmap& image, const char* invalid);

} // namespace pelmora
