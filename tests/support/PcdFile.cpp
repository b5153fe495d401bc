#include "PcdFile.h"

#include <cstring>

namespace pelmora::test {

std::vector<uint8_t> PcdFile::Bytes() const
{
    const size_t w = kPcdWidth, half = w / 2;
    std::vector<uint8_t> out(kPcdBaseData + w * 3 * (kPcdHeight / 2));
    std::memcpy(out.data() + 2048, "PCD_IPI", 7);
    out[kPcdOrientationOffset] = uint8_t(orientation);
    for (size_t p = 0; p < kPcdHeight / 2; ++p) {
        uint8_t* pair = out.data() + kPcdBaseData + p * w * 3;
        std::memcpy(pair, luma.data() + p * 2 * w, 2 * w);
        std::memcpy(pair + 2 * w, chroma1.data() + p * half, half);
        std::memcpy(pair + 2 * w + half, chroma2.data() + p * half, half);
    }
    return out;
}

} // namespace pelmora::test
