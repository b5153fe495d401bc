#include "DisplayImage.h"

#include "app/BitmapImage.h"

#include <QMouseEvent>
#include <QPainter>

namespace pelmora {

DisplayImage::DisplayImage(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    // Every pixel is painted (picture or window background), so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DisplayImage::SetPicture(Bitmap&& picture, int width, int height)
{
    // The wrapping image goes first: it must never outlive the rows it shares.
    shown_ = QImage();
    picture_ = std::move(picture);
    shown_ = BitmapToImage(picture_);
    resize(width, height);
    update();
}

void DisplayImage::Clear()
{
    shown_ = QImage();
    picture_.Release();
    update();
}

void DisplayImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    QRect area = event->rect();
    painter.fillRect(area, Qt::black);
    if (!shown_.isNull())
        painter.drawImage(area.topLeft(), shown_, area.intersected(shown_.rect()));
}

void DisplayImage::mousePressEvent(QMouseEvent* event)
{
    emit MousePressed(event->button(), event->position().toPoint());
}

void DisplayImage::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMoved(event->position().toPoint());
}

void DisplayImage::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseReleased(event->button());
}

} // namespace pelmora
