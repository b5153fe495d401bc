// The options dialog: the settings of the browser and the display window.
#pragma once

#include <QDialog>

namespace pelmora {

class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
};

} // namespace pelmora
