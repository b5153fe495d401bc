// The window tests' view inside the browser: the controls and the state that
// the other windows reach only through its public functions.
#pragma once

#include "WindowAccess.h"
#include "app/Pelmora_main.h"

namespace pelmora::test {

class BrowserAccess : public WindowAccess<TForm1> {
public:
    using WindowAccess::WindowAccess;

    PELMORA_WINDOW_MEMBER(TForm1, SortKey);
    PELMORA_WINDOW_MEMBER(TForm1, SortAscending);
    PELMORA_WINDOW_MEMBER(TForm1, FullScreenView);
    PELMORA_WINDOW_MEMBER(TForm1, DriveTypesSetting);
    PELMORA_WINDOW_MEMBER(TForm1, DeletingFiles);
    PELMORA_WINDOW_MEMBER(TForm1, ComboBox_path);
    PELMORA_WINDOW_MEMBER(TForm1, Edit_path);
    PELMORA_WINDOW_MEMBER(TForm1, ToolBar1);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_upone);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_explore);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_copy);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_delete);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_view);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_slideshow);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_options);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_about);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_help);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_exit);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_sep2);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_sep4);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_sep5);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_sep8);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_sep9);
    PELMORA_WINDOW_MEMBER(TForm1, ToolButton_sep10);
    PELMORA_WINDOW_MEMBER(TForm1, Splitter1);
    PELMORA_WINDOW_MEMBER(TForm1, Panel_files);
    PELMORA_WINDOW_MEMBER(TForm1, Splitter2);
    PELMORA_WINDOW_MEMBER(TForm1, ListView_folders);
    PELMORA_WINDOW_MEMBER(TForm1, ListView_files);
    PELMORA_WINDOW_MEMBER(TForm1, Panel_image);
    PELMORA_WINDOW_MEMBER(TForm1, Image1);
    PELMORA_WINDOW_MEMBER(TForm1, StatusBar1);
    PELMORA_WINDOW_MEMBER(TForm1, StatusBar_files);
    PELMORA_WINDOW_MEMBER(TForm1, StatusBar_picture);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_file_view);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_file_move);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_file_sort);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_file_sort_imagesize);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_file_rename);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_file_hidefolderlist);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_folder_upone);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_folder_explore);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_folder_hidefolderlist);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_image_clear);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_path_copy);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_path_paste);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_path_clear);
    PELMORA_WINDOW_MEMBER(TForm1, PopupMenu_window);
    PELMORA_WINDOW_MEMBER(TForm1, CurrentFolder);
    PELMORA_WINDOW_MEMBER(TForm1, Panel_fileviews);
    PELMORA_WINDOW_MEMBER(TForm1, ListView_thumbnails);
    PELMORA_WINDOW_MEMBER(TForm1, Pop_file_thumbnails);

    bool ShowsThumbnails() const { return form_.ShowsThumbnails(); }
    void ListView_filesClick() { form_.ListView_filesClick(); }
};

inline BrowserAccess Inside(TForm1& form)
{
    return BrowserAccess(form);
}

} // namespace pelmora::test
