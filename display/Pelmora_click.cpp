#include "Pelmora_click.h"

#include <QEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace pelmora {

namespace {

constexpr int kButtonWidth = 19;
constexpr int kButtonHeight = 18;
constexpr int kGlyphSize = 17;

// A white cross on a red square, drawn for a screen of `ratio` device pixels a unit.
QPixmap ExitGlyph(int ratio)
{
    QPixmap glyph(kGlyphSize * ratio, kGlyphSize * ratio);
    glyph.setDevicePixelRatio(ratio);
    glyph.fill(QColor(200, 0, 0));
    QPainter painter(&glyph);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(4, 4, kGlyphSize - 5, kGlyphSize - 5);
    painter.drawLine(kGlyphSize - 5, 4, 4, kGlyphSize - 5);
    return glyph;
}

// Sharp on ordinary and on high-density screens: the icon picks the drawing that fits.
QIcon ExitIcon()
{
    QIcon icon;
    for (int ratio : {1, 2, 3})
        icon.addPixmap(ExitGlyph(ratio));
    return icon;
}

} // namespace

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    SpeedButton_exit = new QToolButton(this);
    SpeedButton_exit->setObjectName("SpeedButton_exit");
    SpeedButton_exit->setAccessibleName("Exit");
    SpeedButton_exit->setAutoRaise(true);
    SpeedButton_exit->setFocusPolicy(Qt::NoFocus);
    SpeedButton_exit->setIcon(ExitIcon());
    SpeedButton_exit->setIconSize(QSize(kGlyphSize, kGlyphSize));
    SpeedButton_exit->setGeometry(0, 0, kButtonWidth, kButtonHeight);
    SpeedButton_exit->setMouseTracking(true);
    SpeedButton_exit->installEventFilter(this);
    connect(SpeedButton_exit, &QToolButton::clicked, this, &TForm5::ExitClicked);
    FitToButton();
}

void TForm5::FitToButton()
{
    setFixedSize(SpeedButton_exit->size());
}

bool TForm5::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SpeedButton_exit && event->type() == QEvent::MouseMove)
        emit PointerMoved();
    return QWidget::eventFilter(watched, event);
}

} // namespace pelmora
