// The program's folder and the files the program finds through it: the
// settings file and the help files. Tests and benchmarks point it at a
// folder of their own.
#pragma once

#include <QString>

namespace pelmora {

// The folder of the program's executable, ending with the path separator.
QString ProgramFolder();
// Use `folder` instead of the executable's folder; an empty text goes back to it.
void SetProgramFolder(const QString& folder);
// The one settings file every window opens: "Pelmora.ini" in the program's
// folder when we may write there (a build folder, a portable copy), else in
// the user's configuration folder ($XDG_CONFIG_HOME/Pelmora/ on Linux), which
// is made here; the file itself comes with the first write.
QString SettingsFilePath();
// A help file by name: the one beside the program, else the one in the
// installed data folder (share/pelmora/ beside bin/), else the path beside
// the program, so that a missing file is reported by that name.
QString HelpFilePath(const QString& name);

} // namespace pelmora
