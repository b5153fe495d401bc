// TIFF images: the first image of a file, in strips of uncompressed, LZW or
// PackBits data, bilevel, grey, palette, RGB(A), CMYK, CIE L*a*b* and YCbCr,
// interleaved or one plane a sample, Intel or Motorola byte order. Saving
// writes nothing: the class reads TIFF only.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class TTIFFGraphic : public Bitmap {
public:
    TTIFFGraphic();
    static const GraphicClass& StaticClass();
    const GraphicClass& Class() const override { return StaticClass(); }
    // "Invalid TIFF file.", "TIFF: Unknown compression scheme", "TIF LZW:
    // invalid opcode." or "Stream read error" when the header, directory, strip
    // tables or colour map are cut short. Strip data cut short is no error: the
    // rows it does not reach stay as they were.
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream&) const override { }
};

} // namespace pelmora
