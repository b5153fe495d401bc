#include "TIFFGraphic.h"

#include "formats/Exception.h"

namespace pelmora {

const GraphicClass& TTIFFGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TTIFFGraphic>("TTIFFGraphic", Bitmap::StaticClass());
    return c;
}

void TTIFFGraphic::LoadFromStream(Stream&)
{
    throw Exception("TIFF images cannot be read yet");
}

} // namespace pelmora
