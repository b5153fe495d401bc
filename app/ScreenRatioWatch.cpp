#include "ScreenRatioWatch.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace pelmora {

ScreenRatioWatch::ScreenRatioWatch(QWidget* widget, std::function<void()> changed)
    : QObject(widget)
    , widget_(widget)
    , changed_(std::move(changed))
    , ratio_(widget->devicePixelRatioF())
{
    // The native window exists only once the window is shown, and a hidden
    // window may get a new one: it is looked for whenever the window shows.
    widget->window()->installEventFilter(this);
    FollowWindow();
}

bool ScreenRatioWatch::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange)
        FollowWindow();
    return false;
}

void ScreenRatioWatch::FollowWindow()
{
    QWindow* window = widget_->window()->windowHandle();
    if (!window || window == window_)
        return;
    if (window_)
        disconnect(window_, nullptr, this, nullptr);
    window_ = window;
    connect(window, &QWindow::screenChanged, this, &ScreenRatioWatch::ScreenChanged);
    ScreenChanged(); // shown on another screen than the one it was built for
}

void ScreenRatioWatch::ScreenChanged()
{
    qreal ratio = widget_->devicePixelRatioF();
    if (ratio == ratio_)
        return;
    ratio_ = ratio;
    changed_();
}

} // namespace pelmora
