#include "FuzzReader.h"
#include "formats/readers/RLAGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return pelmora::fuzz::Load<pelmora::TRLAGraphic>(data, size);
}
