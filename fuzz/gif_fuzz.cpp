#include "Harness.h"
#include "formats/readers/GIFGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!pelmora::fuzz::Load<pelmora::TGIFGraphic>(data, size))
        __builtin_trap();
    return 0;
}
