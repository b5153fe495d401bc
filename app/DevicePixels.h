// Sizes on a high-density screen: a picture is laid out in device pixels, so
// at a device pixel ratio of 2 one picture pixel is one device pixel, and the
// widget that shows it is half as large in the screen's own units.
#pragma once

#include <QSize>
#include <QtMath>

namespace pelmora {

// A size in the screen's units as device pixels.
inline QSize DeviceSize(QSize size, qreal ratio)
{
    return QSize(qFloor(size.width() * ratio), qFloor(size.height() * ratio));
}

// The size in the screen's units that holds `pixels` device pixels (rounded up: the last one shows whole).
inline QSize UnitsFor(QSize pixels, qreal ratio)
{
    return QSize(qCeil(pixels.width() / ratio), qCeil(pixels.height() / ratio));
}

} // namespace pelmora
