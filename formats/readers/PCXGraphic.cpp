#include "PCXGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TPCXGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TPCXGraphic>("TPCXGraphic", Bitmap::StaticClass());
    return c;
}

void TPCXGraphic::LoadFromStream(Stream&)
{
    throw Exception("PCX images cannot be read yet");
}

} // namespace pelmora
