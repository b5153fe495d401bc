// Folder texts as the browser keeps them: with the platform's separator and
// always ending with it. Plain text work, no file system access.
#pragma once

#include <QChar>
#include <QString>

#include <string>

namespace pelmora {

// '\' on Windows, '/' elsewhere.
QChar PathSeparator();
// The text with one separator added when it does not end with one.
QString WithTrailingSeparator(const QString& folder);
// The folder part of a path, up to and including its last separator ("" when none).
QString FolderPart(const QString& path);
// What follows the last separator.
QString FileNamePart(const QString& path);
// Leaving a folder: drop its trailing separator, then cut after the last one
// that remains, so "/pictures/holiday/" gives "/pictures/".
QString ParentFolder(const QString& folder);
// True for a file system root ("/", "C:\"), which has no ".." entry.
bool IsRootFolder(const QString& folder);
// The path as the file functions of the ground floor take it: the file
// system's own encoding of the name (UTF-8 on Windows).
std::string FileSystemPath(const QString& path);

} // namespace pelmora
