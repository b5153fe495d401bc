// Effects named in text, as pelmora-convert takes them: "NAME" or
// "NAME=V1[,V2[,V3]]" with the operation's own arguments ("Contrast=60",
// "Sharpen=2.5", "Convolve=4,1", "Emboss=3" for three steps,
// "Resample=200,150,5" for width, height and kernel). Missing values take the
// filter value dialog's defaults; values outside its range are refused.
#pragma once

#include "Distortions.h"

#include "formats/Bitmap.h"

#include <string_view>
#include <vector>

namespace pelmora {

// Runs one effect on the picture. Unknown names, malformed values and
// values out of range throw an Exception saying which, before anything changes.
void ApplyEffect(Bitmap& picture, std::string_view request, RandomSeeding seeding);

// Runs an operation by name ("Mosaic", "Rotate90", "Resample") as the display
// window's commands run it: the picture is only read, and `result`, a bitmap
// of its own, receives the picture the effect makes. The values are the
// effect's own (FilterKinds' EffectValue, Convolve's edge mode, Resample's
// height and kernel) and are not checked against the dialog's ranges.
void RunEffect(std::string_view operation, const Bitmap& picture, Bitmap& result, const std::vector<double>& values,
    RandomSeeding seeding = RandomSeeding::FromClock);

// Runs an operation as RunEffect does, but on the picture itself.
void RunEffectInPlace(std::string_view operation, Bitmap& picture, const std::vector<double>& values,
    RandomSeeding seeding = RandomSeeding::FromClock);

// Whether running the operation in place a second time gives the picture's
// bytes back exactly (InvertColors and the mirrors, on an Rgb24 picture, which
// they do not convert): such an edit is undone without a copy of the picture.
bool UndoesItself(std::string_view operation, const Bitmap& picture);

} // namespace pelmora
