// Blocks for bitmap rows. Large blocks come straight from the system in huge
// pages where it has them: a fresh 36 MB picture then costs a few dozen page
// faults instead of thousands, which is most of a fast read. The last large
// blocks let go are kept for the next picture of about their size (an edit's
// result, the next file of a folder of photos): a block whose pages are
// already there costs no faults at all. The system may take the pages of a
// kept block back whenever it runs short, so keeping one costs nothing then.
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

// What the caller does with a new block: read it as zeros, or write every
// byte of it before reading any (a copy, a turned picture), which spares
// clearing a block that is reused.
enum class PixelFill { Zeroed, Overwritten };

// A block of `size` bytes; empty when the system has no memory for it.
PixelBlock AllocatePixels(size_t size, PixelFill fill = PixelFill::Zeroed);

// Gives the large blocks kept for reuse back to the system, as when the
// pictures that might have used them are gone.
void ReleaseSparePixels();
// How many blocks are kept for reuse now (for tests).
int SparePixelBlocks();

} // namespace pelmora
