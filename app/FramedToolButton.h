// A toolbar button with a rounded frame in the button-shadow colour drawn
// under its normal painting, one pixel inside its edges.
#pragma once

#include <QToolButton>

namespace pelmora {

class FramedToolButton : public QToolButton {
    Q_OBJECT
public:
    explicit FramedToolButton(QWidget* parent = nullptr);

    // The hint shows as a tool tip; without its padding it is also the
    // button's name for screen readers (" copy file ... " names "Copy file").
    void SetHint(const QString& hint);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pelmora
