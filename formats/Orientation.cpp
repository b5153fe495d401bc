#include "Orientation.h"

#include <libexif/exif-data.h>

#include <cstring>
#include <memory>

namespace pelmora {

namespace {

struct ExifDataDeleter {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};

// Where the stored picture's pixel for upright column x, row y lies:
// column = c0 + x * cx + y * cy, row = r0 + x * rx + y * ry.
struct SourceMap {
    int c0, cx, cy, r0, rx, ry;
};

SourceMap MapOf(int orientation, int width, int height) // stored width and height
{
    const int w = width - 1, h = height - 1;
    switch (orientation) {
    case 2: return {w, -1, 0, 0, 0, 1};
    case 3: return {w, -1, 0, h, 0, -1};
    case 4: return {0, 1, 0, h, 0, -1};
    case 5: return {0, 0, 1, 0, 1, 0};
    case 6: return {0, 0, 1, h, -1, 0};
    case 7: return {w, 0, -1, h, -1, 0};
    case 8: return {w, 0, -1, 0, 1, 0};
    default: return {0, 1, 0, 0, 0, 1};
    }
}

template <int kBytes> void CopyTurned(const Bitmap& source, Bitmap& target, const SourceMap& m)
{
    const ptrdiff_t stride = source.BytesPerLine();
    const uint8_t* base = source.Bits();
    const ptrdiff_t step = ptrdiff_t(m.cx) * kBytes + ptrdiff_t(m.rx) * stride;
    for (int y = 0; y < target.Height(); ++y) {
        const int column = m.c0 + y * m.cy, row = m.r0 + y * m.ry;
        const uint8_t* from = base + ptrdiff_t(row) * stride + ptrdiff_t(column) * kBytes;
        uint8_t* to = target.ScanLine(y);
        for (int x = 0; x < target.Width(); ++x, from += step, to += kBytes)
            std::memcpy(to, from, kBytes);
    }
}

} // namespace

int ExifOrientation(std::span<const uint8_t> exif)
{
    if (exif.empty() || exif.size() > 0xFFFF)
        return 1;
    std::unique_ptr<ExifData, ExifDataDeleter> data(exif_data_new_from_data(exif.data(), unsigned(exif.size())));
    if (!data)
        return 1;
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || entry->size < 2 || !entry->data)
        return 1;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return value >= 1 && value <= 8 ? value : 1;
}

bool SwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

void ApplyOrientation(Bitmap& bitmap, int orientation)
{
    if (orientation < 2 || orientation > 8 || bitmap.IsEmpty())
        return;
    if (BitsPerPixel(StorageFormat(bitmap.GetPixelFormat())) < 8)
        bitmap.SetPixelFormat(PixelFormat::Indexed8);
    const PixelFormat format = StorageFormat(bitmap.GetPixelFormat());
    const int width = bitmap.Width(), height = bitmap.Height();
    Bitmap upright;
    upright.Allocate(format, SwapsSides(orientation) ? height : width, SwapsSides(orientation) ? width : height);
    upright.SetPalette(bitmap.GetPalette());
    upright.SetHasAlpha(bitmap.HasAlpha());
    const SourceMap m = MapOf(orientation, width, height);
    switch (BitsPerPixel(format)) {
    case 8: CopyTurned<1>(bitmap, upright, m); break;
    case 16: CopyTurned<2>(bitmap, upright, m); break;
    case 24: CopyTurned<3>(bitmap, upright, m); break;
    default: CopyTurned<4>(bitmap, upright, m); break;
    }
    bitmap = std::move(upright);
}

} // namespace pelmora
