// The reader harness is a template: every reader class instantiates it.
#pragma once

#include "formats/Animation.h"
#include "formats/Bitmap.h"
#include "formats/Exception.h"
#include "formats/Stream.h"

#include <memory>
#include <span>
#include <type_traits>

namespace pelmora::fuzz {

// Reads the last byte of every row, so that a bitmap claiming rows it does not have is found.
// An empty bitmap (a zero width may come with any height) has no rows to read.
inline void TouchRows(const Bitmap& b)
{
    if (b.IsEmpty())
        return;
    volatile uint8_t sink = 0;
    for (int y = 0; y < b.Height(); ++y)
        sink = sink ^ b.ScanLine(y)[b.BytesPerLine() - 1];
    (void)sink;
}

// The first frames of an animation and the wrap back to the first.
inline void TouchFrames(const Animated& animated)
{
    std::unique_ptr<FrameSequence> frames = animated.Frames();
    if (!frames)
        return;
    Bitmap frame;
    int delay = 0;
    for (int i = 0; i < 4 && frames->Next(frame, delay); ++i)
        TouchRows(frame);
}

template <class G> bool Load(const uint8_t* data, size_t size)
{
    MemoryStream stream {std::span<const uint8_t>(data, size)};
    G graphic;
    try {
        graphic.LoadFromStream(stream);
        if constexpr (std::is_base_of_v<Bitmap, G>)
            TouchRows(graphic);
        if constexpr (std::is_base_of_v<Animated, G>)
            TouchFrames(graphic);
    } catch (const Exception&) {
    }
    return true;
}

} // namespace pelmora::fuzz
