#include "Harness.h"

#include <cstdlib>
#include <cstring>

// The AV1 and HEVC decoders behind libheif keep a few bytes of damaged
// streams they never free; those leaks are theirs, not the readers'.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdav1d.so\nleak:libaom.so\nleak:libde265.so\n";
}

namespace {

// PELMORA_FUZZ_READER=png|webp|heif|jxl keeps a long run on one reader (the
// first byte of each input is then ignored, so the same corpus serves);
// unset, the first byte picks the reader, as CI's short run does.
int gReader = -1;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* names[] = {"png", "webp", "heif", "jxl"};
    if (const char* chosen = std::getenv("PELMORA_FUZZ_READER"))
        for (int i = 0; i < 4; ++i)
            if (std::strcmp(chosen, names[i]) == 0)
                gReader = i;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const bool ok = gReader < 0 ? pelmora::fuzz::LibraryReaders(data, size)
                                : size == 0 || pelmora::fuzz::LibraryReader(gReader, data + 1, size - 1);
    if (!ok)
        __builtin_trap();
    return 0;
}
