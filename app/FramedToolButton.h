// A toolbar button with a rounded frame in the button-shadow colour drawn
// under its normal painting, one pixel inside its edges.
#pragma once

#include <QToolButton>

namespace pelmora {

class FramedToolButton : public QToolButton {
    Q_OBJECT
public:
    explicit FramedToolButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pelmora
