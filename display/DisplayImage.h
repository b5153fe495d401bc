// The display window's picture control: it holds the one decoded copy of the
// picture shown and paints it at 1:1, with the magnifier's lens over it. The
// rows are wrapped, not copied, for every format Qt draws directly.
#pragma once

#include "Lens.h"

#include "formats/Bitmap.h"

#include <QImage>
#include <QWidget>

#include <optional>
#include <vector>

namespace pelmora {

class DisplayImage : public QWidget {
    Q_OBJECT
public:
    explicit DisplayImage(QWidget* parent = nullptr);

    // Takes the picture over (a move) and sizes the control to width x height,
    // which is the picture's own size except for graphics without pixels.
    void SetPicture(Bitmap&& picture, int width, int height);
    // The same, for a nearest-neighbour scaled copy of the picture shown: the
    // pixels keep naming the picture's own columns and rows.
    void SetScaledPicture(Bitmap&& scaled, int width, int height);
    // A frame of the animation shown: at its own size while the picture shows
    // 1:1, otherwise scaled to the size the picture is shown at.
    void ShowFrame(Bitmap&& frame);
    void Clear();
    const Bitmap& Picture() const { return picture_; }
    bool HasPicture() const { return !picture_.IsEmpty(); }
    // What is painted (shares the picture's rows where the format allows).
    const QImage& Shown() const { return shown_; }
    // The column and row of the picture as loaded under a point of the
    // control, and the colour there; none where no picture pixel is.
    std::optional<QPoint> OwnPixel(QPoint at) const;
    QRgb ColourAt(QPoint at) const { return shown_.pixel(at); }

    // The lens painted over the picture; none hides it.
    void SetLens(const std::optional<Lens>& lens);
    const std::optional<Lens>& ShownLens() const { return lens_; }

signals:
    void MousePressed(Qt::MouseButton button, QPoint at);
    void MouseMoved(QPoint at);
    void MouseReleased(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Show(Bitmap&& picture, int width, int height);

    Bitmap picture_;
    QImage shown_;
    // The picture's own column of each shown column and row of each shown row; empty while shown 1:1.
    std::vector<int> ownColumns_;
    std::vector<int> ownRows_;
    std::optional<Lens> lens_;
};

} // namespace pelmora
