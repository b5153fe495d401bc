// Rows of 8-bit YCbCr planes (AVIF pictures) to red, green and blue planes, by the matrix and range the file's colour
// description gives. Chroma planes of half width (4:2:0, 4:2:2) are widened by repeating each sample. Results are
// within one level of exact arithmetic.
#pragma once

#include <cstdint>

namespace pelmora {

struct YCbCrMatrix {
    bool identity = false; // green, blue, red stored as Y, Cb, Cr (lossless files)
    int16_t yOffset = 0; // 16 for limited range
    int16_t yScale = 1 << 14; // 1.0 in 2.14 fixed point; 255/219 for limited range
    // Chroma terms in 3.13 fixed point, signed: red from Cr, green from Cb and Cr, blue from Cb.
    int16_t crToR = 0, cbToG = 0, crToG = 0, cbToB = 0;
};

// The matrix of ISO/IEC 23091-2 matrix coefficients `code` (as in nclx colour
// boxes and AV1 sequence headers; 2, unspecified, is taken as BT.601, as
// decoders do). False for the codes it has no matrix for (YCgCo, ICtCp,
// those derived from the primaries) and for identity in limited range.
bool YCbCrMatrixFor(int code, bool fullRange, YCbCrMatrix& matrix);

// One row of `width` pixels into red, green and blue planes. `cb` and `cr`
// hold (width + 1) >> chromaShift samples (chromaShift 1 for 4:2:0 and
// 4:2:2, 0 for 4:4:4).
void YCbCrRowToRgb(const YCbCrMatrix& matrix, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int chromaShift,
    int width, uint8_t* r, uint8_t* g, uint8_t* b);

} // namespace pelmora
