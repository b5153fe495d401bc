#include "ImageLimits.h"

#include "Exception.h"

namespace pelmora {

void CheckImageSize(int64_t width, int64_t height)
{
    if (width < 0 || height < 0)
        throw EInvalidGraphic("Invalid image dimensions.");
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels)
        throw EInvalidGraphic("Image dimensions too large.");
}

} // namespace pelmora
