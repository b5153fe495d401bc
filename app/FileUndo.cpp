#include "FileUndo.h"

#include "FolderPath.h"
#include "PlatformFiles.h"

namespace pelmora {

QString FileUndo::Description() const
{
    const char* verbs[] = {"copy", "move", "delete", "rename"};
    QString what = QString::fromLatin1(verbs[int(kind)]) + " of ";
    if (steps.size() != 1)
        return what + QString::number(steps.size()) + " files";
    const Step& step = steps.front();
    if (kind == Kind::Rename)
        return what + FileNamePart(step.to) + " back to " + FileNamePart(step.from);
    return what + FileNamePart(step.from);
}

QStringList UndoFileSteps(const FileUndo& undo)
{
    QStringList failures;
    for (auto step = undo.steps.rbegin(); step != undo.steps.rend(); ++step) {
        switch (undo.kind) {
        case FileUndo::Kind::Copy: {
            // Only a copy still as it was made goes: one changed since is the user's.
            qint64 bytes = 0, modified = 0;
            if (!platform::FileStamp(step->to, bytes, modified))
                break;
            if (bytes != step->bytes || modified != step->modified || !platform::DeleteFilePermanently(step->to))
                failures.append("Unable to remove the copy '" + step->to + "'.");
            break;
        }
        case FileUndo::Kind::Move:
            if (!platform::MoveFileNoReplace(step->to, step->from))
                failures.append("Unable to restore file '" + step->from + "'.");
            break;
        case FileUndo::Kind::Rename:
            if (!platform::RenameFileNoReplace(step->to, step->from))
                failures.append("Unable to restore file '" + step->from + "'.");
            break;
        case FileUndo::Kind::Delete:
            if (!platform::RestoreFromTrash(step->to, step->from))
                failures.append("Unable to restore file '" + step->from + "'.");
            break;
        }
    }
    return failures;
}

} // namespace pelmora
