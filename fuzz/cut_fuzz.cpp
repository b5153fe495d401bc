#include "Harness.h"
#include "formats/readers/CUTGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!pelmora::fuzz::Load<pelmora::TCUTGraphic>(data, size))
        __builtin_trap();
    return 0;
}
