#include "FuzzReader.h"
#include "formats/readers/GIFGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return pelmora::fuzz::Load<pelmora::TGIFGraphic>(data, size);
}
