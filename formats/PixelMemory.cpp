#include "PixelMemory.h"

#include "HugePages.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

// Fuzz builds take every block from malloc, where the fuzzer's allocation
// limit sees it: a mapped block would hide a header-driven huge allocation.
#if defined(__linux__) && !defined(PELMORA_PIXELS_FROM_MALLOC)
#define PELMORA_MAPPED_PIXELS 1
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace pelmora {

#ifdef PELMORA_MAPPED_PIXELS
namespace {

constexpr size_t kMappedFrom = size_t(2) << 20;
// At most two blocks are kept, newest first (the picture before an edit and
// its result take turns), and never more than two photos of 24 megapixels with alpha.
constexpr int kSpareCount = 2;
constexpr size_t kSpareBytes = size_t(192) << 20;

struct SpareBlock {
    uint8_t* bytes = nullptr;
    size_t size = 0; // whole pages
};

// Plain data and a mutex that needs no destruction: blocks let go while the
// program ends still find them in place.
std::mutex gSpareLock;
SpareBlock gSpares[kSpareCount];

size_t PageSize()
{
    static const size_t page = size_t(sysconf(_SC_PAGESIZE));
    return page;
}

size_t WholePages(size_t size)
{
    const size_t page = PageSize();
    return (size + page - 1) / page * page;
}

// A kept block of `size` bytes or a little more, the tail beyond it given back.
uint8_t* TakeSpare(size_t size)
{
    SpareBlock found;
    {
        std::lock_guard lock(gSpareLock);
        SpareBlock* best = nullptr;
        for (SpareBlock& spare : gSpares)
            if (spare.bytes && spare.size >= size && spare.size - size <= size / 4
                && (!best || spare.size < best->size))
                best = &spare;
        if (!best)
            return nullptr;
        found = *best;
        *best = {};
    }
    if (found.size > size)
        munmap(found.bytes + size, found.size - size);
    return found.bytes;
}

// Keeps a block for reuse; the oldest kept block goes when there is no room.
void KeepSpare(uint8_t* bytes, size_t size)
{
    // The system may take the pages back while the block waits; until then
    // they stay where they are and a reuse finds them without a fault.
#ifdef MADV_FREE
    madvise(bytes, size, MADV_FREE);
#endif
    SpareBlock dropped[kSpareCount + 1];
    int droppedCount = 0;
    {
        std::lock_guard lock(gSpareLock);
        // Newest first: the new block, then the kept ones; the older ones go
        // when there is no room.
        const SpareBlock order[] = {{bytes, size}, gSpares[0], gSpares[1]};
        int kept = 0;
        size_t total = 0;
        for (const SpareBlock& spare : order) {
            if (!spare.bytes)
                continue;
            if (kept < kSpareCount && total + spare.size <= kSpareBytes) {
                gSpares[kept++] = spare;
                total += spare.size;
            } else {
                dropped[droppedCount++] = spare;
            }
        }
        for (int i = kept; i < kSpareCount; ++i)
            gSpares[i] = {};
    }
    for (int i = 0; i < droppedCount; ++i)
        munmap(dropped[i].bytes, dropped[i].size);
}

} // namespace
#endif

PixelBlock AllocatePixels(size_t size, [[maybe_unused]] PixelFill fill)
{
    if (size == 0)
        return PixelBlock(nullptr, PixelMemoryDeleter {0});
#ifdef PELMORA_MAPPED_PIXELS
    if (size >= kMappedFrom) {
        const size_t mapped = WholePages(size);
        if (uint8_t* reused = TakeSpare(mapped)) {
            if (fill == PixelFill::Zeroed)
                std::memset(reused, 0, size);
            return PixelBlock(reused, PixelMemoryDeleter {mapped});
        }
        void* p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            return PixelBlock(nullptr, PixelMemoryDeleter {0});
        AdviseHugePages(p, mapped);
        return PixelBlock(static_cast<uint8_t*>(p), PixelMemoryDeleter {mapped});
    }
#endif
    return PixelBlock(static_cast<uint8_t*>(std::calloc(size, 1)), PixelMemoryDeleter {0});
}

void PixelMemoryDeleter::operator()(uint8_t* p) const
{
#ifdef PELMORA_MAPPED_PIXELS
    if (size) {
        KeepSpare(p, size);
        return;
    }
#endif
    std::free(p);
}

void ReleaseSparePixels()
{
#ifdef PELMORA_MAPPED_PIXELS
    SpareBlock released[kSpareCount];
    {
        std::lock_guard lock(gSpareLock);
        for (int i = 0; i < kSpareCount; ++i) {
            released[i] = gSpares[i];
            gSpares[i] = {};
        }
    }
    for (const SpareBlock& spare : released)
        if (spare.bytes)
            munmap(spare.bytes, spare.size);
#endif
}

int SparePixelBlocks()
{
    int count = 0;
#ifdef PELMORA_MAPPED_PIXELS
    std::lock_guard lock(gSpareLock);
    for (const SpareBlock& spare : gSpares)
        count += spare.bytes != nullptr;
#endif
    return count;
}

} // namespace pelmora
