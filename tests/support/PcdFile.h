// Photo-CD image packs for tests, holding one of the pack's three images: the
// signature, the orientation byte and the image's pairs of lines (two luma
// lines, then a line of each chroma at half width).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora::test {

constexpr size_t kPcdSignatureOffset = 2048;
constexpr size_t kPcdOrientationOffset = 194635;

// The pack's images by the reader's resolution selector: base/16, base/4, base.
struct PcdImage {
    int width, height;
    size_t dataStart;
    // Each pair of lines takes 3 x width bytes.
    constexpr size_t DataEnd() const { return dataStart + size_t(width) * 3 * size_t(height / 2); }
    // Far enough for the image and the orientation byte, which lies past the smaller images.
    constexpr size_t PackSize() const { return std::max(DataEnd(), kPcdOrientationOffset + 1); }
};
constexpr PcdImage kPcdImages[] = {{192, 128, 8192}, {384, 256, 47104}, {768, 512, 196608}};

constexpr int kPcdWidth = kPcdImages[2].width, kPcdHeight = kPcdImages[2].height;
constexpr size_t kPcdBaseData = kPcdImages[2].dataStart;

struct PcdFile {
    explicit PcdFile(int resolution = 2);

    int resolution;
    int width, height;
    int orientation = 0;
    std::vector<uint8_t> luma; // rows top first
    // One sample each for every 2 x 2 pixels, neutral unless set.
    std::vector<uint8_t> chroma1, chroma2;

    std::vector<uint8_t> Bytes() const;
};

} // namespace pelmora::test
