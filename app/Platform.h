// What the program needs of the platform, in one place: folder listings,
// drives, type names and icons of files, opening a document with its
// program, message boxes, the working folder, the beep. Everything that is
// Windows-only lives behind these functions and those of PlatformFiles.h
// (copy, move, rename, delete and the trash).
#pragma once

#include "Drives.h"

#include <QIcon>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace pelmora::platform {

struct FolderEntry {
    QString name;
    bool folder = false;
    bool hidden = false; // a name starting with "." (the hidden attribute on Windows)
    qint64 bytes = 0; // files only
    qint64 modified = 0; // seconds since the epoch, files only
};

// Every folder of `folder` (".", ".." and hidden ones included) and every
// file for which `wantsFile(name)` holds, in the order the platform gives
// them; only those files are examined further. False when the folder cannot
// be read (gone, no medium, no access).
bool ListFolder(const QString& folder, bool (*wantsFile)(const QString& name), std::vector<FolderEntry>& entries);

struct Drive {
    QString root; // ends with the separator: "C:\", "/media/usb/"
    QString caption; // as the folder list shows it
    DriveKind kind = DriveKind::Unknown;
};
// The drives the setting lists, in letter order (mount point order elsewhere).
std::vector<Drive> ListDrives(int driveTypesSetting);

// The shell's type name of a file ("JPEG image"), at most 79 characters. Safe off the user-interface thread.
QString FileTypeName(const QString& path);
// The shell's small icon of a file or folder.
QIcon SmallIcon(const QString& path);

// Opens a document with the desktop's program for it; false when none could be started.
bool OpenDocument(const QString& path);
// A modal box with the application's title, the text and an OK button.
void ShowMessage(QWidget* parent, const QString& text);
// A modal box titled "Confirm" with a question mark, "&Yes" (answered by
// Enter) and "Cancel" (answered by Esc and the close box); true for "&Yes".
bool Confirm(QWidget* parent, const QString& question);
void Beep();

bool FolderExists(const QString& folder);
// Makes the folder the process's working folder; throws the platform's message when it cannot.
void SetWorkingFolder(const QString& folder);

// The folder listed at a first start: "C:\Windows\" on Windows, the home folder elsewhere.
QString DefaultOpenPath();

// Whether buttons must repaint their keyboard cues when Tab or Alt is released
// (one platform's quirk; nothing needs it elsewhere).
bool NeedsFocusCueRepaint();

// The window menu's "&About..." item: appended to the system menu on Windows
// (false elsewhere, where the caller offers it itself), and its command's number.
bool AppendAboutToWindowMenu(QWidget* window);
inline constexpr unsigned kAboutCommand = 2048;
// True when a native message is the window menu's "&About..." command.
bool IsAboutCommand(const void* nativeMessage);

// Lets the calling thread yield to the interface thread when both want the
// processor: background work (thumbnails) runs at a lower priority.
void LowerThreadPriority();

} // namespace pelmora::platform
