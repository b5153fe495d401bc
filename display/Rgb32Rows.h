// 24-bit rows as the 32-bit pixels screens take. Qt paints 24-bit rows
// through its general pixel path, about six times as slow as converting them
// here and letting it copy the 32-bit rows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmora {

// `pixels` blue-green-red pixels to blue-green-red-255 words (QImage::Format_RGB32).
void Rgb24ToRgb32(const uint8_t* from, uint8_t* to, size_t pixels);

} // namespace pelmora
