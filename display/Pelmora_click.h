// The exit button window shown over the display window in full-screen mode.
#pragma once

#include <QWidget>

namespace pelmora {

class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);
};

} // namespace pelmora
