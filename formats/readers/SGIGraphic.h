// SGI image files (.sgi, .rgb, .rgba, .bw): 1 to 4 channels of 1 or 2 bytes a
// sample, plain or run-length, the bottom row first.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class TSGIGraphic : public RegisteredGraphic<TSGIGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TSGIGraphic";
    void LoadFromStream(Stream& stream) override;
};

} // namespace pelmora
