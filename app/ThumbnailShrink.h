// Shrinking a picture to its thumbnail on the worker that made it, by the
// worker alone. Qt's own conversions and smooth scaling hand the rows of a
// large image to a thread pool they share with the interface thread's
// painting, which waits on that pool whenever it draws an image it has to
// convert: a worker's jobs queued there stalled the interface, and ran at its
// priority instead of the worker's.
#pragma once

#include <QImage>

namespace pelmora {

// `image` fitted into `side` x `side` (never enlarged) by averaging the area
// each thumbnail pixel covers, as ARGB32_Premultiplied when it has alpha and
// RGB32 otherwise: formats the raster painter copies without converting.
QImage ShrinkToThumbnail(const QImage& image, int side);

// `image` in that drawable format; converted on the calling thread.
QImage DrawableThumbnail(const QImage& image);

} // namespace pelmora
