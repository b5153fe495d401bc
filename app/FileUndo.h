// What the browser's last file command did, kept so that Ctrl+Z can take it
// back: copies removed again, moved and renamed files put back, files deleted
// to the trash brought back from it. Undoing never replaces a file that has
// taken an old name meanwhile. No widgets here.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace pelmora {

struct FileUndo {
    enum class Kind { Copy, Move, Delete, Rename };
    struct Step {
        QString from; // the file's path before the command
        QString to; // after it: the copy, the new path, or the path in the trash
        qint64 bytes = 0; // a copy's size and modification time once made
        qint64 modified = 0;
    };

    Kind kind = Kind::Copy;
    std::vector<Step> steps;

    bool Empty() const { return steps.empty(); }
    // What the command was: "move of photo.jpg", "delete of 3 files",
    // "rename of b.jpg back to a.jpg".
    QString Description() const;
};

// Takes the command back, its last step first. Returns a message for each
// file it could not restore (empty when everything came back).
QStringList UndoFileSteps(const FileUndo& undo);

} // namespace pelmora
