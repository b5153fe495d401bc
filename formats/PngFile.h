// Writing a bitmap as a PNG file (thumbnails, conversions): 8-bit RGB.
#pragma once

#include "Bitmap.h"

#include <string>

namespace pelmora {

class Stream;

// Any pixel format is written by its colours, without the fourth byte of
// Rgb32 rows (alpha in some files, unused in others). An empty bitmap throws
// "Cannot write an empty picture"; libpng's refusals throw its message.
void SavePngToFile(const Bitmap& bitmap, const std::string& path);
// The same into a stream, compressed for size rather than speed (a picture the user saves).
void SavePngToStream(const Bitmap& bitmap, Stream& stream);

} // namespace pelmora
