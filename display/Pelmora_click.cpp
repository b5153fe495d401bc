#include "Pelmora_click.h"

namespace pelmora {

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
}

} // namespace pelmora
