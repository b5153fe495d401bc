#include "GIFGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TGIFGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TGIFGraphic>("TGIFGraphic", Bitmap::StaticClass());
    return c;
}

void TGIFGraphic::LoadFromStream(Stream&)
{
    throw Exception("GIF images cannot be read yet");
}

} // namespace pelmora
