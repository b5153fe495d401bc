#include "Pelmora_filters.h"

namespace pelmora {

TForm4::TForm4(QWidget* parent)
    : QDialog(parent)
{
}

} // namespace pelmora
