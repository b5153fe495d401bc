// The window tests' view inside the display window: the controls and the state that
// the other windows reach only through its public functions.
#pragma once

#include "WindowAccess.h"
#include "display/Pelmora_screen.h"

namespace pelmora::test {

class DisplayAccess : public WindowAccess<TForm2> {
public:
    using WindowAccess::WindowAccess;

    PELMORA_WINDOW_MEMBER(TForm2, ScrollBox1);
    PELMORA_WINDOW_MEMBER(TForm2, Image1);
    PELMORA_WINDOW_MEMBER(TForm2, Panel_magnify);
    PELMORA_WINDOW_MEMBER(TForm2, StatusBar1);
    PELMORA_WINDOW_MEMBER(TForm2, StatusBar_position);
    PELMORA_WINDOW_MEMBER(TForm2, StatusBar_picture);
    PELMORA_WINDOW_MEMBER(TForm2, Timer1);
    PELMORA_WINDOW_MEMBER(TForm2, Player_animation);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_divider);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_file);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_view);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_file_delete);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_file_save);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_view_previous);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_view_fitwindow);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_view_hidemenu);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_view_magnify);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_view_zoomUp);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_view_zoomDown);
    PELMORA_WINDOW_MEMBER(TForm2, Menu_view_slideshow);
    PELMORA_WINDOW_MEMBER(TForm2, PopupMenu_screener);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_next);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_close);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_filters);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_fitwindow);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_hidemenu);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_magnify);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_zoomUp);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_zoomDown);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_options);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_file);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_file_move);
    PELMORA_WINDOW_MEMBER(TForm2, Pop_screener_slideshow);
    PELMORA_WINDOW_MEMBER(TForm2, ZoomPercent);
    PELMORA_WINDOW_MEMBER(TForm2, reducedShown_);
    PELMORA_WINDOW_MEMBER(TForm2, SelCountAtOpen);
    PELMORA_WINDOW_MEMBER(TForm2, FirstIndex);
    PELMORA_WINDOW_MEMBER(TForm2, LastIndex);
};

inline DisplayAccess Inside(TForm2& form)
{
    return DisplayAccess(form);
}

} // namespace pelmora::test
