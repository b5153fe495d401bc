// The magnifier's panel in the display window's picture area: a three-line
// readout of the pixel under the lens and two spins, the lens's factor and
// its size. The spins run from a negative minimum up to 0, so that the up
// arrow, which moves a vertical scroll bar towards its minimum, raises the
// value shown.
#pragma once

#include <QColor>
#include <QFrame>

#include <utility>

class QLabel;
class QLineEdit;
class QScrollBar;

namespace pelmora {

class MagnifierPanel : public QFrame {
    Q_OBJECT
public:
    explicit MagnifierPanel(QWidget* parent);

    QFrame* Bevel1;
    QLabel* LabelLocation; // the readout
    QLabel* LabelMagnifiation;
    QLabel* LabelRadius;
    QLabel* LabelX;
    QLineEdit* EditMagnification;
    QScrollBar* ScrollEditMagnification;
    QLineEdit* EditMagnifierRadius;
    QScrollBar* ScrollEditMagnifierRadius;

    int Factor() const; // 2 to 10
    int LensSize() const; // 10 to 180
    void SetLensSize(int size);

    // The values kept in the settings file, MagnifyX and MagnifySize: spin
    // positions shifted so that the defaults read as 3 and 100. A value out
    // of range is clamped by its spin.
    void SetStoredValues(int magnifyX, int magnifySize);
    std::pair<int, int> StoredValues() const;
};

// The readout before the first pixel is read.
QString EmptyReadout();
// The readout of a pixel at its column and row of the picture.
QString PixelReadout(QPoint pixel, QRgb colour);
// The readout while the pointer is past the picture's edge: no colour.
QString OutsideReadout();
// The name of one of the 20 named colours, else "$00BBGGRR" in upper-case hexadecimal.
QString ColourText(QRgb colour);

} // namespace pelmora
