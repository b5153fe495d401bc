#include "Geometry.h"

#include "PixelConventions.h"

#include "formats/CpuFeatures.h"
#include "formats/PixelRows.h"

#include <algorithm>
#include <cstring>

#ifdef PELMORA_X86_DISPATCH
#include <immintrin.h>
#endif

namespace pelmora {

namespace {

PELMORA_VECTOR_CLONES void ReverseRow(const uint8_t* __restrict s, uint8_t* __restrict d, size_t width)
{
    for (size_t x = 0; x < width; ++x) {
        const uint8_t* p = s + 3 * (width - 1 - x);
        d[3 * x] = p[0], d[3 * x + 1] = p[1], d[3 * x + 2] = p[2];
    }
}

// Old pixel (i, H - 1 - j) to new pixel (j, i) for the new rows i0..i1-1 and
// columns j0..j1-1 of a tile, whose old rows stay in the cache for all its
// new rows. Pixels move as four-byte words: a word's fourth byte lands on the
// next pixel of the new row, which is written right after it, and is read
// from the next pixel of the old row. The caller keeps both inside the block.
void TurnTile(const uint8_t* const* rows, uint8_t* const* out, int i0, int i1, int j0, int j1)
{
    for (int i = i0; i < i1; ++i) {
        uint8_t* o = out[i] + 3 * size_t(j0);
        const size_t x = 3 * size_t(i);
        for (int j = j0; j < j1; ++j, o += 3) {
            uint32_t pixel;
            std::memcpy(&pixel, rows[j] + x, 4);
            std::memcpy(o, &pixel, 4);
        }
    }
}

#ifdef PELMORA_X86_DISPATCH
// One block of 4 x 4 pixels of the turn below: four old rows read sixteen
// bytes at a time (the caller keeps the four bytes past the block's pixels
// inside the old row), their pixels widened to four-byte lanes, the lanes
// transposed, and each new row's twelve bytes written.
__attribute__((target("ssse3"))) inline void TurnBlockSsse3(
    const uint8_t* const* rows, uint8_t* const* out, int i, int j)
{
    const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    __m128i r[4];
    for (int k = 0; k < 4; ++k)
        r[k] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[j + k] + 3 * size_t(i))), widen);
    const __m128i low = _mm_unpacklo_epi32(r[0], r[1]), low2 = _mm_unpacklo_epi32(r[2], r[3]);
    const __m128i high = _mm_unpackhi_epi32(r[0], r[1]), high2 = _mm_unpackhi_epi32(r[2], r[3]);
    const __m128i turned[4] = {_mm_unpacklo_epi64(low, low2), _mm_unpackhi_epi64(low, low2),
        _mm_unpacklo_epi64(high, high2), _mm_unpackhi_epi64(high, high2)};
    for (int c = 0; c < 4; ++c) {
        const __m128i bytes = _mm_shuffle_epi8(turned[c], narrow);
        uint8_t* o = out[i + c] + 3 * size_t(j);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(o), bytes);
        const uint32_t last = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(bytes, 8)));
        std::memcpy(o + 8, &last, 4);
    }
}

// The turn by blocks of 4 x 4 pixels for the new rows 0..columns-1 and
// columns 0..height-1 (both multiples of 4), in tiles of 128 new rows by 32
// old rows that stay in the first-level cache together. Each old row of a
// tile lies on a page of its own, where no hardware prefetcher follows, so
// the lines the next tile down reads and writes are asked for while this one
// is turned: without that every tile waits for memory, and the turn took
// three times as long as with it.
__attribute__((target("ssse3"))) void TurnBlocksSsse3(
    const uint8_t* const* rows, uint8_t* const* out, int columns, int height)
{
    constexpr int kNewRows = 128, kOldRows = 32, kSteps = kNewRows / 4;
    constexpr int kRowsAStep = (kOldRows + kSteps - 1) / kSteps;
    for (int i0 = 0; i0 < columns; i0 += kNewRows)
        for (int j0 = 0; j0 < height; j0 += kOldRows) {
            const int i1 = std::min(columns, i0 + kNewRows), j1 = std::min(height, j0 + kOldRows);
            const int next1 = std::min(height, j1 + kOldRows);
            for (int i = i0; i < i1; i += 4) {
                // A share of the next tile's old rows, and the four new rows' next bytes.
                const int first = j1 + (i - i0) / 4 * kRowsAStep;
                for (int j = first; j < std::min(next1, first + kRowsAStep); ++j)
                    for (size_t b = 3 * size_t(i0); b < 3 * size_t(i1) + 4; b += 64)
                        __builtin_prefetch(rows[j] + b, 0);
                for (int c = 0; c < 4; ++c)
                    for (size_t b = 3 * size_t(j1); b < 3 * size_t(next1); b += 64)
                        __builtin_prefetch(out[i + c] + b, 1);
                for (int j = j0; j < j1; j += 4)
                    TurnBlockSsse3(rows, out, i, j);
            }
        }
}

#endif

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

void MirrorVertical(const Bitmap& source, Bitmap& target)
{
    if (&source == &target)
        return MirrorVertical(target);
    Bitmap holder;
    const Bitmap& s = Rgb24SourceAndTarget(source, holder, target);
    const int h = s.Height();
    for (int y = 0; y < h; ++y)
        std::memcpy(target.ScanLine(y), s.ScanLine(h - 1 - y), PixelBytes(s));
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

void MirrorHorizontal(const Bitmap& source, Bitmap& target)
{
    if (&source == &target)
        return MirrorHorizontal(target);
    Bitmap holder;
    const Bitmap& s = Rgb24SourceAndTarget(source, holder, target);
    for (int y = 0; y < s.Height(); ++y)
        ReverseRow(s.ScanLine(y), target.ScanLine(y), size_t(s.Width()));
}

void Rotate90(Bitmap& picture)
{
    Bitmap turned;
    Rotate90(picture, turned);
    picture = std::move(turned);
}

void Rotate90(const Bitmap& source, Bitmap& target)
{
    Bitmap holder;
    const Bitmap& s = Rgb24View(source, holder);
    const int w = s.Width(), h = s.Height();
    // Every pixel is written: a reused block need not be cleared first.
    Bitmap d;
    d.Allocate(PixelFormat::Rgb24, h, w, PixelFill::Overwritten);
    // New pixel (j, i) is old pixel (i, H - 1 - j): new row i is old column i read upwards.
    std::vector<const uint8_t*> rows = RowPointers(s);
    std::reverse(rows.begin(), rows.end());
    std::vector<uint8_t*> out(static_cast<size_t>(w));
    for (int i = 0; i < w; ++i)
        out[size_t(i)] = d.ScanLine(i);
#ifdef PELMORA_X86_DISPATCH
    if (CpuHasSsse3()) {
        // Whole blocks whose sixteen-byte reads stay inside the old rows; the
        // columns and rows left over three bytes at a time.
        const int columns = w >= 2 ? (w - 2) / 4 * 4 : 0, height = h / 4 * 4;
        TurnBlocksSsse3(rows.data(), out.data(), columns, height);
        for (int i = 0; i < w; ++i)
            for (int j = i < columns ? height : 0; j < h; ++j)
                std::memcpy(out[size_t(i)] + 3 * size_t(j), rows[size_t(j)] + 3 * size_t(i), 3);
        target = std::move(d);
        return;
    }
#endif
    // Square tiles of 128 x 128; the last old column (whose fourth byte may
    // lie past the block) and the last new column (whose fourth byte would
    // land on the next new row) are copied three bytes at a time.
    constexpr int kTile = 128;
    const int wordColumns = w - 1, wordRows = h - 1;
    for (int i0 = 0; i0 < wordColumns; i0 += kTile)
        for (int j0 = 0; j0 < wordRows; j0 += kTile)
            TurnTile(
                rows.data(), out.data(), i0, std::min(wordColumns, i0 + kTile), j0, std::min(wordRows, j0 + kTile));
    for (int i = 0; i < w; ++i)
        for (int j = i == w - 1 ? 0 : h - 1; j < h; ++j)
            std::memcpy(out[size_t(i)] + 3 * size_t(j), rows[size_t(j)] + 3 * size_t(i), 3);
    target = std::move(d);
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
