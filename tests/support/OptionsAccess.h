// The window tests' view inside the options dialog: its controls, which the
// other windows reach only through its signals and public functions.
#pragma once

#include "WindowAccess.h"
#include "app/Pelmora_options.h"

namespace pelmora::test {

class OptionsAccess : public WindowAccess<TForm6> {
public:
    using WindowAccess::WindowAccess;

    PELMORA_WINDOW_MEMBER(TForm6, CheckBox_fullscreen);
    PELMORA_WINDOW_MEMBER(TForm6, CheckBox_fitimage);
    PELMORA_WINDOW_MEMBER(TForm6, CheckBox_savefilter);
    PELMORA_WINDOW_MEMBER(TForm6, CheckBox_hidemenu);
    PELMORA_WINDOW_MEMBER(TForm6, CheckBox_showimage);
    PELMORA_WINDOW_MEMBER(TForm6, CheckBox_trash);
    PELMORA_WINDOW_MEMBER(TForm6, Edit_explorer_screen);
    PELMORA_WINDOW_MEMBER(TForm6, Scroll_explorer_screen);
    PELMORA_WINDOW_MEMBER(TForm6, Edit_slideshow_delay);
    PELMORA_WINDOW_MEMBER(TForm6, Scroll_slideshow_delay);
    PELMORA_WINDOW_MEMBER(TForm6, ComboBox_drivetypes);
    PELMORA_WINDOW_MEMBER(TForm6, Button1);
    PELMORA_WINDOW_MEMBER(TForm6, Button2);
};

inline OptionsAccess Inside(TForm6& form)
{
    return OptionsAccess(form);
}

} // namespace pelmora::test
