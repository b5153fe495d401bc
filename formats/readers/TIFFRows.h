// How the samples of a TIFF strip become Bitmap rows: byte order of 16-bit
// samples, the horizontal predictor, picking the colour samples out of
// interleaved or planar data, and the conversion into the row's format.
#pragma once

#include "formats/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora {

// What the stored samples of one pixel turn into.
enum class TIFFRowKind {
    Copy, // the stored bytes as they are (1, 4 and 8-bit single samples, unsupported layouts)
    Expand2To4, // 2-bit indices widened to 4 bits
    Grey, // the first sample of each pixel, 8 or 16 bits, into 8-bit indices
    RGB,
    RGBA,
    CMYK,
    Lab,
    YCbCr,
};

struct TIFFSampleLayout {
    int width = 0;
    int bits = 8; // bits a sample
    int samples = 1; // samples a pixel
    bool planar = false; // one plane a sample instead of interleaved pixels
    bool swap16 = false; // 16-bit samples stored in the other byte order than the machine's
    bool predictor = false; // horizontal differencing to undo
    int subsampleX = 1, subsampleY = 1; // YCbCr chroma blocks
    // Bytes of one stored unit of one plane: a row, or a row of chroma blocks.
    size_t UnitBytes() const;
    // Bitmap rows one unit covers.
    int UnitRows() const { return subsampleY; }
};

// The YCbCr to RGB conversion the file asks for: luma coefficients of red,
// green and blue and the reference black and white of each component.
struct TIFFYCbCr {
    double luma[3] = {0.299, 0.587, 0.114};
    double reference[6] = {0, 255, 128, 255, 128, 255};
};

class TIFFRowWriter {
public:
    TIFFRowWriter(TIFFRowKind kind, const TIFFSampleLayout& layout, const TIFFYCbCr& ycbcr = {});

    // Turns one unit (planes[0] only, or one pointer a sample when planar) into
    // the Bitmap rows from `row` on, as far as the bitmap goes. The samples are
    // changed in place (byte order, predictor).
    void Write(uint8_t* const* planes, Bitmap& bitmap, int row);
    // The same for samples already in the machine's byte order with the
    // predictor undone, which it only reads: a unit lent by the stream.
    void Convert(const uint8_t* const* planes, Bitmap& bitmap, int row);
    // Whether Write changes the stored samples before converting them.
    bool ChangesSamples() const { return layout_.swap16 || layout_.predictor; }
    // Whether Write takes a unit that already lies in the bitmap row it
    // becomes: one interleaved row, copied as it is or with 8-bit red and blue swapped.
    bool ConvertsInPlace() const;

private:
    const uint8_t* ColourSamples(const uint8_t* const* planes);
    void WriteYCbCr(const uint8_t* unit, Bitmap& bitmap, int row);

    TIFFRowKind kind_;
    TIFFSampleLayout layout_;
    int channels_; // colour samples the conversion takes
    std::vector<uint8_t> gathered_;
    // Per stored value: luma level, and each chroma's share in red, green and blue.
    double luma_[256], redFromCr_[256], greenFromCr_[256], greenFromCb_[256], blueFromCb_[256];
};

// Undoes horizontal differencing in place: each sample plus the same sample of
// the pixel before, over 8 or 16-bit samples in the machine's byte order.
void UndoHorizontalPredictor(uint8_t* row, int width, int samplesPerPixel, int bits);

} // namespace pelmora
