// Old-style Autodesk Animator cel and picture files (.cel, .pic): 256
// colours, one byte a pixel, rows top first.
#pragma once

#include "formats/Bitmap.h"

#include <span>

namespace pelmora {

class TAutodeskGraphic : public RegisteredGraphic<TAutodeskGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TAutodeskGraphic";
    // For telling the format by content: the first kSignatureBytes of a file
    // hold the magic word and a size that is not empty.
    static constexpr size_t kSignatureBytes = 6;
    static bool HasSignature(std::span<const uint8_t> head);
    // "Cannot load image. Only old style Autodesk images are supported." for
    // any other file. A file cut short loads the rows it holds.
    void LoadFromStream(Stream& stream) override;
};

} // namespace pelmora
