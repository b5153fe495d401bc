#include "WindowPlacement.h"

#include <algorithm>

namespace pelmora {

WindowPlacement::WindowPlacement(const StoredGeometry& stored, QSize defaultClient, QPoint defaultPosition)
    : stored_(stored)
    , defaultClient_(defaultClient)
    , defaultPosition_(defaultPosition)
{
}

QRect WindowPlacement::Requested(const QMargins& frame) const
{
    int width = stored_.width ? *stored_.width - frame.left() - frame.right() : defaultClient_.width();
    int height = stored_.height ? *stored_.height - frame.top() - frame.bottom() : defaultClient_.height();
    QSize client(std::max(1, width), std::max(1, height));
    QPoint corner(stored_.left.value_or(defaultPosition_.x()), stored_.top.value_or(defaultPosition_.y()));
    return QRect(corner, client.grownBy(frame));
}

Placement WindowPlacement::Initial(const QRect& available)
{
    return Place(QMargins(), available);
}

std::optional<Placement> WindowPlacement::FrameMeasured(const QMargins& frame, bool maximized, const QRect& available)
{
    if (!maximized)
        normalFrame_ = frame;
    // A maximized window is placed when it is restored: its normal size is what was stored.
    if (framed_ || maximized || frame.isNull())
        return std::nullopt;
    framed_ = true;
    if (frame == placedFrame_)
        return std::nullopt;
    return Place(frame, available);
}

QRect WindowPlacement::ToStore(const QRect& normalClient) const
{
    if (normalClient == placedOuter_.marginsRemoved(placedFrame_))
        return placedOuter_;
    return normalClient.marginsAdded(normalFrame_);
}

Placement WindowPlacement::Place(const QMargins& frame, const QRect& available)
{
    placedFrame_ = frame;
    placedOuter_ = FitIntoArea(Requested(frame), available);
    return {placedOuter_.topLeft(), placedOuter_.marginsRemoved(frame).size()};
}

QRect FitIntoArea(const QRect& outer, const QRect& available)
{
    if (available.isEmpty())
        return outer;
    QRect fitted = outer;
    if (fitted.width() > available.width()) {
        fitted.setLeft(available.left());
        fitted.setWidth(available.width());
    }
    if (fitted.height() > available.height()) {
        fitted.setTop(available.top());
        fitted.setHeight(available.height());
    }
    // A window that would land on no screen at all comes back onto this one.
    if (!fitted.intersects(available))
        fitted.moveTopLeft(available.topLeft());
    return fitted;
}

} // namespace pelmora
