#include "Bitmap.h"

#include "Exception.h"
#include "ImageLimits.h"
#include "PixelRows.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

const char* PixelFormatName(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Device: return "Device";
    case PixelFormat::Indexed1: return "Indexed1";
    case PixelFormat::Indexed4: return "Indexed4";
    case PixelFormat::Indexed8: return "Indexed8";
    case PixelFormat::Rgb15: return "Rgb15";
    case PixelFormat::Rgb16: return "Rgb16";
    case PixelFormat::Rgb24: return "Rgb24";
    case PixelFormat::Rgb32: return "Rgb32";
    case PixelFormat::Custom: return "Custom";
    }
    return "Custom";
}

int BitsPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Indexed1: return 1;
    case PixelFormat::Indexed4: return 4;
    case PixelFormat::Indexed8: return 8;
    case PixelFormat::Rgb15:
    case PixelFormat::Rgb16: return 16;
    case PixelFormat::Rgb24: return 24;
    case PixelFormat::Rgb32: return 32;
    default: return 0;
    }
}

bool IsIndexed(PixelFormat format)
{
    return format == PixelFormat::Indexed1 || format == PixelFormat::Indexed4 || format == PixelFormat::Indexed8;
}

Palette GreyRamp(int count)
{
    Palette p(size_t(std::clamp(count, 1, 256)));
    int last = std::max<int>(1, int(p.size()) - 1);
    for (size_t i = 0; i < p.size(); ++i) {
        auto v = uint8_t(p.size() == 1 ? 0 : (int(i) * 255 + last / 2) / last);
        p[i] = {v, v, v, 0};
    }
    return p;
}

Palette DefaultPalette(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Indexed1: return {{0, 0, 0, 0}, {255, 255, 255, 0}};
    case PixelFormat::Indexed4:
        return {{0, 0, 0, 0}, {128, 0, 0, 0}, {0, 128, 0, 0}, {128, 128, 0, 0}, {0, 0, 128, 0}, {128, 0, 128, 0},
            {0, 128, 128, 0}, {192, 192, 192, 0}, {128, 128, 128, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {255, 255, 0, 0},
            {0, 0, 255, 0}, {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0}};
    case PixelFormat::Indexed8: return GreyRamp(256);
    default: return {};
    }
}

Bitmap::Bitmap(int width, int height, PixelFormat format)
{
    Allocate(format, width, height);
}

void Bitmap::Release()
{
    pixels_.reset();
    blockSize_ = 0;
    width_ = height_ = 0;
    SetFullSize(0, 0);
    stride_ = 0;
    format_ = PixelFormat::Device;
    hasAlpha_ = false;
    palette_.clear();
}

PixelFormat StorageFormat(PixelFormat f)
{
    return f == PixelFormat::Device || f == PixelFormat::Custom ? PixelFormat::Rgb24 : f;
}

void Bitmap::Reshape(int width, int height, PixelFormat format, PixelFill fill)
{
    CheckImageSize(width, height);
    ptrdiff_t stride = ptrdiff_t(RowBytes(width, BitsPerPixel(StorageFormat(format))));
    size_t size = size_t(stride) * size_t(height);
    // Kept rows are copied into the new block, but the rest must read as zeros.
    if (pixels_ && format == format_)
        fill = PixelFill::Zeroed;
    PixelBlock block = AllocatePixels(size, fill);
    if (size && !block)
        throw EOutOfResources("Out of memory while creating a bitmap");
    if (pixels_ && block && format == format_) {
        size_t keep = size_t(std::min(stride, stride_));
        for (int y = 0; y < std::min(height, height_); ++y)
            std::memcpy(block.get() + y * stride, pixels_.get() + y * stride_, keep);
        // Bits of a partly kept last byte that now lie outside the picture stay zero.
        int bpp = BitsPerPixel(StorageFormat(format));
        if (width < width_ && bpp < 8 && (width * bpp) % 8) {
            auto mask = uint8_t(0xFF << (8 - (width * bpp) % 8));
            for (int y = 0; y < std::min(height, height_); ++y)
                block.get()[y * stride + width * bpp / 8] &= mask;
        }
    }
    pixels_ = std::move(block);
    blockSize_ = size;
    width_ = width;
    height_ = height;
    stride_ = stride;
    format_ = format;
    SetFullSize(0, 0);
}

void Bitmap::SetWidth(int width)
{
    if (width == width_)
        return;
    Reshape(width, height_, format_ == PixelFormat::Device ? PixelFormat::Rgb24 : format_);
}

void Bitmap::SetHeight(int height)
{
    if (height == height_)
        return;
    Reshape(width_, height, format_ == PixelFormat::Device ? PixelFormat::Rgb24 : format_);
}

void Bitmap::SetSize(int width, int height)
{
    if (width == width_ && height == height_)
        return;
    Reshape(width, height, format_ == PixelFormat::Device ? PixelFormat::Rgb24 : format_);
}

void Bitmap::Allocate(PixelFormat format, int width, int height, PixelFill fill)
{
    CheckImageSize(width, height);
    // A new image: a reader that reads it reduced says so after this.
    SetFullSize(0, 0);
    hasAlpha_ = false;
    if (IsIndexed(format) && (!IsIndexed(format_) || palette_.empty()))
        palette_ = DefaultPalette(format);
    if (!IsIndexed(format))
        palette_.clear();
    ptrdiff_t stride = ptrdiff_t(RowBytes(width, BitsPerPixel(StorageFormat(format))));
    size_t size = size_t(stride) * size_t(height);
    if (pixels_ && size == blockSize_) {
        width_ = width;
        height_ = height;
        stride_ = stride;
        format_ = format;
        return;
    }
    pixels_.reset();
    blockSize_ = 0;
    width_ = height_ = 0;
    format_ = format;
    Reshape(width, height, format, fill);
    // Whatever the caller writes, the bytes past the last pixel of a row read as zeros.
    const size_t used = (size_t(width) * size_t(BitsPerPixel(StorageFormat(format)))) / 8;
    if (fill == PixelFill::Overwritten && size_t(stride_) > used)
        for (int y = 0; y < height_; ++y)
            std::memset(pixels_.get() + ptrdiff_t(y) * stride_ + used, 0, size_t(stride_) - used);
}

void Bitmap::SetPalette(Palette palette)
{
    if (palette.empty())
        return;
    if (palette.size() > 256)
        palette.resize(256);
    palette_ = std::move(palette);
}

PaletteEntry Bitmap::PaletteColor(int index) const
{
    if (palette_.empty())
        return {};
    return palette_[size_t(std::clamp(index, 0, int(palette_.size()) - 1))];
}

uint8_t* Bitmap::ScanLine(int row)
{
    if (row < 0 || row >= height_ || !pixels_)
        throw EInvalidGraphic("Scan line index out of range");
    return pixels_.get() + ptrdiff_t(row) * stride_;
}

const uint8_t* Bitmap::ScanLine(int row) const
{
    return const_cast<Bitmap*>(this)->ScanLine(row);
}

void Bitmap::SetPixelFormat(PixelFormat format)
{
    if (format == format_)
        return;
    hasAlpha_ = false;
    if (format == PixelFormat::Device || format == PixelFormat::Custom) {
        // Neither has rows of its own here: an empty bitmap takes the name, a
        // picture goes to the 24-bit rows of the display we stand in for.
        if (!IsEmpty()) {
            ConvertPixels(PixelFormat::Rgb24);
            return;
        }
    }
    if (!IsEmpty()) {
        ConvertPixels(format);
        return;
    }
    // Nothing to convert: only the layout of future rows and the palette change.
    if (IsIndexed(format) && !IsIndexed(format_))
        palette_ = DefaultPalette(format);
    if (!IsIndexed(format))
        palette_.clear();
    int w = width_, h = height_;
    pixels_.reset();
    blockSize_ = 0;
    width_ = height_ = 0;
    format_ = format;
    Reshape(w, h, format);
}

void Bitmap::ConvertPixels(PixelFormat format)
{
    // Indices stay when the target has room for them; otherwise colours map
    // to the nearest entry of the target's default palette.
    bool keepIndices = IsIndexed(format) && IsIndexed(format_) && BitsPerPixel(format) >= BitsPerPixel(format_);
    Bitmap target;
    if (IsIndexed(format))
        target.palette_ = keepIndices ? palette_ : DefaultPalette(format);
    target.format_ = format;
    target.Reshape(width_, height_, format);
    if (keepIndices) {
        for (int y = 0; y < height_; ++y)
            CopyIndices(ScanLine(y), format_, target.ScanLine(y), format, width_);
    } else {
        std::vector<uint8_t> bgra(size_t(width_) * 4);
        NearestColorMap nearest(target.palette_);
        for (int y = 0; y < height_; ++y) {
            UnpackRowToBgra(ScanLine(y), format_, palette_, bgra.data(), width_);
            PackRowFromBgra(bgra.data(), target.ScanLine(y), format, nearest, width_);
        }
    }
    pixels_ = std::move(target.pixels_);
    blockSize_ = target.blockSize_;
    stride_ = target.stride_;
    format_ = format;
    palette_ = std::move(target.palette_);
}

void Bitmap::CopyFrom(const Bitmap& other)
{
    Release();
    if (other.IsEmpty()) {
        format_ = other.format_;
        palette_ = other.palette_;
        width_ = other.width_;
        height_ = other.height_;
        return;
    }
    Allocate(other.format_, other.width_, other.height_, PixelFill::Overwritten);
    palette_ = other.palette_;
    hasAlpha_ = other.hasAlpha_;
    std::memcpy(pixels_.get(), other.pixels_.get(), blockSize_);
}

bool Bitmap::AssignTo(Graphic& target) const
{
    if (!target.Is(Bitmap::StaticClass()))
        return false;
    target.Assign(*this);
    return true;
}

} // namespace pelmora
