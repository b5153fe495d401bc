#include "PngFile.h"

#include "Exception.h"
#include "Stream.h"

#include <cstring>
#include <vector>

#include <png.h>

namespace pelmora {

namespace {

enum class PngSpeed { Fast, Small };

std::vector<uint8_t> EncodeBgrRows(const Bitmap& bgr, PngSpeed speed)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(bgr.Width());
    png.height = png_uint_32(bgr.Height());
    png.format = PNG_FORMAT_BGR;
    if (speed == PngSpeed::Fast)
        png.flags = PNG_IMAGE_FLAG_FAST;
    const auto stride = png_int_32(bgr.BytesPerLine());
    png_alloc_size_t size = 0;
    // The first call measures, the second writes.
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, bgr.Bits(), stride, nullptr))
        throw Exception(png.message);
    std::vector<uint8_t> encoded(size);
    if (!png_image_write_to_memory(&png, encoded.data(), &size, 0, bgr.Bits(), stride, nullptr))
        throw Exception(png.message);
    encoded.resize(size);
    return encoded;
}

std::vector<uint8_t> EncodePng(const Bitmap& bitmap, PngSpeed speed)
{
    if (bitmap.IsEmpty())
        throw Exception("Cannot write an empty picture");
    if (bitmap.GetPixelFormat() == PixelFormat::Rgb24)
        return EncodeBgrRows(bitmap, speed);
    Bitmap bgr;
    bgr.Assign(bitmap);
    bgr.SetPixelFormat(PixelFormat::Rgb24);
    return EncodeBgrRows(bgr, speed);
}

} // namespace

void SavePngToFile(const Bitmap& bitmap, const std::string& path)
{
    // Thumbnails are written while someone waits for them: speed over size.
    std::vector<uint8_t> encoded = EncodePng(bitmap, PngSpeed::Fast);
    // Encoded in full first, so a failure leaves no half-written file.
    FileStream file(path, FileStream::Mode::Create);
    file.WriteBuffer(encoded.data(), encoded.size());
    file.Close();
}

void SavePngToStream(const Bitmap& bitmap, Stream& stream)
{
    std::vector<uint8_t> encoded = EncodePng(bitmap, PngSpeed::Small);
    stream.WriteBuffer(encoded.data(), encoded.size());
}

} // namespace pelmora
