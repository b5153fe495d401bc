// Program start: the seven windows, created once in their fixed order and
// alive until the program ends. The program and the window tests both start
// through here, so they run the same windows.
#pragma once

#include <QString>

#include <memory>

namespace pelmora {

class TForm1;
class TFormAbout;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

struct PelmoraWindows {
    // Declared in creation order; destroyed in the reverse one, the browser last.
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TFormAbout> FormAbout;
    std::unique_ptr<TForm2> Form2;
    std::unique_ptr<TForm3> Form3;
    std::unique_ptr<TForm4> Form4;
    std::unique_ptr<TForm5> Form5;
    std::unique_ptr<TForm6> Form6;

    PelmoraWindows();
    ~PelmoraWindows();
    PelmoraWindows(const PelmoraWindows&) = delete;
    PelmoraWindows& operator=(const PelmoraWindows&) = delete;
};

// Creates the windows: the browser first (its creation uses none of the
// others), then the about box, the display window, the folder-list dialog,
// the filter value dialog, the exit button window and the options dialog.
// `startFile` is the command-line argument, empty when there is none.
std::unique_ptr<PelmoraWindows> CreateWindows(const QString& startFile);

// Gives the ground floor what it needs of the desktop: the display's colour
// depth (for JPEG quantising), the warning box for the readers' and writers'
// questions, and the beep.
void ConnectGroundFloor();

// Where the desktop names no icon theme, the freedesktop names are looked up in the common default theme.
void UseDefaultIconTheme();

} // namespace pelmora
