// Photoshop images.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class TPSDGraphic : public Bitmap {
public:
    static const GraphicClass& StaticClass();
    const GraphicClass& Class() const override { return StaticClass(); }
    void LoadFromStream(Stream& stream) override;
};

} // namespace pelmora
