// Sharpen, Convolve and Emboss: fixed small neighbourhoods in integer
// arithmetic, each output row computed from source rows fetched once.
#include "NeighbourhoodFilters.h"

#include "PixelConventions.h"
#include "ResultRows.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

// ---- Sharpen ----

// R(p) = floor((p + 32767) / 65536), on the signed value.
template <class T> inline T RoundFixed(T p)
{
    return (p + 32767) >> 16;
}

// Bytes 3 .. n - 4 of one row: every pixel but the first and the last.
template <class T>
inline void SharpenRowBody(const uint8_t* __restrict up, const uint8_t* __restrict mid, const uint8_t* __restrict down,
    uint8_t* __restrict out, size_t n, T weight, T meanWeight)
{
    for (size_t i = 3; i + 3 < n; ++i) {
        T c = mid[i];
        T s = T(up[i]) + T(mid[i - 3]) + c + T(mid[i + 3]) + T(down[i]);
        T v = RoundFixed<T>(c * weight) - RoundFixed<T>(s * meanWeight);
        out[i] = uint8_t(v > 255 ? 255 : v < 0 ? 0 : v);
    }
}

PELMORA_VECTOR_CLONES void SharpenRow32(const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* out,
    size_t n, int32_t weight, int32_t meanWeight)
{
    SharpenRowBody<int32_t>(up, mid, down, out, n, weight, meanWeight);
}

PELMORA_VECTOR_CLONES void SharpenRow64(const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* out,
    size_t n, int64_t weight, int64_t meanWeight)
{
    SharpenRowBody<int64_t>(up, mid, down, out, n, weight, meanWeight);
}

// ---- Convolve ----

// Row `ty` (0 .. H + 1) of the bordered copy: picture row ty - 1 with one
// frame pixel on each side; rows 0 and H + 1 are the frame rows.
void BorderedRow(const Bitmap& picture, EdgeMode mode, int ty, uint8_t* out)
{
    const int w = picture.Width(), h = picture.Height();
    const bool frameRow = ty == 0 || ty == h + 1;
    const bool wrap = mode == EdgeMode::WrapAround;
    // The corners are the nearest corner pixels in both modes, so the frame
    // columns of a frame row come from the nearest picture row.
    const int edgeRow = ty == 0 ? 0 : ty == h + 1 ? h - 1 : ty - 1;
    const int innerRow = wrap && frameRow ? (ty == 0 ? h - 1 : 0) : edgeRow;
    std::memcpy(out + 3, picture.ScanLine(innerRow), size_t(w) * 3);
    const uint8_t* ends = picture.ScanLine(edgeRow);
    const bool swapEnds = wrap && !frameRow;
    std::memcpy(out, ends + (swapEnds ? 3 * (w - 1) : 0), 3);
    std::memcpy(out + 3 * (w + 1), ends + (swapEnds ? 0 : 3 * (w - 1)), 3);
}

// Output bytes [begin, end) of one row from three bordered rows: output byte
// i sits over bordered byte i + 3.
template <int K>
inline void ConvolveRowBody(const uint8_t* __restrict t0, const uint8_t* __restrict t1, const uint8_t* __restrict t2,
    uint8_t* __restrict out, size_t begin, size_t end)
{
    constexpr ConvolveKernel k = ConvolveKernels[K];
    for (size_t i = begin; i < end; ++i) {
        int sum = k.weights[0][0] * t0[i] + k.weights[0][1] * t0[i + 3] + k.weights[0][2] * t0[i + 6]
            + k.weights[1][0] * t1[i] + k.weights[1][1] * t1[i + 3] + k.weights[1][2] * t1[i + 6]
            + k.weights[2][0] * t2[i] + k.weights[2][1] * t2[i + 3] + k.weights[2][2] * t2[i + 6];
        out[i] = ClampByte(sum / k.divisor);
    }
}

PELMORA_VECTOR_CLONES void ConvolveRow(
    int kernel, const uint8_t* t0, const uint8_t* t1, const uint8_t* t2, uint8_t* out, size_t begin, size_t end)
{
    switch (kernel) {
    case 0: ConvolveRowBody<0>(t0, t1, t2, out, begin, end); break;
    case 1: ConvolveRowBody<1>(t0, t1, t2, out, begin, end); break;
    case 2: ConvolveRowBody<2>(t0, t1, t2, out, begin, end); break;
    case 3: ConvolveRowBody<3>(t0, t1, t2, out, begin, end); break;
    case 4: ConvolveRowBody<4>(t0, t1, t2, out, begin, end); break;
    case 5: ConvolveRowBody<5>(t0, t1, t2, out, begin, end); break;
    case 6: ConvolveRowBody<6>(t0, t1, t2, out, begin, end); break;
    case 7: ConvolveRowBody<7>(t0, t1, t2, out, begin, end); break;
    case 8: ConvolveRowBody<8>(t0, t1, t2, out, begin, end); break;
    default: break;
    }
}

// ---- Emboss ----

// d is s itself or a row of another bitmap.
PELMORA_VECTOR_CLONES void EmbossRow(const uint8_t* s, const uint8_t* __restrict below, uint8_t* d, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        d[i] = uint8_t((s[i] + (255 - below[i])) >> 1);
}

} // namespace

namespace {

// Sharpen's weights for an amount, and whether their sums fit 32 bits.
struct SharpenWeights {
    int64_t weight, meanWeight;
    bool narrow;
};

SharpenWeights SharpenWeightsOf(double amount)
{
    // Far beyond any amount that changes a result; keeps the weights finite.
    const double x = std::clamp(std::isnan(amount) ? 1.0 : amount, -1e9, 1e9);
    const auto meanAmount = float((x - 1) / 5);
    const auto weight = int64_t(RoundHalfEven(x * 65536));
    const auto meanWeight = int64_t(RoundHalfEven(double(meanAmount) * 65536));
    // 32-bit sums while c x weight and s x meanWeight (s up to 5 x 255) fit.
    const bool narrow = std::abs(weight) * 255 + 32767 <= INT32_MAX && std::abs(meanWeight) * 1275 + 32767 <= INT32_MAX;
    return {weight, meanWeight, narrow};
}

void SharpenRow(const SharpenWeights& k, const uint8_t* up, const uint8_t* mid, const uint8_t* down, uint8_t* out,
    size_t n)
{
    if (k.narrow)
        SharpenRow32(up, mid, down, out, n, int32_t(k.weight), int32_t(k.meanWeight));
    else
        SharpenRow64(up, mid, down, out, n, k.weight, k.meanWeight);
}

} // namespace

void Sharpen(Bitmap& picture, double amount)
{
    ToRgb24(picture);
    const int w = picture.Width(), h = picture.Height();
    if (w < 3 || h < 3)
        return;
    const SharpenWeights k = SharpenWeightsOf(amount);
    // Each result row is written over its source row: the rows above and at
    // it are read from copies taken before they changed.
    const size_t n = PixelBytes(picture);
    std::vector<uint8_t> buffer(2 * n);
    uint8_t* above = buffer.data();
    uint8_t* middle = above + n;
    std::memcpy(above, picture.ScanLine(0), n);
    std::memcpy(middle, picture.ScanLine(1), n);
    for (int y = 1; y + 1 < h; ++y) {
        const uint8_t* below = picture.ScanLine(y + 1);
        SharpenRow(k, above, middle, below, picture.ScanLine(y), n);
        std::swap(above, middle);
        std::memcpy(middle, below, n);
    }
}

void Sharpen(const Bitmap& source, Bitmap& target, double amount)
{
    if (&source == &target)
        return Sharpen(target, amount);
    Bitmap holder;
    const Bitmap& s = Rgb24SourceAndTarget(source, holder, target);
    const int w = s.Width(), h = s.Height();
    const SharpenWeights k = SharpenWeightsOf(amount);
    const size_t n = PixelBytes(s);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = s.ScanLine(y);
        uint8_t* out = target.ScanLine(y);
        // The outermost rows and columns stay as they are.
        if (w < 3 || h < 3 || y == 0 || y == h - 1) {
            std::memcpy(out, row, n);
            continue;
        }
        std::memcpy(out, row, 3);
        std::memcpy(out + n - 3, row + n - 3, 3);
        SharpenRow(k, s.ScanLine(y - 1), row, s.ScanLine(y + 1), out, n);
    }
}

Bitmap BorderedCopy(const Bitmap& picture, EdgeMode mode)
{
    Bitmap holder;
    const Bitmap& b = Rgb24View(picture, holder);
    Bitmap t;
    if (b.IsEmpty())
        return t;
    t.Allocate(PixelFormat::Rgb24, b.Width() + 2, b.Height() + 2);
    for (int ty = 0; ty < t.Height(); ++ty)
        BorderedRow(b, mode, ty, t.ScanLine(ty));
    return t;
}

namespace {

// Convolve from an Rgb24 source into an Rgb24 target of its size, which may
// be the source itself: the rows a result row needs are fetched before it is
// written.
void ConvolveRows(const Bitmap& source, Bitmap& target, int kernel, int edgeMode)
{
    const bool copy = &source != &target;
    const int w = source.Width(), h = source.Height();
    const size_t n = PixelBytes(source);
    const bool keepBorder = edgeMode == int(EdgeMode::KeepBorder);
    if (edgeMode < 0 || edgeMode > 2 || source.IsEmpty() || (keepBorder && (w < 3 || h < 3))) {
        for (int y = 0; copy && y < h; ++y)
            std::memcpy(target.ScanLine(y), source.ScanLine(y), n);
        return;
    }
    // The bordered copy three rows at a time: each result row needs the
    // unchanged rows above and below it. The border mode's frame is never
    // read, so it borrows the replicated one.
    const EdgeMode frame = edgeMode == int(EdgeMode::WrapAround) ? EdgeMode::WrapAround : EdgeMode::Replicate;
    const size_t rowBytes = size_t(w + 2) * 3;
    std::vector<uint8_t> buffer(rowBytes * 4);
    uint8_t* above = buffer.data();
    uint8_t* middle = above + rowBytes;
    uint8_t* below = middle + rowBytes;
    uint8_t* bottomFrame = below + rowBytes;
    BorderedRow(source, frame, 0, above);
    BorderedRow(source, frame, 1, middle);
    // Taken now: with wrap-around it is row 0, which is rewritten first.
    BorderedRow(source, frame, h + 1, bottomFrame);
    for (int y = 0; y < h; ++y) {
        const uint8_t* next = bottomFrame;
        if (y + 1 < h) {
            BorderedRow(source, frame, y + 2, below);
            next = below;
        }
        uint8_t* out = target.ScanLine(y);
        // The border mode leaves the outermost pixels as they were.
        if (copy && keepBorder)
            std::memcpy(out, source.ScanLine(y), n);
        if (!keepBorder)
            ConvolveRow(kernel, above, middle, next, out, 0, n);
        else if (y >= 1 && y + 1 < h)
            ConvolveRow(kernel, above, middle, next, out, 3, n - 3);
        std::swap(above, middle);
        std::swap(middle, below);
    }
}

// One emboss step from the rows of `from` into those of `to`: the same
// bitmap, or another of its size.
void EmbossRows(const Bitmap& from, Bitmap& to)
{
    const int w = from.Width(), h = from.Height();
    // Each pixel but the last three of a row with a row below is mixed with
    // the pixel three further on in that row below; the others stay.
    const size_t embossed = w >= 4 && h >= 2 ? size_t(w - 3) : 0;
    ResultRows out(from, to, RowWork::Light);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = from.ScanLine(y);
        const uint8_t* below = y + 1 < h ? from.ScanLine(y + 1) + 9 : nullptr;
        out.Write(to.ScanLine(y), size_t(w), [&](size_t x, size_t count, uint8_t* d) {
            const size_t changed = below ? std::min(count, embossed - std::min(embossed, x)) : 0;
            if (changed)
                EmbossRow(row + 3 * x, below + 3 * x, d, 3 * changed);
            if (d != row + 3 * x)
                std::memcpy(d + 3 * changed, row + 3 * (x + changed), 3 * (count - changed));
        });
    }
}

} // namespace

void Convolve(Bitmap& picture, int kernel, int edgeMode)
{
    if (kernel < 0 || kernel >= kConvolveKernelCount)
        return;
    ToRgb24(picture);
    ConvolveRows(picture, picture, kernel, edgeMode);
}

void Convolve(const Bitmap& source, Bitmap& target, int kernel, int edgeMode)
{
    if (&source == &target)
        return Convolve(target, kernel, edgeMode);
    if (kernel < 0 || kernel >= kConvolveKernelCount) {
        target.Assign(source);
        return;
    }
    Bitmap holder;
    const Bitmap& s = Rgb24SourceAndTarget(source, holder, target);
    ConvolveRows(s, target, kernel, edgeMode);
}

void Emboss(Bitmap& bitmap)
{
    ToRgb24(bitmap);
    EmbossRows(bitmap, bitmap);
}

void Emboss(const Bitmap& source, Bitmap& target)
{
    if (&source == &target)
        return Emboss(target);
    Bitmap holder;
    const Bitmap& s = Rgb24SourceAndTarget(source, holder, target);
    EmbossRows(s, target);
}

} // namespace pelmora
