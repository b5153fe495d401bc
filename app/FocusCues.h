// Keyboard cues of a window's controls.
#pragma once

class QWidget;

namespace pelmora {

// Lets the buttons and check boxes of a window repaint their keyboard cues
// after Tab or Alt is released, where the platform needs it.
void RepaintFocusCues(QWidget* window, int key);

} // namespace pelmora
