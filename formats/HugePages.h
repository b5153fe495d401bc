// Large pixel blocks are first touched page by page; on systems that offer
// huge pages this asks for them, which makes filling a fresh picture of
// tens of megabytes several times cheaper. Elsewhere it does nothing.
#pragma once

#include <cstddef>

namespace pelmora {

// Blocks below this size are left alone.
constexpr size_t kHugePageAdviceMinimum = size_t(4) << 20;

// A hint for memory not yet touched; failure is harmless and ignored.
void AdviseHugePages(void* block, size_t bytes);

} // namespace pelmora
