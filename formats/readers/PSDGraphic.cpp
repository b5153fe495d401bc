#include "PSDGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TPSDGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TPSDGraphic>("TPSDGraphic", Bitmap::StaticClass());
    return c;
}

void TPSDGraphic::LoadFromStream(Stream&)
{
    throw Exception("Photoshop images cannot be read yet");
}

} // namespace pelmora
