#include "ImageLimits.h"

#include "Exception.h"

#include <algorithm>

namespace pelmora {

namespace {

thread_local int64_t tThreadPixelLimit = kMaxImagePixels;

} // namespace

int64_t PixelLimit()
{
    return tThreadPixelLimit;
}

void CheckImageSize(int64_t width, int64_t height)
{
    if (width < 0 || height < 0)
        throw EInvalidGraphic("Invalid image dimensions.");
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > tThreadPixelLimit)
        throw EInvalidGraphic("Image dimensions too large.");
}

ThreadPixelLimit::ThreadPixelLimit(int64_t pixels)
    : previous_(tThreadPixelLimit)
{
    tThreadPixelLimit = std::min(previous_, std::max<int64_t>(pixels, 0));
}

ThreadPixelLimit::~ThreadPixelLimit()
{
    tThreadPixelLimit = previous_;
}

bool DataCanFill(int64_t pictureBytes, int64_t mostBytesTheDataGives)
{
    constexpr int64_t kLeastFilledShare = 16;
    return pictureBytes <= kLeastFilledShare * std::max<int64_t>(mostBytesTheDataGives, 0);
}

} // namespace pelmora
