// WebP files through libwebp: Rgb24, or Rgb32 with the alpha kept; an
// embedded ICC profile is applied. An animated file reads as its first
// frame and gives its frames to play.
#pragma once

#include "formats/Animation.h"
#include "formats/Bitmap.h"

#include <memory>
#include <vector>

namespace pelmora {

class TWebPGraphic : public RegisteredGraphic<TWebPGraphic, Bitmap>, public Animated {
public:
    static constexpr const char* kClassName = "TWebPGraphic";
    // "Invalid WebP file." for anything libwebp refuses; "Image dimensions
    // too large." past the pixel limit, checked before anything is decoded.
    void LoadFromStream(Stream& stream) override;
    void CopyFrom(const TWebPGraphic& other);
    std::unique_ptr<FrameSequence> Frames() const override;

private:
    struct Animation;
    std::shared_ptr<Animation> animation_; // when the file is animated; shared by copies
};

} // namespace pelmora
