// The portable bitmap, greymap and pixmap family (.pbm, .pgm, .ppm): P1 to P3
// as text, P4 to P6 binary, any maximum value from 1 to 65535.
#pragma once

#include "formats/Bitmap.h"

namespace pelmora {

class TPPMGraphic : public RegisteredGraphic<TPPMGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TPPMGraphic";
    // "Not a valid ppm file." when the file does not start with "P" and a
    // variant 1 to 6, or the maximum value is outside 1..65535; "'x' is not a
    // valid integer value" where a number is expected; "PPM: Stream read
    // error." when the file ends before its pixels do.
    void LoadFromStream(Stream& stream) override;
};

} // namespace pelmora
