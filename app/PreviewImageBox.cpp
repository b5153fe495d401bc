#include "PreviewImageBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace pelmora {

PreviewImageBox::PreviewImageBox(QWidget* parent)
    : QWidget(parent)
{
}

void PreviewImageBox::SetPicture(const QImage& picture)
{
    // A copy made now, so the box never refers to rows it does not own; its
    // pixels are the screen's device pixels.
    picture_ = picture.copy();
    picture_.setDevicePixelRatio(devicePixelRatioF());
    message_.clear();
    update();
}

void PreviewImageBox::Clear()
{
    picture_ = QImage();
    message_.clear();
    update();
}

void PreviewImageBox::ShowMessage(const QString& message)
{
    picture_ = QImage();
    message_ = message;
    update();
}

void PreviewImageBox::paintEvent(QPaintEvent*)
{
    if (HasMessage()) {
        QPainter painter(this);
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, message_);
        return;
    }
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void PreviewImageBox::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit Clicked();
    QWidget::mousePressEvent(event);
}

} // namespace pelmora
