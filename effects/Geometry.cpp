#include "Geometry.h"

#include "PixelConventions.h"

#include "formats/PixelRows.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

PELMORA_VECTOR_CLONES void ReverseRow(const uint8_t* __restrict s, uint8_t* __restrict d, size_t width)
{
    for (size_t x = 0; x < width; ++x) {
        const uint8_t* p = s + 3 * (width - 1 - x);
        d[3 * x] = p[0], d[3 * x + 1] = p[1], d[3 * x + 2] = p[2];
    }
}

} // namespace

void MirrorVertical(Bitmap& picture)
{
    ToRgb24(picture);
    const int h = picture.Height();
    std::vector<uint8_t> buffer(PixelBytes(picture));
    for (int i = 0; i < h / 2; ++i) {
        uint8_t* top = picture.ScanLine(i);
        uint8_t* bottom = picture.ScanLine(h - 1 - i);
        std::memcpy(buffer.data(), top, buffer.size());
        std::memcpy(top, bottom, buffer.size());
        std::memcpy(bottom, buffer.data(), buffer.size());
    }
}

void MirrorHorizontal(Bitmap& picture)
{
    ToRgb24(picture);
    std::vector<uint8_t> buffer(PixelBytes(picture));
    for (int y = 0; y < picture.Height(); ++y) {
        uint8_t* row = picture.ScanLine(y);
        std::memcpy(buffer.data(), row, buffer.size());
        ReverseRow(buffer.data(), row, size_t(picture.Width()));
    }
}

void Rotate90(Bitmap& picture)
{
    ToRgb24(picture);
    const int w = picture.Width(), h = picture.Height();
    Bitmap d(h, w, PixelFormat::Rgb24);
    // New pixel (j, i) is old pixel (i, H - 1 - j); tiles keep both sides in cache.
    constexpr int kTile = 64;
    for (int i0 = 0; i0 < w; i0 += kTile)
        for (int j0 = 0; j0 < h; j0 += kTile)
            for (int i = i0; i < std::min(w, i0 + kTile); ++i) {
                uint8_t* out = d.ScanLine(i);
                for (int j = j0; j < std::min(h, j0 + kTile); ++j)
                    std::memcpy(out + 3 * j, picture.ScanLine(h - 1 - j) + 3 * i, 3);
            }
    picture = std::move(d);
}

void StretchCopy(const Bitmap& source, const PixelRect& from, Bitmap& target, const PixelRect& to)
{
    if (from.Width() <= 0 || from.Height() <= 0 || to.Width() <= 0 || to.Height() <= 0 || source.IsEmpty()
        || target.IsEmpty())
        return;
    Bitmap holder;
    const Bitmap* s = &source;
    if (s == &target || StorageFormat(source.GetPixelFormat()) != StorageFormat(target.GetPixelFormat())) {
        holder.Assign(source);
        if (StorageFormat(holder.GetPixelFormat()) != StorageFormat(target.GetPixelFormat()))
            holder.SetPixelFormat(StorageFormat(target.GetPixelFormat()));
        s = &holder;
    }
    const PixelFormat format = StorageFormat(target.GetPixelFormat());
    const int bits = BitsPerPixel(format);
    const int x0 = std::max(to.left, 0), x1 = std::min(to.right, target.Width());
    const int y0 = std::max(to.top, 0), y1 = std::min(to.bottom, target.Height());
    // Source column of every target column in reach, -1 where it falls outside.
    std::vector<int> columns;
    for (int tx = x0; tx < x1; ++tx) {
        int64_t sx = from.left + StretchSample(tx - to.left, from.Width(), to.Width());
        columns.push_back(sx >= 0 && sx < s->Width() ? int(sx) : -1);
    }
    for (int ty = y0; ty < y1; ++ty) {
        int64_t sy = from.top + StretchSample(ty - to.top, from.Height(), to.Height());
        if (sy < 0 || sy >= s->Height())
            continue;
        const uint8_t* in = s->ScanLine(int(sy));
        uint8_t* out = target.ScanLine(ty);
        for (int tx = x0; tx < x1; ++tx) {
            const int sx = columns[size_t(tx - x0)];
            if (sx < 0)
                continue;
            if (bits < 8)
                SetIndexAt(out, format, tx, IndexAt(in, format, sx));
            else
                std::memcpy(out + size_t(tx) * size_t(bits / 8), in + size_t(sx) * size_t(bits / 8), size_t(bits / 8));
        }
    }
}

Bitmap StretchedCopy(const Bitmap& source, int width, int height)
{
    Bitmap d(width, height, StorageFormat(source.GetPixelFormat()));
    if (IsIndexed(source.GetPixelFormat()))
        d.SetPalette(source.GetPalette());
    StretchCopy(source, {0, 0, source.Width(), source.Height()}, d, {0, 0, width, height});
    return d;
}

} // namespace pelmora
