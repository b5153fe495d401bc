// The in-memory raster every reader produces: width, height, a PixelFormat, a
// palette for the indexed formats, and rows padded to 4 bytes. The rows are
// stored top-down in one block, so row 0 of ScanLine is the top row and the
// whole block can be handed to a window toolkit's image without a copy.
#pragma once

#include "Graphic.h"
#include "PixelMemory.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pelmora {

enum class PixelFormat { Device, Indexed1, Indexed4, Indexed8, Rgb15, Rgb16, Rgb24, Rgb32, Custom };

// "Rgb24", "Indexed8", ...: the names pelmora-convert prints.
const char* PixelFormatName(PixelFormat format);
// Bits a pixel of a format whose rows are addressed (0 for Device and Custom).
int BitsPerPixel(PixelFormat format);
bool IsIndexed(PixelFormat format);
// The layout a bitmap's rows have: its own format, or Rgb24 for Device and
// Custom (the display we stand in for has 24 bits a pixel).
PixelFormat StorageFormat(PixelFormat format);

struct PaletteEntry {
    uint8_t red = 0, green = 0, blue = 0, flags = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
using Palette = std::vector<PaletteEntry>;

// The palette a fresh indexed bitmap starts with: black and white for 1 bit,
// the 16 standard display colours for 4 bits, a grey ramp for 8 bits.
Palette DefaultPalette(PixelFormat format);
Palette GreyRamp(int count = 256);

class Bitmap : public RegisteredGraphic<Bitmap, Graphic> {
public:
    static constexpr const char* kClassName = "TBitmap";
    Bitmap() = default;
    Bitmap(int width, int height, PixelFormat format);
    // Copies go through Assign, so a copy is always asked for; moves are free.
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    Bitmap(Bitmap&&) noexcept = default;
    Bitmap& operator=(Bitmap&&) noexcept = default;

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // New rows and columns are zero; rows and columns that stay keep their pixels.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void SetSize(int width, int height);
    bool IsEmpty() const override { return width_ == 0 || height_ == 0; }

    PixelFormat GetPixelFormat() const { return format_; }
    // Converts the present pixels to the new format, keeping their colours:
    // indices become their palette colours, 15/16-bit words expand, Rgb32 drops
    // its fourth byte; towards an indexed format each colour takes the nearest
    // entry of that format's palette (indices stay when both are indexed).
    void SetPixelFormat(PixelFormat format);

    // Drops the image: the bitmap is empty and its format Device.
    void Release();

    // A fresh image of this format and size for a reader that fills every row:
    // the block is reused when it has the same size, otherwise it starts zeroed,
    // or, for a caller that writes every pixel (PixelFill::Overwritten), with
    // only the padding at the rows' ends zeroed.
    void Allocate(PixelFormat format, int width, int height, PixelFill fill = PixelFill::Zeroed);

    // Whether the fourth byte of Rgb32 rows is the opacity (0 transparent,
    // 255 opaque, not premultiplied) rather than unused. Readers of formats
    // with alpha set it after filling the rows; every new image, a release
    // and a change of pixel format clear it.
    bool HasAlpha() const { return hasAlpha_ && format_ == PixelFormat::Rgb32; }
    void SetHasAlpha(bool hasAlpha) { hasAlpha_ = hasAlpha; }

    const Palette& GetPalette() const { return palette_; }
    // 1 to 256 entries; more are cut to 256, none is ignored.
    void SetPalette(Palette palette);
    // The colour of an index; an index past the palette's end shows the last entry.
    PaletteEntry PaletteColor(int index) const;

    // Row `row`, 0 on top; throws "Scan line index out of range" outside 0..Height-1.
    uint8_t* ScanLine(int row);
    const uint8_t* ScanLine(int row) const;
    // Bytes from one row's start to the next (a multiple of 4).
    ptrdiff_t BytesPerLine() const { return stride_; }
    // The whole block, top row first (nullptr when empty).
    uint8_t* Bits() { return pixels_.get(); }
    const uint8_t* Bits() const { return pixels_.get(); }

    // The image of another bitmap (a reader's too), as Assign copies it.
    void CopyFrom(const Bitmap& other);
    bool AssignTo(Graphic& target) const override;

    // Windows bitmap file (.bmp, .dib, .rle); see BitmapFile.cpp.
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) const override;
    // Writes a Windows bitmap file whatever class this is (readers may replace SaveToStream).
    void SaveBitmapToStream(Stream& stream) const;
    void SaveBitmapToFile(const std::string& path) const;

private:
    void Reshape(int width, int height, PixelFormat format, PixelFill fill = PixelFill::Zeroed);
    void ConvertPixels(PixelFormat format);

    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Device;
    bool hasAlpha_ = false;
    Palette palette_;
    ptrdiff_t stride_ = 0;
    size_t blockSize_ = 0;
    PixelBlock pixels_;
};

} // namespace pelmora
