// The frames of an animated GIF file, composed as browsers do: each image
// drawn at its place on the screen over what the ones before left, its
// transparent colour letting that show, then removed as its disposal says
// (left, cleared to transparent, or the screen put back as it was before).
#pragma once

#include "GIFBlocks.h"
#include "formats/Animation.h"
#include "formats/codecs/LZW.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pelmora {

class GIFFrames : public FrameSequence {
public:
    // Reads the screen descriptor and colour table of `file`; "Not a valid
    // GIF file." or "Image dimensions too large." as the GIF reader says them.
    explicit GIFFrames(SharedFile file);
    // Rgb32 frames with alpha (transparent where no image has drawn yet).
    bool Next(Bitmap& frame, int& delayMs) override;

private:
    struct Control {
        int disposal = 0;
        int delay = 0; // hundredths of a second
        int transparent = -1;
    };
    struct Rect {
        int left = 0, top = 0, width = 0, height = 0;
    };
    void Restart();
    void Draw(const Control& control, Stream& stream);
    void Paint(std::span<const uint8_t> indices, const gif::ImageDescriptor& image, const Rect& r,
        const Palette& palette, int transparent);
    void Save(const Rect& r);
    void Dispose();

    SharedFile file_;
    int64_t firstBlock_ = 0; // where the blocks after the screen's colour table start
    int64_t position_ = 0; // where the next frame's blocks start
    Palette screenPalette_;
    Bitmap canvas_;
    Rect lastRect_; // where the last frame drew
    int lastDisposal_ = 0;
    std::vector<uint8_t> saved_; // the canvas under lastRect_ before a frame that is to be undone
    // Kept from frame to frame: each frame reuses their memory.
    std::vector<uint8_t> packed_, indices_;
    std::optional<TGIFLZW> lzw_;
};

} // namespace pelmora
