#include "SGIGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TSGIGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TSGIGraphic>("TSGIGraphic", Bitmap::StaticClass());
    return c;
}

void TSGIGraphic::LoadFromStream(Stream&)
{
    throw Exception("SGI images cannot be read yet");
}

} // namespace pelmora
