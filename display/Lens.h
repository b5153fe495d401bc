// The magnifier's lens as the display window paints it over the picture
// shown: a square around a picture point in which every picture pixel is a
// block of factor x factor device pixels, framed in red. The picture itself
// is never changed by it.
#pragma once

#include <QPoint>
#include <QRect>

class QImage;
class QPainter;

namespace pelmora {

struct Lens {
    QPoint centre; // a point of the control, in the screen's units
    int factor = 3; // device pixels a picture pixel, each way
    int half = 33; // b: half the side of the source square in picture pixels, at a device pixel ratio of 1

    // What the lens covers with its frame, in the control's coordinates.
    QRect Bounds(qreal devicePixelRatio) const;
    // Paints the frame, the black ground and the magnified pixels of `shown`
    // (drawn one pixel a device pixel from the control's origin); a painter in
    // the control's coordinates.
    void Paint(QPainter& painter, const QImage& shown) const;

private:
    int SourceHalf(qreal devicePixelRatio) const;
    QPoint DeviceCentre(qreal devicePixelRatio) const;
    QRect DeviceSquare(qreal devicePixelRatio) const;
};

// Half the side of the source square for a lens `size` wide at `factor`:
// size / factor, halves rounded to the even neighbour.
int LensHalfSide(int size, int factor);

} // namespace pelmora
