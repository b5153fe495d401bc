// Animated pictures (GIF, WebP, JPEG XL): the frames one after another, each the
// whole canvas as it shows at that moment. The readers' bitmap is the first
// frame; the display window asks the graphic for its frames to play them.
#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pelmora {

class FrameSequence {
public:
    virtual ~FrameSequence() = default;
    // The next frame into `frame` and the milliseconds it shows as the file
    // gives them; false after the last one, and the call after that starts
    // over from the first. A frame that cannot be decoded ends the sequence.
    virtual bool Next(Bitmap& frame, int& delayMs) = 0;
};

// What a reader of animated pictures adds to its graphic.
class Animated {
public:
    virtual ~Animated() = default;
    // The frames from the first, or null for a picture of one frame.
    virtual std::unique_ptr<FrameSequence> Frames() const = 0;
};

// An animated file's bytes, read once and shared by the graphic, its copies
// and the frames played from it: none of them changes the bytes.
using SharedFile = std::shared_ptr<const std::vector<uint8_t>>;

// The delay a frame is shown for: 0 to 10 ms, which would make a busy
// loop of a file meant to be slow, shows as 100 ms, as browsers do.
int ShownDelay(int delayMs);

} // namespace pelmora
