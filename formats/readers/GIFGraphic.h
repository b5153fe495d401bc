// GIF images: the first image of the file, as an Indexed8 bitmap. Extensions
// (transparency, animation), the image's position on the screen and every
// later image are ignored.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class TGIFGraphic : public RegisteredGraphic<TGIFGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TGIFGraphic";
    // "Not a valid GIF file." when the file does not start with "GIF";
    // "GIF LZW: invalid opcode." for corrupt image data; "Stream read error"
    // when a header, colour table or data sub-block is cut short. A file that
    // ends before its first image loads as an empty bitmap.
    void LoadFromStream(Stream& stream) override;
};

} // namespace pelmora
