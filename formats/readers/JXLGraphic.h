// JPEG XL files through libjxl: the first frame, turned upright as the file
// says, as Rgb24 or as Rgb32 with the alpha kept; an animation gives its
// frames to play. Pictures stored in another
// colour space than sRGB are brought to it: through the decoder where the
// file was coded in its own perceptual space, through the ICC profile of
// the pixels otherwise.
#pragma once

#include "formats/Animation.h"
#include "formats/Bitmap.h"

namespace pelmora {

class TJXLGraphic : public RegisteredGraphic<TJXLGraphic, Bitmap>, public Animated {
public:
    static constexpr const char* kClassName = "TJXLGraphic";
    // "Invalid JPEG XL file." for anything libjxl refuses, a file cut short
    // included; "Image dimensions too large." past the pixel limit, checked
    // before anything is decoded.
    void LoadFromStream(Stream& stream) override;
    void CopyFrom(const TJXLGraphic& other);
    std::unique_ptr<FrameSequence> Frames() const override;

private:
    SharedFile animation_; // the file, when it holds more than one frame
    int firstDelayMs_ = 0; // how long the first frame shows
};

} // namespace pelmora
