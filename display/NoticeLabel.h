// A short message over the picture where the status bar is hidden (full
// screen): it shows at the bottom of the window for a moment and goes.
#pragma once

#include <QLabel>

class QTimer;

namespace pelmora {

class NoticeLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr int kShownMs = 2500;

    // Shows `text` over `window` for a moment, in place of a message shown
    // before; the label is made at the window's first message.
    static void ShowOver(QWidget* window, const QString& text);

private:
    explicit NoticeLabel(QWidget* window);
    void PlaceAtBottom();

    QTimer* timer_;
};

} // namespace pelmora
