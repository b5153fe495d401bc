#include "PictureScrollBox.h"

#include <QScrollBar>

#include <algorithm>

namespace pelmora {

PictureScrollBox::PictureScrollBox(QWidget* parent)
    : QScrollArea(parent)
    , canvas_(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    // The window's key handler does the scrolling keys; the box takes no focus.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(false);
    setWidget(canvas_);
}

void PictureScrollBox::SetContent(QWidget* content)
{
    content_ = content;
    content->setParent(canvas_);
    UpdateRange();
}

void PictureScrollBox::SetAutoScroll(bool on)
{
    autoScroll_ = on;
    Qt::ScrollBarPolicy policy = on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
    UpdateRange();
}

void PictureScrollBox::PlaceContent(int left, int top)
{
    if (content_)
        content_->move(left, top);
    UpdateRange();
}

void PictureScrollBox::UpdateRange()
{
    QSize area = maximumViewportSize();
    QSize extent(0, 0);
    if (autoScroll_ && content_) {
        QRect bounds = content_->geometry();
        extent = QSize(std::max(0, bounds.x() + bounds.width()), std::max(0, bounds.y() + bounds.height()));
    }
    // A range in one direction takes room from the other.
    QSize viewport = area;
    if (extent.width() > area.width())
        viewport.rheight() -= horizontalScrollBar()->sizeHint().height();
    if (extent.height() > viewport.height())
        viewport.rwidth() -= verticalScrollBar()->sizeHint().width();
    if (extent.width() > viewport.width() && viewport.height() == area.height())
        viewport.rheight() -= horizontalScrollBar()->sizeHint().height();
    canvas_->resize(std::max(extent.width(), viewport.width()), std::max(extent.height(), viewport.height()));
    if (!autoScroll_) {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
}

int PictureScrollBox::HorizontalPosition() const
{
    return horizontalScrollBar()->value();
}

int PictureScrollBox::VerticalPosition() const
{
    return verticalScrollBar()->value();
}

void PictureScrollBox::SetHorizontalPosition(int position)
{
    horizontalScrollBar()->setValue(position);
}

void PictureScrollBox::SetVerticalPosition(int position)
{
    verticalScrollBar()->setValue(position);
}

bool PictureScrollBox::ShowsScrollBar() const
{
    return ShowsHorizontalBar() || ShowsVerticalBar();
}

bool PictureScrollBox::ShowsHorizontalBar() const
{
    return autoScroll_ && horizontalScrollBar()->maximum() > 0;
}

bool PictureScrollBox::ShowsVerticalBar() const
{
    return autoScroll_ && verticalScrollBar()->maximum() > 0;
}

void PictureScrollBox::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    UpdateRange();
}

} // namespace pelmora
