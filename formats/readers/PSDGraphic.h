// Photoshop images (.psd, .pdd): the merged image, in bitmap, greyscale,
// indexed, RGB, CMYK, duotone or L*a*b* mode, 8 or 16 bits a sample (1 bit in
// bitmap mode), raw or PackBits. Layers, alpha and spot channels are ignored.
#pragma once

#include "formats/Bitmap.h"

#include <array>
#include <cstdint>

namespace pelmora {

class TPSDGraphic : public RegisteredGraphic<TPSDGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TPSDGraphic";
    // "Not a valid psd file." for a wrong signature or too few channels for
    // the colour mode; "PSD: colour mode or sample size not supported." for
    // the rest (multichannel mode, 32-bit samples); "Stream read error" when
    // the file is cut short.
    void LoadFromStream(Stream& stream) override;

private:
    // The colour mode data of an indexed image: 256 reds, 256 greens, 256 blues.
    std::array<uint8_t, 768> colors_ {};
};

} // namespace pelmora
