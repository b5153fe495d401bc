#include "Harness.h"
#include "formats/readers/PPMGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!pelmora::fuzz::Load<pelmora::TPPMGraphic>(data, size))
        __builtin_trap();
    return 0;
}
