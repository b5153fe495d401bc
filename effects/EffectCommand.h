// Effects named in text, as pelmora-convert takes them: "NAME" or
// "NAME=V1[,V2[,V3]]" with the operation's own arguments ("Contrast=60",
// "Sharpen=2.5", "Convolve=4,1", "Emboss=3" for three steps,
// "Resample=200,150,5" for width, height and kernel). Missing values take the
// filter value dialog's defaults; values outside its range are refused.
#pragma once

#include "Distortions.h"

#include "formats/Bitmap.h"

#include <string_view>

namespace pelmora {

// Runs one effect on the picture. Unknown names, malformed values and
// values out of range throw an Exception saying which, before anything changes.
void ApplyEffect(Bitmap& picture, std::string_view request, RandomSeeding seeding);

} // namespace pelmora
