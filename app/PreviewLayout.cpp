#include "PreviewLayout.h"

#include "FileEntries.h"

#include <algorithm>

namespace pelmora {

QSize PreviewSize(QSize picture, QSize panelClient)
{
    qint64 w = picture.width(), h = picture.height();
    qint64 cw = panelClient.width(), ch = panelClient.height();
    if ((cw >= w && ch >= h) || w <= 0 || h <= 0)
        return picture;
    if (cw <= 0 || ch <= 0)
        return QSize(0, 0);
    // Width-bound when the picture is relatively wider than the panel; a
    // sliver of a picture keeps at least one pixel.
    if (w * ch >= h * cw)
        return QSize(int(cw), int(std::max<qint64>(1, h * cw / w)));
    return QSize(int(std::max<qint64>(1, w * ch / h)), int(ch));
}

QPoint PreviewOrigin(QSize panel, QSize box)
{
    return QPoint((panel.width() - box.width() - 4) / 2, (panel.height() - box.height() - 4) / 2);
}

QString ColorDepthWords(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Indexed1: return "1 bit";
    case PixelFormat::Indexed4: return "16 col";
    case PixelFormat::Indexed8: return "256 col";
    case PixelFormat::Rgb15: return "32768 col";
    case PixelFormat::Rgb16: return "65536 col";
    case PixelFormat::Rgb24: return "16M col";
    case PixelFormat::Rgb32: return "32M col";
    default: return "custom";
    }
}

QString PictureInformation(const FileEntry& entry, int width, int height, PixelFormat format)
{
    return entry.sizeText + ", " + entry.realDate + "  (" + QString::asprintf("%dx%d", width, height) + " | "
        + ColorDepthWords(format) + " | " + entry.type + ")";
}

} // namespace pelmora
