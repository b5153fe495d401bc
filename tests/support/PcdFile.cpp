#include "PcdFile.h"

#include <cstring>

namespace pelmora::test {

PcdFile::PcdFile(int resolution)
    : resolution(resolution)
    , width(kPcdImages[resolution].width)
    , height(kPcdImages[resolution].height)
    , luma(size_t(width) * size_t(height))
    , chroma1(luma.size() / 4, 156)
    , chroma2(luma.size() / 4, 137)
{
}

std::vector<uint8_t> PcdFile::Bytes() const
{
    const PcdImage& image = kPcdImages[resolution];
    const size_t w = size_t(width), half = w / 2;
    std::vector<uint8_t> out(image.PackSize());
    std::memcpy(out.data() + kPcdSignatureOffset, "PCD_IPI", 7);
    out[kPcdOrientationOffset] = uint8_t(orientation);
    for (size_t p = 0; p < size_t(height) / 2; ++p) {
        uint8_t* pair = out.data() + image.dataStart + p * w * 3;
        std::memcpy(pair, luma.data() + p * 2 * w, 2 * w);
        std::memcpy(pair + 2 * w, chroma1.data() + p * half, half);
        std::memcpy(pair + 2 * w + half, chroma2.data() + p * half, half);
    }
    return out;
}

} // namespace pelmora::test
