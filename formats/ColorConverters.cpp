#include "ColorConverters.h"

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

// Calls convert(sourceFor(channel, pixel)...) for every pixel, typed by the sample size.
template <int Channels, bool Planar, class Pixel>
void ForEachPixel(const void* const* sources, int bitsPerSample, size_t count, Pixel pixel)
{
    size_t pixels = count / Channels;
    auto run = [&]<class Sample>(Sample*) {
        const Sample* plane[Channels];
        for (int c = 0; c < Channels; ++c)
            plane[c] = static_cast<const Sample*>(Planar ? sources[c] : sources[0]);
        for (size_t i = 0; i < pixels; ++i) {
            unsigned v[Channels];
            for (int c = 0; c < Channels; ++c)
                v[c] = Planar ? plane[c][i] : plane[0][i * Channels + c];
            pixel(i, v);
        }
    };
    if (bitsPerSample == 8)
        run(static_cast<uint8_t*>(nullptr));
    else if (bitsPerSample == 16)
        run(static_cast<uint16_t*>(nullptr));
}

template <bool Planar> void RGB(const void* const* sources, uint8_t* target, int bits, size_t count)
{
    if (!Planar && bits == 8) {
        // The common case, a plain byte swap the compiler can keep in registers.
        const auto* source = static_cast<const uint8_t*>(sources[0]);
        for (size_t i = 0, n = count / 3 * 3; i < n; i += 3) {
            uint8_t red = source[i], green = source[i + 1], blue = source[i + 2];
            target[i] = blue;
            target[i + 1] = green;
            target[i + 2] = red;
        }
        return;
    }
    int shift = bits == 16 ? 8 : 0;
    ForEachPixel<3, Planar>(sources, bits, count, [&](size_t i, const unsigned* v) {
        target[i * 3] = uint8_t(v[2] >> shift);
        target[i * 3 + 1] = uint8_t(v[1] >> shift);
        target[i * 3 + 2] = uint8_t(v[0] >> shift);
    });
}

template <bool Planar> void RGBA(const void* const* sources, uint8_t* target, int bits, size_t count)
{
    int shift = bits == 16 ? 8 : 0;
    ForEachPixel<4, Planar>(sources, bits, count, [&](size_t i, const unsigned* v) {
        target[i * 4] = uint8_t(v[2] >> shift);
        target[i * 4 + 1] = uint8_t(v[1] >> shift);
        target[i * 4 + 2] = uint8_t(v[0] >> shift);
        target[i * 4 + 3] = uint8_t(v[3] >> shift);
    });
}

template <bool Planar> void CMYK(const void* const* sources, uint8_t* target, int bits, size_t count)
{
    ForEachPixel<4, Planar>(sources, bits, count, [&](size_t i, const unsigned* v) {
        uint8_t rgb[3];
        CMYKToRGB(v[0], v[1], v[2], v[3], bits == 16, rgb);
        target[i * 3] = rgb[2];
        target[i * 3 + 1] = rgb[1];
        target[i * 3 + 2] = rgb[0];
    });
}

template <bool Planar> void Lab(const void* const* sources, uint8_t* target, int bits, size_t count)
{
    if (bits != 8)
        return;
    ForEachPixel<3, Planar>(sources, bits, count, [&](size_t i, const unsigned* v) {
        int a = Planar ? int(v[1]) - 128 : int(int8_t(uint8_t(v[1])));
        int b = Planar ? int(v[2]) - 128 : int(int8_t(uint8_t(v[2])));
        uint8_t rgb[3];
        CIELabToRGB(v[0], a, b, rgb);
        target[i * 3] = rgb[2];
        target[i * 3 + 1] = rgb[1];
        target[i * 3 + 2] = rgb[0];
    });
}

uint8_t ClampToByte(long v)
{
    return uint8_t(std::clamp<long>(v, 0, 255));
}

long MulDiv(long a, long b, long c)
{
    return (a * b + c / 2) / c;
}

uint8_t RoundToByte(double v)
{
    return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0));
}

} // namespace

void CMYKToRGB(unsigned c, unsigned m, unsigned y, unsigned k, bool sixteen, uint8_t rgb[3])
{
    auto channel = [&](long s) {
        if (sixteen)
            return ClampToByte(255 - ((s + long(k) - MulDiv(s, long(k), 65535)) >> 8));
        return ClampToByte(255 - s - long(k) + MulDiv(s, long(k), 255));
    };
    rgb[0] = channel(long(c));
    rgb[1] = channel(long(m));
    rgb[2] = channel(long(y));
}

void CIELabToRGB(unsigned l, int a, int b, uint8_t rgb[3])
{
    double L = l / 2.55, X, Y, Z;
    if (L < 7.9996) {
        Y = L / 903.3;
        X = Y + a / 3893.5;
        Z = Y - b / 1557.4;
    } else {
        double fy = (L + 16) / 116;
        X = std::pow(fy + a / 500.0, 3);
        Y = fy * fy * fy;
        Z = std::pow(fy - b / 200.0, 3);
    }
    rgb[0] = RoundToByte((2.998 * X - 1.458 * Y - 0.541 * Z) * 255);
    rgb[1] = RoundToByte((-0.952 * X + 1.893 * Y + 0.059 * Z) * 255);
    rgb[2] = RoundToByte((0.099 * X - 0.198 * Y + 1.099 * Z) * 255);
}

void RGBToBGR(const void* const* s, uint8_t* t, int bits, size_t count)
{
    RGB<false>(s, t, bits, count);
}
void RGBToBGRPlanar(const void* const* s, uint8_t* t, int bits, size_t count)
{
    RGB<true>(s, t, bits, count);
}
void RGBAToBGRA(const void* const* s, uint8_t* t, int bits, size_t count)
{
    RGBA<false>(s, t, bits, count);
}
void RGBAToBGRAPlanar(const void* const* s, uint8_t* t, int bits, size_t count)
{
    RGBA<true>(s, t, bits, count);
}
void CMYKToBGR(const void* const* s, uint8_t* t, int bits, size_t count)
{
    CMYK<false>(s, t, bits, count);
}
void CMYKToBGRPlanar(const void* const* s, uint8_t* t, int bits, size_t count)
{
    CMYK<true>(s, t, bits, count);
}
void CIELabToBGR(const void* const* s, uint8_t* t, int bits, size_t count)
{
    Lab<false>(s, t, bits, count);
}
void CIELabToBGRPlanar(const void* const* s, uint8_t* t, int bits, size_t count)
{
    Lab<true>(s, t, bits, count);
}

} // namespace pelmora
