#include "FuzzReader.h"
#include "formats/readers/PCXGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return pelmora::fuzz::Load<pelmora::TPCXGraphic>(data, size);
}
