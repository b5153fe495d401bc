// Zeroed blocks for bitmap rows. Large blocks come straight from the system
// in huge pages where it has them: a fresh 36 MB picture then costs a few
// dozen page faults instead of thousands, which is most of a fast read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pelmora {

struct PixelMemoryDeleter {
    size_t size = 0;
    void operator()(uint8_t* p) const;
};
using PixelBlock = std::unique_ptr<uint8_t, PixelMemoryDeleter>;

// A zero-filled block of `size` bytes; empty when the system has no memory for it.
PixelBlock AllocatePixels(size_t size);

} // namespace pelmora
