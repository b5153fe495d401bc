#include "PixelConventions.h"

namespace pelmora {

void ToRgb24(Bitmap& bitmap)
{
    if (bitmap.GetPixelFormat() != PixelFormat::Rgb24)
        bitmap.SetPixelFormat(PixelFormat::Rgb24);
}

const Bitmap& Rgb24View(const Bitmap& source, Bitmap& holder)
{
    if (source.GetPixelFormat() == PixelFormat::Rgb24)
        return source;
    holder.Assign(source);
    ToRgb24(holder);
    return holder;
}

void PrepareRgb24Target(const Bitmap& source, Bitmap& target)
{
    if (target.GetPixelFormat() != PixelFormat::Rgb24 || target.Width() != source.Width()
        || target.Height() != source.Height())
        target.Allocate(PixelFormat::Rgb24, source.Width(), source.Height(), PixelFill::Overwritten);
}

const Bitmap& Rgb24SourceAndTarget(const Bitmap& source, Bitmap& holder, Bitmap& target)
{
    const Bitmap& s = Rgb24View(source, holder);
    PrepareRgb24Target(s, target);
    return s;
}

std::vector<uint8_t*> RowPointers(Bitmap& bitmap)
{
    std::vector<uint8_t*> rows(size_t(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y)
        rows[size_t(y)] = bitmap.ScanLine(y);
    return rows;
}

std::vector<const uint8_t*> RowPointers(const Bitmap& bitmap)
{
    std::vector<const uint8_t*> rows(size_t(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y)
        rows[size_t(y)] = bitmap.ScanLine(y);
    return rows;
}

} // namespace pelmora
