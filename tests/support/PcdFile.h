// Photo-CD image packs for tests, holding only the base resolution: the
// signature, the orientation byte and the pairs of lines (two luma lines,
// then a line of each chroma at half width).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora::test {

constexpr int kPcdWidth = 768, kPcdHeight = 512;
constexpr size_t kPcdOrientationOffset = 194635;
constexpr size_t kPcdBaseData = 196608;

struct PcdFile {
    int orientation = 0;
    std::vector<uint8_t> luma = std::vector<uint8_t>(size_t(kPcdWidth) * kPcdHeight); // rows top first
    // One sample each for every 2 x 2 pixels: 384 x 256.
    std::vector<uint8_t> chroma1 = std::vector<uint8_t>(size_t(kPcdWidth / 2) * (kPcdHeight / 2), 156);
    std::vector<uint8_t> chroma2 = std::vector<uint8_t>(size_t(kPcdWidth / 2) * (kPcdHeight / 2), 137);

    std::vector<uint8_t> Bytes() const;
};

} // namespace pelmora::test
