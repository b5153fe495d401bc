// The numbered folder lists of the settings file: `PathNmbr` entries under
// the keys 1, 2, ... in list order. The path history lives in `ReadPaths`,
// the folder-list dialog's targets in `SavePaths`.
#pragma once

#include "settings/IniFile.h"

#include <QString>
#include <QStringList>

namespace pelmora {

inline constexpr const char* kReadPathsSection = "ReadPaths";
inline constexpr const char* kSavePathsSection = "SavePaths";

// Entries whose key is missing are skipped rather than invented.
QStringList ReadPathList(const IniFile& settings, const char* section);
// Numbered keys beyond the new count, left from a longer list, stay untouched.
void WritePathList(IniFile& settings, const char* section, const QStringList& paths);

} // namespace pelmora
