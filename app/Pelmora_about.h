// The about box: the program's name, its version and the libraries it is built on.
#pragma once

#include <QDialog>

namespace pelmora {

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);
};

// "Qt 6.4.2, libjpeg-turbo 2.1.5, libpng 1.6.39": what the about box credits.
QString BuiltOnText();

} // namespace pelmora
