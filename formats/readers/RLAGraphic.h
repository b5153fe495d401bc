// Wavefront RLA and RPF images: the red, green and blue channels of the active
// window, with the first matte channel as alpha when the file has one.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class TRLAGraphic : public RegisteredGraphic<TRLAGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TRLAGraphic";
    // "RLA: image must be RGB(A)." unless the file has 3 or 4 colour
    // channels; "Stream read error" when the file is cut short.
    void LoadFromStream(Stream& stream) override;
};

} // namespace pelmora
