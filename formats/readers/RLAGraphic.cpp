#include "RLAGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TRLAGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TRLAGraphic>("TRLAGraphic", Bitmap::StaticClass());
    return c;
}

void TRLAGraphic::LoadFromStream(Stream&)
{
    throw Exception("RLA images cannot be read yet");
}

} // namespace pelmora
