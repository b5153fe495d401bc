#include "Harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!pelmora::fuzz::MetafileRecords(data, size))
        __builtin_trap();
    return 0;
}
