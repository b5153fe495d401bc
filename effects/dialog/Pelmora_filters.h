// The filter value dialog: asks for the value of an effect.
#pragma once

#include <QDialog>

namespace pelmora {

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};

} // namespace pelmora
