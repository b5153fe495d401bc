#include "CUTGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TCUTGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TCUTGraphic>("TCUTGraphic", Bitmap::StaticClass());
    return c;
}

void TCUTGraphic::LoadFromStream(Stream&)
{
    throw Exception("CUT images cannot be read yet");
}

} // namespace pelmora
