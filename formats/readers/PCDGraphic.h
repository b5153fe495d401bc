// Kodak Photo-CD image packs: one of the three uncompressed resolutions (the
// 768 x 512 base image unless chosen otherwise), turned upright.
#pragma once

#include "formats/Bitmap.h"

#include <span>

namespace pelmora {

class TPCDGraphic : public RegisteredGraphic<TPCDGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TPCDGraphic";
    // For telling the format by content: the pack's signature within its first kSignatureBytes.
    static constexpr size_t kSignatureBytes = 2048 + 7;
    static bool HasSignature(std::span<const uint8_t> head);
    // "PCD: wrong image format." without the pack's signature; "Stream read
    // error" for a pack cut short.
    void LoadFromStream(Stream& stream) override;
    // Photo-CD is never written.
    void SaveToStream(Stream&) const override { }
    // Which of the pack's images the next load reads: 0 base/16, 1 base/4,
    // 2 the base image. Any other selector fails that load with "PCD: image
    // size currently not supported".
    void SetResolution(int selector) { resolution_ = selector; }

private:
    // 0 base/16 (192 x 128), 1 base/4 (384 x 256), 2 base (768 x 512).
    int resolution_ = 2;
};

} // namespace pelmora
