#include "Harness.h"
#include "formats/readers/PSDGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!pelmora::fuzz::Load<pelmora::TPSDGraphic>(data, size))
        __builtin_trap();
    return 0;
}
