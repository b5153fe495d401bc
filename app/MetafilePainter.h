// A metafile's drawing steps replayed on a QPainter, antialiased. The steps
// come from the ground floor's record readers; this is the painter that
// formats/Metafile.h asks the program to install.
#pragma once

#include "formats/MetafileSteps.h"

#include <QRectF>

class QPainter;

namespace pelmora {

// Draws the steps so that the picture fills `target` (painter coordinates).
// Text needs a GUI application; without one it is left out.
void PaintDrawingSteps(const DrawingSteps& steps, QPainter& painter, const QRectF& target);

// The picture drawn on white into a width x height Rgb32 bitmap.
void DrawStepsToBitmap(const DrawingSteps& steps, Bitmap& target, int width, int height);

// Makes every TMetafile draw through DrawStepsToBitmap.
void InstallMetafilePainter();

} // namespace pelmora
