// The display window: one file of the browser's list shown large or full screen.
#pragma once

#include <QWidget>

namespace pelmora {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};

} // namespace pelmora
