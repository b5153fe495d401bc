// ZSoft PCX images (and the Word 5 screen captures that share the format):
// 1 bit, 4 planes of 1 bit, 8 bits with a palette, and 3 planes of 8 bits.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class TPCXGraphic : public RegisteredGraphic<TPCXGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TPCXGraphic";
    void LoadFromStream(Stream& stream) override;
    // PCX images are not written: saving raises, before any file is created.
    void SaveToStream(Stream& stream) const override;
    void SaveToFile(const std::string& path) const override;
};

} // namespace pelmora
