#include "PCDGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TPCDGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TPCDGraphic>("TPCDGraphic", Bitmap::StaticClass());
    return c;
}

void TPCDGraphic::LoadFromStream(Stream&)
{
    throw Exception("Photo-CD images cannot be read yet");
}

} // namespace pelmora
