#include "ThumbnailShrink.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pelmora {

namespace {

QImage::Format DrawableFormat(const QImage& image)
{
    return image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
}

// Rows [first, first + count) of `image` converted to `format`. Qt converts an
// image of fewer than 2^17 pixels on the calling thread, so bands of at most
// 2^16 pixels never reach its shared pool.
QImage ConvertedRows(const QImage& image, int first, int count, QImage::Format format)
{
    QImage rows(image.constScanLine(first), image.width(), count, image.bytesPerLine(), image.format());
    rows.setColorTable(image.colorTable());
    return rows.convertToFormat(format);
}

// Where source pixel i of a line of `from` pixels falls in a line of `to`:
// the first target pixel it covers and its share of it (the rest goes to the
// next one), each share divided by the source pixels a target pixel covers.
struct Share {
    int at;
    float first, second;
};

std::vector<Share> Shares(int from, int to)
{
    const double scale = double(from) / to;
    std::vector<Share> shares(from);
    for (int i = 0; i < from; ++i) {
        int at = std::min(int(i / scale), to - 1);
        double boundary = (at + 1) * scale;
        double inFirst = at + 1 < to ? std::clamp(boundary - i, 0.0, 1.0) : 1.0;
        shares[i] = {at, float(inFirst / scale), float((1 - inFirst) / scale)};
    }
    return shares;
}

} // namespace

QImage DrawableThumbnail(const QImage& image)
{
    if (image.isNull())
        return image;
    const QImage::Format format = DrawableFormat(image);
    if (image.format() == format)
        return image;
    QImage drawable(image.size(), format);
    const int band = std::max(1, 65536 / image.width());
    for (int y = 0; y < image.height(); y += band) {
        const int rows = std::min(band, image.height() - y);
        QImage converted = ConvertedRows(image, y, rows, format);
        for (int row = 0; row < rows; ++row)
            std::copy_n(converted.constScanLine(row), converted.bytesPerLine(), drawable.scanLine(y + row));
    }
    drawable.setDotsPerMeterX(image.dotsPerMeterX());
    drawable.setDotsPerMeterY(image.dotsPerMeterY());
    for (const QString& key : image.textKeys())
        drawable.setText(key, image.text(key));
    return drawable;
}

QImage ShrinkToThumbnail(const QImage& image, int side)
{
    if (image.isNull() || side < 1)
        return {};
    if (image.width() <= side && image.height() <= side)
        return DrawableThumbnail(image).copy(); // its own pixels, whatever `image` wraps
    const QImage::Format format = DrawableFormat(image);
    const QSize size = image.size().scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const std::vector<Share> columns = Shares(image.width(), size.width());
    const std::vector<Share> lines = Shares(image.height(), size.height());
    // Sums of premultiplied channels, four a thumbnail pixel.
    std::vector<float> sums(size_t(size.width()) * size.height() * 4, 0.0f);
    std::vector<float> line(size_t(size.width()) * 4);
    const int band = std::max(1, 65536 / image.width());
    for (int y = 0; y < image.height(); y += band) {
        const int rows = std::min(band, image.height() - y);
        const QImage converted = image.format() == format ? image : ConvertedRows(image, y, rows, format);
        for (int row = 0; row < rows; ++row) {
            const auto* pixels
                = reinterpret_cast<const QRgb*>(converted.constScanLine(image.format() == format ? y + row : row));
            std::fill(line.begin(), line.end(), 0.0f);
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = pixels[x];
                const float channels[4] = {float(qRed(p)), float(qGreen(p)), float(qBlue(p)), float(qAlpha(p))};
                const Share& s = columns[x];
                float* first = &line[size_t(s.at) * 4];
                for (int c = 0; c < 4; ++c)
                    first[c] += channels[c] * s.first;
                if (s.second > 0)
                    for (int c = 0; c < 4; ++c)
                        first[4 + c] += channels[c] * s.second;
            }
            const Share& s = lines[y + row];
            float* first = &sums[size_t(s.at) * size.width() * 4];
            for (size_t i = 0; i < line.size(); ++i)
                first[i] += line[i] * s.first;
            if (s.second > 0)
                for (size_t i = 0; i < line.size(); ++i)
                    first[line.size() + i] += line[i] * s.second;
        }
    }
    QImage shrunk(size, format);
    const bool opaque = format == QImage::Format_RGB32;
    for (int y = 0; y < size.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(shrunk.scanLine(y));
        const float* in = &sums[size_t(y) * size.width() * 4];
        for (int x = 0; x < size.width(); ++x, in += 4) {
            auto channel = [](float v, int most) { return std::clamp(int(std::lround(v)), 0, most); };
            const int alpha = opaque ? 255 : channel(in[3], 255);
            // Premultiplied: no channel above the alpha, whatever the rounding.
            out[x] = qRgba(channel(in[0], alpha), channel(in[1], alpha), channel(in[2], alpha), alpha);
        }
    }
    return shrunk;
}

} // namespace pelmora
