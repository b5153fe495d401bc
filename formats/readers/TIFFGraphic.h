// TIFF images: the first image of a file, in strips of uncompressed, LZW or
// PackBits data, bilevel, grey, palette, RGB(A), CMYK, CIE L*a*b* and YCbCr,
// interleaved or one plane a sample, Intel or Motorola byte order. Saving
// writes nothing: the class reads TIFF only.
#pragma once

#include "formats/Bitmap.h"

#include <cstdint>
#include <vector>

namespace pelmora {

class TTIFFGraphic : public RegisteredGraphic<TTIFFGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TTIFFGraphic";
    TTIFFGraphic();
    // "Invalid TIFF file.", "TIFF: Unknown compression scheme", "TIF LZW:
    // invalid opcode." or "Stream read error" when the header, directory, strip
    // tables or colour map are cut short. Strip data cut short is no error: the
    // rows it does not reach are blank, even in a bitmap read into before.
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream&) const override { }

private:
    // The strip buffers of the last load (packed bytes, then a plane each),
    // kept up to a few megabytes so that reading again touches no fresh memory.
    std::vector<std::vector<uint8_t>> stripBuffers_;
};

} // namespace pelmora
