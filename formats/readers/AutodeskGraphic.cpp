#include "AutodeskGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TAutodeskGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TAutodeskGraphic>("TAutodeskGraphic", Bitmap::StaticClass());
    return c;
}

void TAutodeskGraphic::LoadFromStream(Stream&)
{
    throw Exception("Autodesk images cannot be read yet");
}

} // namespace pelmora
