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

// Where source line i of `from` lines falls among `to`: the first target line
// it covers and its share of it (the rest goes to the next one), each share
// divided by the source lines a target line covers.
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

// The source columns a target column covers: the whole ones between `first`
// and `last`, and the parts of those two, each weight divided by the columns
// it covers. Summing a column's whole pixels as integers keeps the inner loop
// free of a store to the same sum at every pixel.
struct Span {
    int first, last;
    float firstWeight, lastWeight, wholeWeight;
};

std::vector<Span> Spans(int from, int to)
{
    const double scale = double(from) / to;
    std::vector<Span> spans(to);
    for (int c = 0; c < to; ++c) {
        const double begin = c * scale, end = c + 1 < to ? (c + 1) * scale : from;
        const int first = std::min(int(begin), from - 1);
        const int last = std::clamp(int(std::ceil(end)) - 1, first, from - 1);
        const double firstPart = std::min(first + 1.0, end) - begin;
        const double lastPart = last > first ? end - last : 0.0;
        spans[c] = {first, last, float(firstPart / scale), float(lastPart / scale), float(1 / scale)};
    }
    return spans;
}

struct Channels {
    unsigned red, green, blue, alpha;
};

// One source row's share of every target column, into `line` (four floats a
// column); `read` gives the premultiplied channels of the pixel at a byte.
template <int kBytes, typename Read>
void AddColumns(const uchar* row, const std::vector<Span>& columns, std::vector<float>& line, Read read)
{
    for (size_t c = 0; c < columns.size(); ++c) {
        const Span& span = columns[c];
        Channels whole {0, 0, 0, 0};
        for (int x = span.first + 1; x < span.last; ++x) {
            const Channels p = read(row + x * kBytes);
            whole.red += p.red;
            whole.green += p.green;
            whole.blue += p.blue;
            whole.alpha += p.alpha;
        }
        const Channels first = read(row + span.first * kBytes), last = read(row + span.last * kBytes);
        float* out = &line[c * 4];
        out[0] = whole.red * span.wholeWeight + first.red * span.firstWeight + last.red * span.lastWeight;
        out[1] = whole.green * span.wholeWeight + first.green * span.firstWeight + last.green * span.lastWeight;
        out[2] = whole.blue * span.wholeWeight + first.blue * span.firstWeight + last.blue * span.lastWeight;
        out[3] = whole.alpha * span.wholeWeight + first.alpha * span.firstWeight + last.alpha * span.lastWeight;
    }
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
    const std::vector<Span> columns = Spans(image.width(), size.width());
    const std::vector<Share> lines = Shares(image.height(), size.height());
    // Sums of premultiplied channels, four a thumbnail pixel.
    std::vector<float> sums(size_t(size.width()) * size.height() * 4, 0.0f);
    std::vector<float> line(size_t(size.width()) * 4);
    const int band = std::max(1, 65536 / image.width());
    for (int y = 0; y < image.height(); y += band) {
        const int rows = std::min(band, image.height() - y);
        // The reduced decodes come as 24-bit rows, read as they are; any other
        // format is converted a band at a time.
        const bool direct = image.format() == format || image.format() == QImage::Format_BGR888
            || image.format() == QImage::Format_RGB888;
        const QImage converted = direct ? image : ConvertedRows(image, y, rows, format);
        for (int row = 0; row < rows; ++row) {
            const uchar* pixels = converted.constScanLine(direct ? y + row : row);
            if (image.format() == QImage::Format_BGR888)
                AddColumns<3>(pixels, columns, line, [](const uchar* p) { return Channels {p[2], p[1], p[0], 255u}; });
            else if (image.format() == QImage::Format_RGB888)
                AddColumns<3>(pixels, columns, line, [](const uchar* p) { return Channels {p[0], p[1], p[2], 255u}; });
            else
                AddColumns<4>(pixels, columns, line, [](const uchar* p) {
                    const QRgb rgb = *reinterpret_cast<const QRgb*>(p);
                    return Channels {unsigned(qRed(rgb)), unsigned(qGreen(rgb)), unsigned(qBlue(rgb)),
                        unsigned(qAlpha(rgb))};
                });
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
            auto channel = [](float v, int most) { return std::clamp(int(v + 0.5f), 0, most); };
            const int alpha = opaque ? 255 : channel(in[3], 255);
            // Premultiplied: no channel above the alpha, whatever the rounding.
            out[x] = qRgba(channel(in[0], alpha), channel(in[1], alpha), channel(in[2], alpha), alpha);
        }
    }
    return shrunk;
}

} // namespace pelmora
