#include "PCDGraphic.h"

#include "formats/Exception.h"
#include "formats/Stream.h"

#include <array>
#include <cmath>
#include <cstring>

namespace pelmora {

namespace {

const char* const kWrongFormat = "PCD: wrong image format.";
const char* const kSizeNotSupported = "PCD: image size currently not supported";

constexpr int64_t kSignatureOffset = 2048;
constexpr char kSignature[7] = {'P', 'C', 'D', '_', 'I', 'P', 'I'};
static_assert(TPCDGraphic::kSignatureBytes == kSignatureOffset + sizeof kSignature);
constexpr int64_t kOrientationOffset = 194635;

struct Resolution {
    int width, height;
    int64_t dataStart;
};
constexpr Resolution kResolutions[] = {{192, 128, 8192}, {384, 256, 47104}, {768, 512, 196608}};
constexpr int kMaxWidth = 768;

// How the stored lines are turned upright; landscape packs need no turn.
enum Orientation { Landscape = 0, Portrait = 1, UpsideDown = 2, PortraitClockwise = 3 };

// Clamped without branches: inputs that differ only in how many pixels clip
// take the same path, and the fuzzers need not keep one of each.
uint8_t ToByte(double v)
{
    return uint8_t(std::fmin(std::fmax(std::nearbyint(v), 0.0), 255.0));
}

// Luma and the two chroma samples to blue, green, red.
void YccToBgr(int y, int c1, int c2, uint8_t* bgr)
{
    double luma = 1.3584 * y;
    bgr[2] = ToByte(luma + 1.8215 * (c2 - 137));
    bgr[1] = ToByte(luma - 0.9271435 * (c2 - 137) - 0.4302726 * (c1 - 156));
    bgr[0] = ToByte(luma + 2.2179 * (c1 - 156));
}

// One chroma line of a pair to full width for the pair's first line (`upper`)
// or its second, which lies between this pair's samples and the next pair's.
// Both lines carry one extra sample equal to their last.
void UpsampleChroma(const uint8_t* c, const uint8_t* f, bool upper, uint8_t* out, int width)
{
    for (int i = 0; i < width; i += 2) {
        int j = i / 2;
        if (upper) {
            out[i] = c[j];
            out[i + 1] = uint8_t((c[j] + c[j + 1]) / 2);
        } else {
            out[i] = uint8_t((c[j] + f[j]) / 2);
            out[i + 1] = uint8_t((c[j] + c[j + 1] + f[j] + f[j + 1]) / 4);
        }
    }
}

// Chroma 1 and chroma 2 of a pair of lines, each with its extra sample.
struct ChromaLines {
    std::array<uint8_t, kMaxWidth / 2 + 1> c1 {}, c2 {};

    void Read(Stream& stream, int width)
    {
        size_t half = size_t(width / 2);
        stream.ReadBuffer(c1.data(), half);
        stream.ReadBuffer(c2.data(), half);
        c1[half] = c1[half - 1];
        c2[half] = c2[half - 1];
    }
};

} // namespace

bool TPCDGraphic::HasSignature(std::span<const uint8_t> head)
{
    return head.size() >= kSignatureBytes
        && std::memcmp(head.data() + kSignatureOffset, kSignature, sizeof kSignature) == 0;
}

namespace {

// Where pixel i of line y of a w x h image lands in the turned bitmap: a
// start pixel and a step between pixels.
struct LinePlace {
    uint8_t* start;
    ptrdiff_t step;
};

LinePlace PlaceLine(Bitmap& image, int orientation, int y, int w, int h)
{
    switch (orientation) {
    case Landscape: return {image.ScanLine(y), 3};
    case Portrait: // a quarter turn counter-clockwise: line y is column y, read bottom up
        return {image.ScanLine(w - 1) + y * 3, -image.BytesPerLine()};
    case UpsideDown: // a half turn
        return {image.ScanLine(h - 1 - y) + (w - 1) * 3, -3};
    default: // a quarter turn clockwise: line y is column h - 1 - y, read top down
        return {image.ScanLine(0) + (h - 1 - y) * 3, image.BytesPerLine()};
    }
}

} // namespace

void TPCDGraphic::LoadFromStream(Stream& stream)
{
    Release();
    const int64_t base = stream.Position();
    char signature[sizeof kSignature];
    stream.SetPosition(base + kSignatureOffset);
    stream.ReadBuffer(signature, sizeof signature);
    if (std::memcmp(signature, kSignature, sizeof kSignature) != 0)
        throw Exception(kWrongFormat);
    stream.SetPosition(base + kOrientationOffset);
    const int orientation = stream.ReadByte() & 3;

    if (resolution_ < 0 || resolution_ > 2)
        throw Exception(kSizeNotSupported);
    const Resolution r = kResolutions[resolution_];
    const int w = r.width, h = r.height;
    // A pack cut short fails here, before a bitmap is made and half filled.
    if (stream.Size() - base < r.dataStart + int64_t(w) * 3 * (h / 2))
        throw EReadError();
    const bool portrait = orientation == Portrait || orientation == PortraitClockwise;
    Allocate(PixelFormat::Rgb24, portrait ? h : w, portrait ? w : h);

    std::array<uint8_t, kMaxWidth * 2> luma;
    ChromaLines chroma, following;
    std::array<uint8_t, kMaxWidth> full1, full2;
    const int pairs = h / 2;
    for (int p = 0; p < pairs; ++p) {
        stream.SetPosition(base + r.dataStart + int64_t(p) * 3 * w);
        stream.ReadBuffer(luma.data(), size_t(w) * 2);
        chroma.Read(stream, w);
        // The last pair has no following chroma: it takes its own.
        int next = p + 1 < pairs ? p + 1 : p;
        stream.SetPosition(base + r.dataStart + int64_t(w) * (3 * next + 2));
        following.Read(stream, w);

        for (int half = 0; half < 2; ++half) {
            const int y = p * 2 + half;
            const bool upper = half == 0;
            UpsampleChroma(chroma.c1.data(), following.c1.data(), upper, full1.data(), w);
            UpsampleChroma(chroma.c2.data(), following.c2.data(), upper, full2.data(), w);
            const uint8_t* lumaLine = luma.data() + size_t(half) * size_t(w);
            const LinePlace place = PlaceLine(*this, orientation, y, w, h);
            for (int i = 0; i < w; ++i)
                YccToBgr(lumaLine[i], full1[size_t(i)], full2[size_t(i)], place.start + i * place.step);
        }
    }
}

} // namespace pelmora
