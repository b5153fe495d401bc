#include "FocusCues.h"

#include "Platform.h"

#include <QAbstractButton>
#include <QWidget>

namespace pelmora {

void RepaintFocusCues(QWidget* window, int key)
{
    if (!window || !platform::NeedsFocusCueRepaint() || (key != Qt::Key_Tab && key != Qt::Key_Alt))
        return;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        button->update();
}

} // namespace pelmora
