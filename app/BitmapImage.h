// A Bitmap seen as a QImage at the moment it is shown. Where the rows already
// have a layout Qt draws, the image wraps them without a copy; the Bitmap
// must then outlive the image (and stay unchanged while the image is used).
#pragma once

#include "formats/Bitmap.h"

#include <QImage>

namespace pelmora {

// Rgb24, Rgb32, Rgb15, Rgb16, Indexed8 and Indexed1 are wrapped; Indexed4 is
// expanded into an image of its own. Device and Custom bitmaps have Rgb24
// rows. An empty bitmap gives a null image.
// An Rgb32 bitmap with alpha (Bitmap::HasAlpha) gives an ARGB32 image.
QImage BitmapToImage(const Bitmap& bitmap);

// What the windows show of a picture with alpha: the image composited over
// a light and dark checkerboard of 8-pixel squares, so that transparent and
// soft edges show as such. An image without alpha comes back as it is.
QImage OverCheckerboard(const QImage& image);

} // namespace pelmora
