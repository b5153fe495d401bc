// The preview's arithmetic: how large a picture is shown in the preview
// panel, where its box sits, and the words of the information line.
#pragma once

#include "formats/Bitmap.h"

#include <QPoint>
#include <QSize>
#include <QString>

namespace pelmora {

struct FileEntry;

// The picture at its own size when it fits the panel's client area;
// otherwise shrunk by the one factor that fits both the width and the height,
// its proportions kept (whole-number arithmetic, rounding toward zero).
QSize PreviewSize(QSize picture, QSize panelClient);

// The box's top-left corner in the panel's client area:
// ((panel width - box width - 4) / 2, (panel height - box height - 4) / 2).
QPoint PreviewOrigin(QSize panel, QSize box);

// "1 bit", "16 col", "256 col", "32768 col", "65536 col", "16M col", "32M col"; "custom" otherwise.
QString ColorDepthWords(PixelFormat format);

// "1.5 Kb, 2024-05-01 10:00:00  (640x480 | 16M col | JPEG image)".
QString PictureInformation(const FileEntry& entry, int width, int height, PixelFormat format);

} // namespace pelmora
