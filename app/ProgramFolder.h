// The program's folder, where its settings file and help files live. Tests
// and benchmarks point it at a folder of their own.
#pragma once

#include <QString>

namespace pelmora {

// The folder of the program's executable, ending with the path separator.
QString ProgramFolder();
// Use `folder` instead of the executable's folder; an empty text goes back to it.
void SetProgramFolder(const QString& folder);
// ProgramFolder() + "Pelmora.ini": the one settings file every window opens.
QString SettingsFilePath();

} // namespace pelmora
