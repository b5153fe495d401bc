// The platform's file operations for the browser's file commands, in one
// place so that a Windows build swaps them: copy, move and rename that never
// replace a file, delete, the desktop's trash. No widgets here.
//
// Nothing replaces an existing file, also when another program creates it
// between a check and the write: a copy's target is created exclusively, a
// move or rename on one file system is an atomic no-replace rename, and a move
// across file systems copies into a hidden temporary file in the target
// folder, flushes it and renames it into place without replacing before the
// source goes. A failed step leaves the source where it was and no partial
// or temporary file behind.
#pragma once

#include <QString>

#include <functional>

class QIODevice;

namespace pelmora::platform {

// Called with the bytes of the current file done so far, while it is copied.
using CopyProgress = std::function<void(qint64 done)>;

// Copies a file to a path that must not exist yet; the copy has the source's
// permissions and modification time.
bool CopyFileNoReplace(const QString& from, const QString& to, const CopyProgress& progress = {});
// Moves a file to a path that must not exist yet, on one file system or across two.
bool MoveFileNoReplace(const QString& from, const QString& to, const CopyProgress& progress = {});
// Renames a file within its folder; the new name must not be taken. A change
// of letter case alone works on a file system that ignores case.
bool RenameFileNoReplace(const QString& from, const QString& to);
// Deletes a file for good.
bool DeleteFilePermanently(const QString& path);
// Moves a file to the desktop's trash; `pathInTrash` says where it went.
// False where there is no trash for it (the file is then where it was). On
// free desktops this is the freedesktop.org trash: the home trash for files
// on the home's file system, else the file system's own ($topdir/.Trash/$uid
// or $topdir/.Trash-$uid).
bool MoveFileToTrash(const QString& path, QString& pathInTrash);
// Brings a file back from the trash to its old path, which must not be taken,
// and drops the trash's record of it.
bool RestoreFromTrash(const QString& pathInTrash, const QString& original);
// Writes a file that may exist already without ever leaving it half
// written: `write` fills a temporary file in the same folder, which is
// flushed to the medium and then renamed over the file. When any step fails
// (or `write` throws) the old file stays whole, the temporary file goes, and
// the result is false with the reason in `error`. An existing file's
// permissions carry over.
bool WriteFileReplacing(const QString& path, const std::function<void(QIODevice& file)>& write, QString& error);
// Size and modification time (seconds since the epoch); false when there is no such file.
bool FileStamp(const QString& path, qint64& bytes, qint64& modified);

// The seam for fault-injection tests: each step asks the hook first, and a
// hook that returns true makes that step fail as a full disk or a broken
// medium would. The hook may also act (create a file) before the step runs.
enum class FileStep {
    Create, // before the target (or a move's or a save's temporary file) is created
    Copy, // before each block of data is written (a save: once its data is written)
    Flush, // before the copied data is flushed to the medium
    Rename, // before the no-replace rename that puts a file in place
    RemoveSource, // before a move across file systems removes its source
    Trash, // before a file is moved to the trash (failing: there is no trash for it)
    Delete, // before a file is deleted for good
};
using FileFaultHook = std::function<bool(FileStep step, const QString& path)>;
// Installs the hook (an empty one removes it).
void SetFileFaultHook(FileFaultHook hook);

} // namespace pelmora::platform
