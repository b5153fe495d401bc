// The display window's picture control: it holds the one decoded copy of the
// picture shown and paints it at 1:1. The rows are wrapped, not copied, for
// every format Qt draws directly.
#pragma once

#include "formats/Bitmap.h"

#include <QImage>
#include <QWidget>

namespace pelmora {

class DisplayImage : public QWidget {
    Q_OBJECT
public:
    explicit DisplayImage(QWidget* parent = nullptr);

    // Takes the picture over (a move) and sizes the control to width x height,
    // which is the picture's own size except for graphics without pixels.
    void SetPicture(Bitmap&& picture, int width, int height);
    void Clear();
    const Bitmap& Picture() const { return picture_; }
    bool HasPicture() const { return !picture_.IsEmpty(); }
    // What is painted (shares the picture's rows where the format allows).
    const QImage& Shown() const { return shown_; }

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
    Bitmap picture_;
    QImage shown_;
};

} // namespace pelmora
