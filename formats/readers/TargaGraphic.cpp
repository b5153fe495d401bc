#include "TargaGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TTargaGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TTargaGraphic>("TTargaGraphic", Bitmap::StaticClass());
    return c;
}

void TTargaGraphic::LoadFromStream(Stream&)
{
    throw Exception("Targa images cannot be read yet");
}

} // namespace pelmora
