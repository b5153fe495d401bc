// Trace: black outlines along the colour boundaries of a 256-colour copy.
#include "NeighbourhoodFilters.h"

#include "PixelConventions.h"

#include <algorithm>
#include <array>

namespace pelmora {

namespace {

constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;
constexpr int kCubeSize = kCubeLevels * kCubeLevels * kCubeLevels;
constexpr int kGreyCount = 256 - kCubeSize;

int GreyValue(int k)
{
    return (2 * k * 255 + 41) / 82; // round(k x 255 / 41); never a half
}

// For every channel sum 0..765, the extra grey nearest to the mean (lower on ties).
const std::array<uint8_t, 766>& NearestGreyBySum()
{
    static const std::array<uint8_t, 766> table = [] {
        std::array<uint8_t, 766> t {};
        for (int sum = 0; sum <= 765; ++sum) {
            // Over a grey v, the squared distance is 3 v^2 - 2 v sum plus a constant.
            int best = 0;
            long bestKey = 0;
            for (int k = 0; k < kGreyCount; ++k) {
                long v = GreyValue(k + 1);
                long key = 3 * v * v - 2 * v * sum;
                if (k == 0 || key < bestKey)
                    best = k, bestKey = key;
            }
            t[size_t(sum)] = uint8_t(best);
        }
        return t;
    }();
    return table;
}

int Square(int v)
{
    return v * v;
}

} // namespace

const Palette& HalftonePalette()
{
    static const Palette palette = [] {
        Palette p;
        for (int r = 0; r < kCubeLevels; ++r)
            for (int g = 0; g < kCubeLevels; ++g)
                for (int b = 0; b < kCubeLevels; ++b)
                    p.push_back({ uint8_t(r * kCubeStep), uint8_t(g * kCubeStep), uint8_t(b * kCubeStep), 0 });
        for (int k = 1; k <= kGreyCount; ++k)
            p.push_back({ uint8_t(GreyValue(k)), uint8_t(GreyValue(k)), uint8_t(GreyValue(k)), 0 });
        return p;
    }();
    return palette;
}

int NearestHalftoneIndex(uint8_t blue, uint8_t green, uint8_t red)
{
    // The cube's nearest entry is each channel's nearest level (51 is odd, so
    // a channel is never half-way); the extra greys are compared after it, so
    // a tie keeps the cube's lower index.
    const int rl = (red + 25) / kCubeStep, gl = (green + 25) / kCubeStep, bl = (blue + 25) / kCubeStep;
    const int cubeDistance
        = Square(red - rl * kCubeStep) + Square(green - gl * kCubeStep) + Square(blue - bl * kCubeStep);
    const int grey = NearestGreyBySum()[size_t(red + green + blue)];
    const int v = GreyValue(grey + 1);
    const int greyDistance = Square(red - v) + Square(green - v) + Square(blue - v);
    if (greyDistance < cubeDistance)
        return kCubeSize + grey;
    return (rl * kCubeLevels + gl) * kCubeLevels + bl;
}

Bitmap QuantizedCopy(const Bitmap& picture)
{
    Bitmap holder;
    const Bitmap& source = Rgb24View(picture, holder);
    Bitmap q;
    q.Allocate(PixelFormat::Indexed8, source.Width(), source.Height());
    q.SetPalette(HalftonePalette());
    for (int y = 0; y < source.Height(); ++y) {
        const uint8_t* s = source.ScanLine(y);
        uint8_t* d = q.ScanLine(y);
        for (int x = 0; x < source.Width(); ++x, s += 3)
            d[x] = uint8_t(NearestHalftoneIndex(s[0], s[1], s[2]));
    }
    return q;
}

void Trace(Bitmap& bitmap, int passes)
{
    ToRgb24(bitmap);
    const int w = bitmap.Width(), h = bitmap.Height();
    // One column has no horizontal neighbour to sweep to: left unchanged.
    if (h < 2 || w < 2 || passes < 1)
        return;
    const Bitmap q = QuantizedCopy(bitmap);
    const std::vector<uint8_t*> rows = RowPointers(bitmap);
    auto index = [&q](int x, int y) { return q.ScanLine(y)[x]; };
    auto blacken = [&rows](int x, int y) {
        uint8_t* p = rows[size_t(y)] + 3 * x;
        p[0] = p[1] = p[2] = 0;
    };
    bool found = false;
    int mark = 0;
    auto boundaryTest = [&](int cx, int cy, int dx, int dy) {
        const int qc = index(cx, cy), qd = index(dx, dy);
        if (qc == qd)
            return;
        if (!found) {
            mark = qd;
            found = true;
            blacken(cx, cy);
        } else if (qc != mark) {
            blacken(cx, cy);
        } else {
            blacken(dx, dy);
        }
    };
    // The copy, found and mark stay fixed after the first boundary, so a third
    // and later pass would repeat the second one's writes.
    const int effectivePasses = passes < 2 ? passes : 2;
    const int forwardLast = std::max(w - 3, 0), backwardLast = std::min(2, w - 1);
    for (int pass = 1; pass <= effectivePasses; ++pass) {
        for (int y = 0; y <= h - 2; ++y)
            for (int x = 0; x <= forwardLast; ++x) {
                boundaryTest(x, y, x + 1, y);
                boundaryTest(x, y, x, y + 1);
            }
        if (pass < 2)
            continue;
        for (int y = h - 1; y >= 1; --y)
            for (int x = w - 1; x >= backwardLast; --x) {
                boundaryTest(x, y, x - 1, y);
                boundaryTest(x, y, x, y - 1);
            }
    }
}

} // namespace pelmora
