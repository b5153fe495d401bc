#include "Harness.h"

// The AV1 and HEVC decoders behind libheif keep a few bytes of damaged
// streams they never free; those leaks are theirs, not the readers'.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdav1d.so\nleak:libaom.so\nleak:libde265.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!pelmora::fuzz::LibraryReaders(data, size))
        __builtin_trap();
    return 0;
}
