// Thumbnails shrunk on the worker: fitted into the square, never enlarged,
// area-averaged across the bands they are converted in, and handed over in
// a format the painter copies as it is.
#include "app/ThumbnailShrink.h"

#include <gtest/gtest.h>

using namespace pelmora;

TEST(ThumbnailShrink, FitsAveragesAndKeepsAlphaPremultiplied)
{
    struct Case {
        const char* what;
        QSize size;
        QImage::Format format;
        QRgb left, right; // the two halves' colours
        int side;
        QSize shrunk;
        QImage::Format drawable;
        QRgb shrunkLeft, shrunkRight; // what the outermost columns become
    } cases[] = {
        {"a reduced photo", {500, 375}, QImage::Format_BGR888, 0xff336699, 0xff336699, 128, {128, 96},
            QImage::Format_RGB32, 0xff336699, 0xff336699},
        // Bands of 65 rows: a row lost or counted twice at a seam would show.
        {"many bands", {1000, 300}, QImage::Format_RGB888, 0xff102030, 0xffc0d0e0, 128, {128, 38},
            QImage::Format_RGB32, 0xff102030, 0xffc0d0e0},
        {"small, kept as it is", {40, 20}, QImage::Format_ARGB32, 0x80ff0000, 0xff00ff00, 128, {40, 20},
            QImage::Format_ARGB32_Premultiplied, 0x80800000, 0xff00ff00},
        {"transparent beside opaque", {256, 256}, QImage::Format_ARGB32, 0x00ffffff, 0xff0000ff, 128,
            {128, 128}, QImage::Format_ARGB32_Premultiplied, 0x00000000, 0xff0000ff},
        {"one row", {300, 1}, QImage::Format_RGB32, 0xff000000, 0xffffffff, 128, {128, 1}, QImage::Format_RGB32,
            0xff000000, 0xffffffff},
        {"tall, to a large thumbnail", {90, 1200}, QImage::Format_RGB32, 0xff000000, 0xffffffff, 256, {19, 256},
            QImage::Format_RGB32, 0xff000000, 0xffffffff},
    };
    for (const Case& c : cases) {
        QImage image(c.size, c.format);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, x < image.width() / 2 ? c.left : c.right);
        QImage shrunk = ShrinkToThumbnail(image, c.side);
        ASSERT_EQ(shrunk.size(), c.shrunk) << c.what;
        EXPECT_EQ(shrunk.format(), c.drawable) << c.what;
        for (int y = 0; y < shrunk.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(shrunk.constScanLine(y));
            ASSERT_EQ(row[0], c.shrunkLeft) << c.what << " row " << y;
            ASSERT_EQ(row[shrunk.width() - 1], c.shrunkRight) << c.what << " row " << y;
        }
    }
}

TEST(ThumbnailShrink, AveragesTheAreaEachPixelCovers)
{
    // Alternate black and white columns: every thumbnail pixel covers as much of each.
    QImage stripes(384, 128, QImage::Format_Grayscale8);
    for (int y = 0; y < stripes.height(); ++y)
        for (int x = 0; x < stripes.width(); ++x)
            stripes.scanLine(y)[x] = x % 2 ? 255 : 0;
    QImage shrunk = ShrinkToThumbnail(stripes, 128);
    ASSERT_EQ(shrunk.size(), QSize(128, 42));
    for (int x = 0; x < shrunk.width(); ++x)
        EXPECT_NEAR(qGray(shrunk.pixel(x, 20)), 127.5, 43) << x; // 3 columns: 1 or 2 of 3 white
    int total = 0;
    for (int x = 0; x < shrunk.width(); ++x)
        total += qGray(shrunk.pixel(x, 20));
    EXPECT_NEAR(total / double(shrunk.width()), 127.5, 1);
    EXPECT_TRUE(ShrinkToThumbnail(QImage(), 128).isNull());
}
