// Old-style Autodesk Animator cel and picture files (.cel, .pic): 256
// colours, one byte a pixel, rows top first.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class TAutodeskGraphic : public Bitmap {
public:
    static const GraphicClass& StaticClass();
    const GraphicClass& Class() const override { return StaticClass(); }
    // "Cannot load image. Only old style Autodesk images are supported." for
    // any other file. A file cut short loads the rows it holds.
    void LoadFromStream(Stream& stream) override;
};

} // namespace pelmora
