#include "Pelmora_screen.h"

namespace pelmora {

TForm2::TForm2(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(" Pelmora ...");
}

} // namespace pelmora
