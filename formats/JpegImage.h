// JPEG files, held compressed and decoded through libjpeg when assigned to a
// Bitmap: colour pictures to Rgb24 straight into the rows (blue, green, red),
// greyscale to Indexed8 with a grey ramp, and on a display of 8 bits or fewer
// colour pictures quantised to 236 colours.
#pragma once

#include "Bitmap.h"

#include <vector>

namespace pelmora {

// The display's bits a pixel (bits times planes), measured once at start-up; 24 until set.
void SetDisplayBitsPerPixel(int bits);
int DisplayBitsPerPixel();

class TJPEGImage : public RegisteredGraphic<TJPEGImage, Graphic> {
public:
    static constexpr const char* kClassName = "TJPEGImage";

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // "Cannot change the size of a JPEG image".
    void SetWidth(int) override;
    void SetHeight(int) override;
    bool Grayscale() const { return grayscale_; }

    void CopyFrom(const TJPEGImage& other);
    // Decodes into a Bitmap target, by 1/2, 1/4 or 1/8 where the decode size allows.
    bool AssignTo(Graphic& target) const override;
    // Keeps the bytes and reads the header; "JPEG error #n" for what libjpeg refuses.
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) const override;

    void Decode(Bitmap& target) const;

private:
    std::vector<uint8_t> data_;
    int width_ = 0, height_ = 0;
    bool grayscale_ = false;
};

} // namespace pelmora
