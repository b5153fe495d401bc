#include "FuzzReader.h"
#include "formats/readers/CUTGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return pelmora::fuzz::Load<pelmora::TCUTGraphic>(data, size);
}
