#include "BitmapImage.h"

#include <QPainter>

namespace pelmora {

namespace {

// The full table of an indexed format: an index past the palette shows its last entry.
QList<QRgb> ColorTable(const Bitmap& bitmap, int entries)
{
    QList<QRgb> table(entries);
    for (int i = 0; i < entries; ++i) {
        PaletteEntry c = bitmap.PaletteColor(i);
        table[i] = qRgb(c.red, c.green, c.blue);
    }
    return table;
}

QImage WrapRows(const Bitmap& bitmap, QImage::Format format)
{
    return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), qsizetype(bitmap.BytesPerLine()), format);
}

} // namespace

QImage BitmapToImage(const Bitmap& bitmap)
{
    if (bitmap.IsEmpty() || !bitmap.Bits())
        return {};
    switch (StorageFormat(bitmap.GetPixelFormat())) {
    case PixelFormat::Rgb24: return WrapRows(bitmap, QImage::Format_BGR888);
    case PixelFormat::Rgb32: return WrapRows(bitmap, bitmap.HasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    case PixelFormat::Rgb15: return WrapRows(bitmap, QImage::Format_RGB555);
    case PixelFormat::Rgb16: return WrapRows(bitmap, QImage::Format_RGB16);
    case PixelFormat::Indexed8: {
        QImage image = WrapRows(bitmap, QImage::Format_Indexed8);
        image.setColorTable(ColorTable(bitmap, 256));
        return image;
    }
    case PixelFormat::Indexed1: {
        QImage image = WrapRows(bitmap, QImage::Format_Mono);
        image.setColorTable(ColorTable(bitmap, 2));
        return image;
    }
    case PixelFormat::Indexed4: {
        // Qt has no 4-bit format: each pair of pixels in a byte becomes two bytes.
        QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_Indexed8);
        image.setColorTable(ColorTable(bitmap, 16));
        for (int y = 0; y < bitmap.Height(); ++y) {
            const uint8_t* from = bitmap.ScanLine(y);
            uchar* to = image.scanLine(y);
            for (int x = 0; x < bitmap.Width(); ++x)
                to[x] = x % 2 ? from[x / 2] & 0x0F : from[x / 2] >> 4;
        }
        return image;
    }
    default: return {};
    }
}

QImage OverCheckerboard(const QImage& image)
{
    if (image.isNull() || !image.hasAlphaChannel())
        return image;
    constexpr int kSquare = 8;
    static const QImage tile = [] {
        QImage t(2 * kSquare, 2 * kSquare, QImage::Format_RGB32);
        t.fill(QColor(0xE0, 0xE0, 0xE0));
        QPainter p(&t);
        p.fillRect(kSquare, 0, kSquare, kSquare, QColor(0xA0, 0xA0, 0xA0));
        p.fillRect(0, kSquare, kSquare, kSquare, QColor(0xA0, 0xA0, 0xA0));
        return t;
    }();
    QImage shown(image.size(), QImage::Format_RGB32);
    QPainter p(&shown);
    p.fillRect(shown.rect(), QBrush(tile));
    p.drawImage(0, 0, image);
    return shown;
}

} // namespace pelmora
