#include "PixelMemory.h"

#include "HugePages.h"

#include <cstdlib>

// Fuzz builds take every block from malloc, where the fuzzer's allocation
// limit sees it: a mapped block would hide a header-driven huge allocation.
#if defined(__linux__) && !defined(PELMORA_PIXELS_FROM_MALLOC)
#define PELMORA_MAPPED_PIXELS 1
#include <sys/mman.h>
#endif

namespace pelmora {

namespace {

#ifdef PELMORA_MAPPED_PIXELS
constexpr size_t kMappedFrom = size_t(2) << 20;
#endif

} // namespace

PixelBlock AllocatePixels(size_t size)
{
    if (size == 0)
        return PixelBlock(nullptr, PixelMemoryDeleter {0});
#ifdef PELMORA_MAPPED_PIXELS
    if (size >= kMappedFrom) {
        void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            return PixelBlock(nullptr, PixelMemoryDeleter {0});
        AdviseHugePages(p, size);
        return PixelBlock(static_cast<uint8_t*>(p), PixelMemoryDeleter {size});
    }
#endif
    return PixelBlock(static_cast<uint8_t*>(std::calloc(size, 1)), PixelMemoryDeleter {0});
}

void PixelMemoryDeleter::operator()(uint8_t* p) const
{
#ifdef PELMORA_MAPPED_PIXELS
    if (size) {
        munmap(p, size);
        return;
    }
#endif
    std::free(p);
}

} // namespace pelmora
