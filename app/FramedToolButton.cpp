#include "FramedToolButton.h"

#include <QPainter>

namespace pelmora {

FramedToolButton::FramedToolButton(QWidget* parent)
    : QToolButton(parent)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
}

void FramedToolButton::SetHint(const QString& hint)
{
    setToolTip(hint);
    QString name = hint.trimmed();
    if (name.endsWith("..."))
        name = name.chopped(3).trimmed();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    setAccessibleName(name);
}

void FramedToolButton::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::Dark));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 2, 2);
    }
    QToolButton::paintEvent(event);
}

} // namespace pelmora
