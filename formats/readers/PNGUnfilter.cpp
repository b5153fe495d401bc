#include "PNGUnfilter.h"

#include "formats/Exception.h"

#include <cstdlib>
#include <vector>

namespace pelmora {

namespace {

enum Filter { kNone, kSub, kUp, kAverage, kPaeth };

// Where sample `c` of a pixel of `In` samples goes in the bitmap's pixel:
// red and blue change places.
template <int In> constexpr int To(int c)
{
    return In >= 3 && c < 3 ? 2 - c : c;
}

// Each output byte is its stored byte plus the prediction from the same
// sample of the pixel on its left, above it and above-left, all already
// unfiltered (the bitmap's previous row, in the bitmap's order, serves as
// the row above: the prediction works sample by sample, whatever their order).
template <int In, int Out, class Predict>
void UndoFilter(const uint8_t* raw, const uint8_t* above, uint8_t* out, int width, Predict predict)
{
    for (int c = 0; c < In; ++c) // the first pixel has nothing on its left
        out[To<In>(c)] = uint8_t(raw[c] + predict(0, above[To<In>(c)], 0));
    for (int x = 1; x < width; ++x) {
        const uint8_t* r = raw + x * In;
        const uint8_t* a = above + x * Out;
        uint8_t* o = out + x * Out;
        for (int c = 0; c < In; ++c)
            o[To<In>(c)] = uint8_t(r[c] + predict(o[To<In>(c) - Out], a[To<In>(c)], a[To<In>(c) - Out]));
    }
    if constexpr (Out > In)
        for (int x = 0; x < width; ++x)
            out[x * Out + 3] = 0xFF;
}

int Paeth(int left, int above, int aboveLeft)
{
    const int p = left + above - aboveLeft;
    const int toLeft = std::abs(p - left), toAbove = std::abs(p - above), toAboveLeft = std::abs(p - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft)
        return left;
    return toAbove <= toAboveLeft ? above : aboveLeft;
}

template <int In, int Out> void UnfilterRows(const uint8_t* rows, Bitmap& image, const char* invalid)
{
    const int width = image.Width();
    const size_t rowBytes = size_t(width) * In;
    const std::vector<uint8_t> none(size_t(width) * Out); // the row above the first
    const uint8_t* above = none.data();
    for (int y = 0; y < image.Height(); ++y) {
        const uint8_t* raw = rows + y * (rowBytes + 1);
        uint8_t* out = image.ScanLine(y);
        switch (raw[0]) {
        case kNone: UndoFilter<In, Out>(raw + 1, above, out, width, [](int, int, int) { return 0; }); break;
        case kSub: UndoFilter<In, Out>(raw + 1, above, out, width, [](int left, int, int) { return left; }); break;
        case kUp: UndoFilter<In, Out>(raw + 1, above, out, width, [](int, int up, int) { return up; }); break;
        case kAverage:
            UndoFilter<In, Out>(raw + 1, above, out, width, [](int left, int up, int) { return (left + up) >> 1; });
            break;
        case kPaeth:
            UndoFilter<In, Out>(
                raw + 1, above, out, width, [](int left, int up, int upLeft) { return Paeth(left, up, upLeft); });
            break;
        default: throw EInvalidGraphic(invalid);
        }
        above = out;
    }
}

} // namespace

void UnfilterPngRows(const uint8_t* rows, int samples, Bitmap& image, const char* invalid)
{
    const int out = image.GetPixelFormat() == PixelFormat::Rgb32 ? 4
        : image.GetPixelFormat() == PixelFormat::Rgb24           ? 3
                                                                 : 1;
    if (samples == 1 && out == 1)
        UnfilterRows<1, 1>(rows, image, invalid);
    else if (samples == 3 && out == 3)
        UnfilterRows<3, 3>(rows, image, invalid);
    else if (samples == 3 && out == 4)
        UnfilterRows<3, 4>(rows, image, invalid);
    else if (samples == 4 && out == 4)
        UnfilterRows<4, 4>(rows, image, invalid);
    else
        throw EInvalidOperation("No such PNG row layout");
}

} // namespace pelmora
