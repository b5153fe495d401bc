// Small helpers the effect tests share: single pixels, solid pictures, copies.
#pragma once

#include "formats/Bitmap.h"

#include <cstdint>
#include <cstring>
#include <ostream>

namespace pelmora::test {

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
    friend bool operator==(const Bgr&, const Bgr&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Bgr& c)
    {
        return out << "(" << int(c.b) << ", " << int(c.g) << ", " << int(c.r) << ")";
    }
};

inline Bgr Grey(uint8_t v)
{
    return { v, v, v };
}

inline Bgr PixelAt(const Bitmap& bitmap, int x, int y)
{
    const uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    return { p[0], p[1], p[2] };
}

inline void SetPixel(Bitmap& bitmap, int x, int y, Bgr c)
{
    uint8_t* p = bitmap.ScanLine(y) + 3 * x;
    p[0] = c.b, p[1] = c.g, p[2] = c.r;
}

inline Bitmap Solid(int width, int height, Bgr c)
{
    Bitmap b(width, height, PixelFormat::Rgb24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(b, x, y, c);
    return b;
}

inline Bitmap CopyOf(const Bitmap& bitmap)
{
    Bitmap copy;
    copy.Assign(bitmap);
    return copy;
}

// Same format, size and pixel bytes (row padding not compared).
inline bool SamePixels(const Bitmap& a, const Bitmap& b)
{
    if (a.GetPixelFormat() != b.GetPixelFormat() || a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    const size_t n = size_t((int64_t(a.Width()) * BitsPerPixel(StorageFormat(a.GetPixelFormat())) + 7) / 8);
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), n) != 0)
            return false;
    return true;
}

} // namespace pelmora::test
