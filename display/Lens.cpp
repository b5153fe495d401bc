#include "Lens.h"

#include "effects/PixelConventions.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pelmora {

namespace {

// `source` with every pixel made a factor x factor block: whole pixels, no smoothing.
QImage Replicated(const QImage& source, int factor)
{
    QImage pixels = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage result(pixels.width() * factor, pixels.height() * factor, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        auto* first = reinterpret_cast<QRgb*>(result.scanLine(y * factor));
        for (int x = 0; x < pixels.width(); ++x)
            std::fill_n(first + x * factor, factor, in[x]);
        for (int copy = 1; copy < factor; ++copy)
            std::memcpy(result.scanLine(y * factor + copy), first, size_t(pixels.width()) * factor * sizeof(QRgb));
    }
    return result;
}

int FrameWidth(qreal devicePixelRatio)
{
    return std::max(1, int(std::lround(devicePixelRatio)));
}

} // namespace

int LensHalfSide(int size, int factor)
{
    return int(RoundHalfEven(double(size) / factor));
}

int Lens::SourceHalf(qreal devicePixelRatio) const
{
    return std::max(1, int(std::lround(half * devicePixelRatio)));
}

QPoint Lens::DeviceCentre(qreal devicePixelRatio) const
{
    return QPoint(int(std::lround(centre.x() * devicePixelRatio)), int(std::lround(centre.y() * devicePixelRatio)));
}

QRect Lens::DeviceSquare(qreal devicePixelRatio) const
{
    int side = SourceHalf(devicePixelRatio) * factor;
    QPoint at = DeviceCentre(devicePixelRatio);
    return QRect(at.x() - side, at.y() - side, 2 * side, 2 * side);
}

QRect Lens::Bounds(qreal devicePixelRatio) const
{
    int frame = FrameWidth(devicePixelRatio);
    QRectF device = DeviceSquare(devicePixelRatio).adjusted(-frame, -frame, frame, frame);
    return QRectF(device.topLeft() / devicePixelRatio, device.size() / devicePixelRatio).toAlignedRect();
}

void Lens::Paint(QPainter& painter, const QImage& shown) const
{
    qreal ratio = painter.device()->devicePixelRatioF();
    QRect square = DeviceSquare(ratio);
    int frame = FrameWidth(ratio);
    painter.save();
    // In device pixels, so that a picture pixel is whole blocks at any ratio.
    painter.scale(1 / ratio, 1 / ratio);
    painter.fillRect(square.adjusted(-frame, -frame, frame, frame), Qt::red);
    // Where the source square leaves the picture the black ground shows.
    painter.fillRect(square, Qt::black);
    int sourceHalf = SourceHalf(ratio);
    // The picture is shown one pixel a device pixel: its pixels are counted from the device centre.
    QPoint at = DeviceCentre(ratio);
    QRect source(at.x() - sourceHalf, at.y() - sourceHalf, 2 * sourceHalf, 2 * sourceHalf);
    QRect inside = source.intersected(shown.rect());
    if (!inside.isEmpty())
        painter.drawImage(
            square.topLeft() + (inside.topLeft() - source.topLeft()) * factor, Replicated(shown.copy(inside), factor));
    painter.restore();
}

} // namespace pelmora
