#include "Pelmora_options.h"

namespace pelmora {

TForm6::TForm6(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle("   Options...");
}

} // namespace pelmora
