#include "HugePages.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace pelmora {

void AdviseHugePages([[maybe_unused]] void* block, [[maybe_unused]] size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (!block || bytes < kHugePageAdviceMinimum)
        return;
    // Only whole 2 MB pages inside the block can be huge.
    constexpr uintptr_t kHuge = uintptr_t(2) << 20;
    uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHuge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

} // namespace pelmora
