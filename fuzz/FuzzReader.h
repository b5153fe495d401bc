// What every reader target does with an input: load it through the class's
// LoadFromStream on a memory stream. The reader's own errors are expected;
// anything else (a crash, a sanitizer report, another exception) is a finding.
#pragma once

#include "formats/Bitmap.h"
#include "formats/Exception.h"
#include "formats/Stream.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace pelmora::fuzz {

// Touches every row so that a bitmap claiming rows it does not have is found.
inline void TouchRows(const Bitmap& b)
{
    volatile uint8_t sink = 0;
    for (int y = 0; y < b.Height(); ++y)
        sink = sink ^ b.ScanLine(y)[b.BytesPerLine() - 1];
    (void)sink;
}

template <class G> int Load(const uint8_t* data, size_t size)
{
    MemoryStream stream {std::span<const uint8_t>(data, size)};
    G graphic;
    try {
        graphic.LoadFromStream(stream);
        if constexpr (std::is_base_of_v<Bitmap, G>)
            TouchRows(graphic);
    } catch (const Exception&) {
    }
    return 0;
}

} // namespace pelmora::fuzz
