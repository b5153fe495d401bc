#include "PPMGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TPPMGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TPPMGraphic>("TPPMGraphic", Bitmap::StaticClass());
    return c;
}

void TPPMGraphic::LoadFromStream(Stream&)
{
    throw Exception("portable pixmap images cannot be read yet");
}

} // namespace pelmora
