// The toolbar's pictures, by the numbers the buttons and menu items refer to
// them with: the desktop's icon theme first, the style's standard icons when
// the theme lacks one.
#pragma once

#include <QIcon>

namespace pelmora {

// Pictures 1 to 15 of the toolbar; an unused number gives a null icon.
QIcon ToolbarPicture(int number);
// Picture 6, the glyph of every file entry.
inline constexpr int kFileGlyphPicture = 6;

} // namespace pelmora
