#include "PngFile.h"

#include "Exception.h"
#include "Stream.h"

#include <cstring>
#include <vector>

#include <png.h>

namespace pelmora {

namespace {

std::vector<uint8_t> EncodeBgrRows(const Bitmap& bgr)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(bgr.Width());
    png.height = png_uint_32(bgr.Height());
    png.format = PNG_FORMAT_BGR;
    // Thumbnails are written while someone waits for them: speed over size.
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

} // namespace

void SavePngToFile(const Bitmap& bitmap, const std::string& path)
{
    if (bitmap.IsEmpty())
        throw Exception("Cannot write an empty picture");
    std::vector<uint8_t> encoded;
    if (bitmap.GetPixelFormat() == PixelFormat::Rgb24) {
        encoded = EncodeBgrRows(bitmap);
    } else {
        Bitmap bgr;
        bgr.Assign(bitmap);
        bgr.SetPixelFormat(PixelFormat::Rgb24);
        encoded = EncodeBgrRows(bgr);
    }
    // Encoded in full first, so a failure leaves no half-written file.
    FileStream file(path, FileStream::Mode::Create);
    file.WriteBuffer(encoded.data(), encoded.size());
    file.Close();
}

} // namespace pelmora
