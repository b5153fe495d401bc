// The exit button window: a small borderless window, always on top, shown
// over the right end of the display window's menu bar in full-screen mode.
#pragma once

#include <QWidget>

class QToolButton;

namespace pelmora {

class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    QToolButton* SpeedButton_exit = nullptr;

    // Sizes the window to its button.
    void FitToButton();

signals:
    // SpeedButton_exitClick: the display window closes.
    void ExitClicked();
    // SpeedButton_exitMouseMove: the display window takes the keyboard focus back.
    void PointerMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace pelmora
