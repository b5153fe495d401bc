// The AV1 decoder libheif uses for AVIF pictures: dav1d on the calling
// thread, one frame buffer, at most the thread's pixel limit. libheif's own
// AV1 plugin starts a thread a core with whole-frame buffers each, and
// libheif turns every YCbCr picture into RGB by floating-point arithmetic a
// sample; our reader of 8-bit pictures has the decoder convert instead.
#pragma once

#include <optional>

namespace pelmora {

// Registers the decoder with libheif once, ahead of libheif's own AV1
// decoders; later calls do nothing. Its pictures are the YCbCr (or grey)
// planes as coded, with the sequence header's colour description, unless
// an AV1ToRgb lives on the decoding thread.
void UseSingleThreadAV1Decoder();

// The matrix coefficients and range of a colour box (nclx).
struct AV1Colour {
    int matrix = 2;
    bool fullRange = true;
};

// While one lives, 8-bit colour pictures decoded on this thread come out as
// 8-bit RGB planes (libheif's 4:4:4 RGB, which it passes on unconverted),
// by the file's colour box if it has one, else by the sequence header.
// Pictures of other depths, grey ones and matrices without a converter
// still come as coded.
class AV1ToRgb {
public:
    explicit AV1ToRgb(std::optional<AV1Colour> box);
    ~AV1ToRgb();
    AV1ToRgb(const AV1ToRgb&) = delete;
    AV1ToRgb& operator=(const AV1ToRgb&) = delete;
};

} // namespace pelmora
