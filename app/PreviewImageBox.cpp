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
    // A copy made now, so the box never refers to rows it does not own.
    picture_ = picture.copy();
    update();
}

void PreviewImageBox::Clear()
{
    picture_ = QImage();
    update();
}

void PreviewImageBox::paintEvent(QPaintEvent*)
{
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
