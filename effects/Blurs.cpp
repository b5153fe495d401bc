// SplitBlur, GaussianBlur and Spray: in-place neighbourhood means and moves.
#include "NeighbourhoodFilters.h"

#include "PixelConventions.h"
#include "Random.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

// Bytes [begin, end) of a row whose partners all lie in two other rows, left
// and right at the same byte distance.
PELMORA_VECTOR_CLONES void SplitBlurRow(const uint8_t* __restrict up, const uint8_t* __restrict down,
    uint8_t* __restrict out, size_t begin, size_t end, size_t offset)
{
    for (size_t i = begin; i < end; ++i)
        out[i] = uint8_t((up[i - offset] + down[i - offset] + up[i + offset] + down[i + offset]) >> 2);
}

// The partner index `distance` before and after `i` in a line of `size`. A
// partner past the far end (distance not smaller than the size) reads the
// last pixel instead of one beyond it.
inline int NearPartner(int i, int distance)
{
    return i - distance >= 0 ? i - distance : i;
}
inline int FarPartner(int i, int distance, int size)
{
    int far = i + distance < size ? i + distance : size - i;
    return far < size ? far : size - 1;
}

void SplitBlurPixel(
    const std::vector<const uint8_t*>& rows, int x, int up, int down, int distance, int width, uint8_t* out)
{
    const int left = NearPartner(x, distance), right = FarPartner(x, distance, width);
    const uint8_t* a = rows[size_t(up)] + 3 * left;
    const uint8_t* b = rows[size_t(down)] + 3 * left;
    const uint8_t* c = rows[size_t(up)] + 3 * right;
    const uint8_t* d = rows[size_t(down)] + 3 * right;
    int sum[3];
    for (int ch = 0; ch < 3; ++ch)
        sum[ch] = a[ch] + b[ch] + c[ch] + d[ch];
    for (int ch = 0; ch < 3; ++ch)
        out[ch] = uint8_t(sum[ch] >> 2);
}

// SplitBlur from the Rgb24 rows `rows` into `out` (the same rows or those
// of another bitmap), top to bottom: as in place, the rows above the one
// being made and the pixels left of it are read as already blurred.
void SplitBlurRows(std::vector<const uint8_t*> rows, const std::vector<uint8_t*>& out, int w, int a)
{
    const int h = int(rows.size());
    for (int y = 0; y < h; ++y) {
        const int up = NearPartner(y, a), down = FarPartner(y, a, h);
        uint8_t* row = out[size_t(y)];
        if (a <= 0 || up == y || down == y) {
            if (rows[size_t(y)] != row)
                std::memcpy(row, rows[size_t(y)], size_t(w) * 3);
            rows[size_t(y)] = row;
        }
        if (a <= 0)
            continue;
        if (up == y || down == y) {
            // Partners in the row itself: pixel by pixel, left ones already new.
            for (int x = 0; x < w; ++x)
                SplitBlurPixel(rows, x, up, down, a, w, row + 3 * x);
            continue;
        }
        // Nothing of this row is read, so the order within it does not matter.
        const int first = std::min(a, w), last = std::max(first, w - a);
        for (int x = 0; x < first; ++x)
            SplitBlurPixel(rows, x, up, down, a, w, row + 3 * x);
        SplitBlurRow(rows[size_t(up)], rows[size_t(down)], row, size_t(first) * 3, size_t(last) * 3, size_t(a) * 3);
        for (int x = last; x < w; ++x)
            SplitBlurPixel(rows, x, up, down, a, w, row + 3 * x);
        rows[size_t(y)] = row;
    }
}

} // namespace

void SplitBlur(Bitmap& bitmap, int distance)
{
    ToRgb24(bitmap);
    if (distance <= 0 || bitmap.IsEmpty())
        return;
    const Bitmap& rows = bitmap;
    SplitBlurRows(RowPointers(rows), RowPointers(bitmap), bitmap.Width(), distance);
}

void SplitBlur(const Bitmap& source, Bitmap& target, int distance)
{
    if (&source == &target)
        return SplitBlur(target, distance);
    Bitmap holder;
    const Bitmap& s = Rgb24SourceAndTarget(source, holder, target);
    if (!s.IsEmpty())
        SplitBlurRows(RowPointers(s), RowPointers(target), s.Width(), distance);
}

void GaussianBlur(Bitmap& bitmap, int count)
{
    ToRgb24(bitmap);
    for (int pass = 0; pass <= count; ++pass)
        SplitBlur(bitmap, 3);
}

void Spray(Bitmap& bitmap, int amount)
{
    ToRgb24(bitmap);
    const int w = bitmap.Width(), h = bitmap.Height();
    const std::vector<uint8_t*> rows = RowPointers(bitmap);
    // Keeps 2 r inside an int; no picture is that large anyway.
    amount = std::min(amount, 1 << 30);
    for (int x = 0; x < w; ++x) {
        for (int y = 0; y < h; ++y) {
            const int r = Random(amount);
            const int sx = x + r - Random(2 * r);
            const int sy = y + r - Random(2 * r);
            if (sx < 0 || sx >= w || sy < 0 || sy >= h)
                continue;
            const uint8_t* from = rows[size_t(sy)] + 3 * sx;
            uint8_t* to = rows[size_t(y)] + 3 * x;
            to[0] = from[0], to[1] = from[1], to[2] = from[2];
        }
    }
}

} // namespace pelmora
