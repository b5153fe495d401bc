// Tells a window when it has moved to a screen of another device pixel
// ratio, so pictures laid out in device pixels are laid out again at once
// rather than at the next open. (Qt before 6.6 sends no event of its own for
// it: the native window's screen change is the sign.)
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;
class QWindow;

namespace pelmora {

class ScreenRatioWatch : public QObject {
public:
    // Watches the window of `widget` (which owns the watch) and calls
    // `changed` when its device pixel ratio differs from the last one seen.
    ScreenRatioWatch(QWidget* widget, std::function<void()> changed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FollowWindow();
    void ScreenChanged();

    QWidget* widget_;
    std::function<void()> changed_;
    qreal ratio_;
    QPointer<QWindow> window_; // the native window whose screen changes are followed
};

} // namespace pelmora
