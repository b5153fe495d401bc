// Camera orientation: how a picture was stored relative to upright, as the
// EXIF orientation tag gives it (1 upright, 2 mirrored left-right, 3 turned
// half round, 4 mirrored top-bottom, 5 mirrored along the main diagonal,
// 6 to be turned a quarter clockwise, 7 mirrored along the other diagonal,
// 8 to be turned a quarter anticlockwise). Readers turn pictures upright
// when they read them.
#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <span>

namespace pelmora {

// The orientation of an Exif block (the APP1 payload of a JPEG file, from
// "Exif\0\0" on); 1 when it has none, or a value outside 1 to 8, or cannot be read.
int ExifOrientation(std::span<const uint8_t> exif);

// True for the orientations whose upright picture has width and height swapped (5 to 8).
bool SwapsSides(int orientation);

// Turns a picture stored with `orientation` upright; 1 and values outside
// 1 to 8 leave it as it is. Pixels of fewer than 8 bits become Indexed8.
void ApplyOrientation(Bitmap& bitmap, int orientation);

} // namespace pelmora
