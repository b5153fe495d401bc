// Effects named in text, as pelmora-convert takes them: "NAME" or
// "NAME=V1[,V2[,V3]]" with the operation's own arguments ("Contrast=60",
// "Sharpen=2.5", "Convolve=4,1", "Emboss=3" for three steps,
// "Resample=200,150,5" for width, height and kernel). Missing values take the
// filter value dialog's defaults; values outside its range are refused.
#pragma once

#include "Distortions.h"

#include "formats/Bitmap.h"

#include <functional>
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

// What takes an edit made in place back: the picture's bytes exactly as they were.
using UndoStep = std::function<void(Bitmap&)>;

// Whether the operation can run in place on the picture and still be taken
// back without a copy of it: on an Rgb24 picture, which they do not convert,
// InvertColors and the mirrors (run once more) and Emboss (which keeps the
// bit of each byte it drops, an eighth of a copy).
bool UndoesWithoutCopy(std::string_view operation, const Bitmap& picture);
// Runs such an operation in place and gives what takes it back; throws for
// the others.
UndoStep RunEffectUndoably(std::string_view operation, Bitmap& picture, const std::vector<double>& values);

} // namespace pelmora
