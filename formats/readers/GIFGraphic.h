// GIF images: the first image of the file, as an Indexed8 bitmap. Extensions
// (transparency, animation) and the image's position on the screen are
// ignored; a file of several images gives them as the frames of an animation.
#pragma once

#include "formats/Animation.h"
#include "formats/Bitmap.h"

#include <vector>

namespace pelmora {

class TGIFGraphic : public RegisteredGraphic<TGIFGraphic, Bitmap>, public Animated {
public:
    static constexpr const char* kClassName = "TGIFGraphic";
    // "Not a valid GIF file." when the file does not start with "GIF";
    // "GIF LZW: invalid opcode." for corrupt image data; "Stream read error"
    // when a header, colour table or data sub-block is cut short. A file that
    // ends before its first image loads as an empty bitmap.
    void LoadFromStream(Stream& stream) override;
    void CopyFrom(const TGIFGraphic& other);
    std::unique_ptr<FrameSequence> Frames() const override;

private:
    void ReadFirstImage(Stream& stream);
    // Decodes the image's LZW data into the allocated rows.
    void DecodeImage(const std::vector<uint8_t>& packed, uint8_t codeSize, bool interlaced);

    SharedFile animation_; // the file, when it holds more than one image
};

} // namespace pelmora
