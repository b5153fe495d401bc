// The file commands of the browser: copy, move, delete and rename of the
// selected files, and Ctrl+Z taking the last one back. Their dialog is the
// folder-list dialog (TForm3); the file system's side, which never replaces
// a file, is the platform's (PlatformFiles.h).
#include "Pelmora_main.h"

#include "FolderPath.h"
#include "Pelmora_paths.h"
#include "Platform.h"
#include "PlatformFiles.h"
#include "PreviewImageBox.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>

#include <algorithm>
#include <climits>
#include <vector>

namespace pelmora {

namespace {

constexpr const char* kPreferences = "Preferences";
// More files than a few, or one file taking longer than half a second, show the progress.
constexpr size_t kFewFiles = 3;
constexpr qint64 kProgressDelay = 500; // milliseconds
constexpr int kStepsPerFile = 100;

// The progress of a copy or move: the file it is on, and Cancel, which stops
// the command after the current file. Shown only for a long command; once
// shown it is modal and keeps the windows painted while files are copied.
class TransferProgress {
public:
    TransferProgress(QWidget* owner, bool move, size_t files)
        : dialog_(owner)
        , verb_(move ? "Moving" : "Copying")
        , files_(files)
    {
        dialog_.setWindowTitle(move ? " Move file ..." : " Copy file ...");
        dialog_.setWindowModality(Qt::ApplicationModal);
        dialog_.setCancelButtonText("Cancel");
        dialog_.setRange(0, int(files * kStepsPerFile));
        dialog_.setAutoReset(false);
        dialog_.setAutoClose(false);
        // It shows when this class says so, never by its own estimate.
        dialog_.setMinimumDuration(INT_MAX);
        clock_.start();
    }
    ~TransferProgress() { dialog_.hide(); }
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;

    void Begin(size_t file, const QString& name, qint64 bytes)
    {
        file_ = file;
        bytes_ = bytes;
        dialog_.setLabelText(QString("%1 '%2' (%3 of %4) ...").arg(verb_, name).arg(file + 1).arg(files_));
        if (files_ > kFewFiles && !dialog_.isVisible())
            dialog_.show();
        Update(0);
    }
    // The bytes of the current file done so far.
    void Update(qint64 done)
    {
        // Cancel hides the dialog; the current file still ends.
        if (Cancelled())
            return;
        if (!dialog_.isVisible() && clock_.elapsed() > kProgressDelay)
            dialog_.show();
        int part = bytes_ > 0 ? int(done * kStepsPerFile / bytes_) : 0;
        // A shown modal progress dialog lets the event loop run here: Cancel is read, the windows repaint.
        if (dialog_.isVisible())
            dialog_.setValue(int(file_) * kStepsPerFile + std::min(part, kStepsPerFile));
    }
    bool Cancelled() const { return dialog_.wasCanceled(); }
    bool Shown() const { return dialog_.isVisible(); }

private:
    QProgressDialog dialog_;
    QString verb_;
    size_t files_;
    size_t file_ = 0;
    qint64 bytes_ = 0;
    QElapsedTimer clock_;
};

bool IsValidFileName(const QString& name)
{
    return !name.trimmed().isEmpty() && !name.contains('/') && !name.contains(PathSeparator()) && name != "."
        && name != "..";
}

} // namespace

bool TForm1::Pop_file_copyClick(QObject* sender)
{
    // Another window (the display window) copies the file it shows: the focused entry alone.
    auto* window = qobject_cast<QWidget*>(sender);
    bool otherWindow = window && window->isWindow() && window != this;
    return TransferFiles(Transfer::Copy, otherWindow);
}

void TForm1::Pop_file_moveClick()
{
    TransferFiles(Transfer::Move, false);
}

bool TForm1::CopyFocusedEntry()
{
    return TransferFiles(Transfer::Copy, true);
}

bool TForm1::MoveFocusedEntry()
{
    return TransferFiles(Transfer::Move, true);
}

bool TForm1::TransferFiles(Transfer transfer, bool focusedOnly)
{
    bool move = transfer == Transfer::Move;
    int focused = ListView_files->FocusedPosition();
    if (focused < 0 || !folderList_)
        return false;
    folderList_->LayOutFor(move ? TForm3::Use::Move : TForm3::Use::Copy);
    QString source = WithTrailingSeparator(Edit_path->text());
    QStringList history = folderList_->FolderHistory();
    folderList_->Edit1->setText(history.isEmpty() ? Edit_path->text() : history.first());
    if (folderList_->exec() != QDialog::Accepted)
        return false;
    // A folder typed without its trailing separator is the folder all the same.
    QString typed = folderList_->Edit1->text();
    bool blank = typed.trimmed().isEmpty();
    QString target = blank ? typed : WithTrailingSeparator(typed);
    if (target == source)
        return false;

    std::vector<int> positions;
    if (focusedOnly) {
        positions.push_back(focused);
    } else {
        for (int at = ListView_files->SelectionPosition(); at >= 0; at = ListView_files->NextEntry(at, true, true))
            positions.push_back(at);
    }
    if (positions.empty())
        return false;

    FileUndo undo {move ? FileUndo::Kind::Move : FileUndo::Kind::Copy, {}};
    TransferProgress progress(this, move, positions.size());
    bool reached = false;
    for (size_t i = 0; i < positions.size() && !progress.Cancelled(); ++i) {
        int position = positions[i];
        ListView_files->SetFocusedPosition(position);
        const FileEntry& entry = ListView_files->Model().Entry(position);
        QString name = entry.caption;
        progress.Begin(i, name, entry.bytes);
        if (!platform::FolderExists(target))
            platform::ShowMessage(this, "Folder  '" + target + "'  does not exist.");
        QString from = source + name;
        QString to = target + name;
        auto update = [&progress](qint64 done) { progress.Update(done); };
        bool done = !blank
            && (move ? platform::MoveFileNoReplace(from, to, update) : platform::CopyFileNoReplace(from, to, update));
        if (!done) {
            platform::ShowMessage(
                this, QString(move ? "Unable to move file '" : "Unable to copy file '") + from + "'.");
            continue;
        }
        reached = true;
        FileUndo::Step step {from, to};
        if (!move)
            platform::FileStamp(to, step.bytes, step.modified);
        undo.steps.push_back(std::move(step));
    }
    if (move && !focusedOnly) {
        Image1Click();
        RefreshLists();
    }
    folderList_->AddToFolderHistory(target);
    if (!undo.Empty())
        lastFileCommand_ = std::move(undo);
    return reached;
}

bool TForm1::DeleteNamedFile(const QString& name, FileUndo& undo)
{
    QString path = CurrentFolder + name;
    QString inTrash;
    // Where there is no trash for the file, it is deleted as it always was.
    if (settings_.ReadBool(kPreferences, "DeleteToTrash", true) && platform::MoveFileToTrash(path, inTrash)) {
        undo.steps.push_back({path, inTrash});
        return true;
    }
    if (platform::DeleteFilePermanently(path))
        return true;
    platform::ShowMessage(this, "Unable to delete file '" + name + "'.");
    return false;
}

bool TForm1::DeleteEntryFile(int position)
{
    if (position < 0 || position >= ListView_files->Count())
        return false;
    FileUndo undo {FileUndo::Kind::Delete, {}};
    if (!DeleteNamedFile(ListView_files->Caption(position), undo))
        return false;
    // A file deleted for good cannot come back: nothing earlier is undone in its place.
    lastFileCommand_.reset();
    if (!undo.Empty())
        lastFileCommand_ = std::move(undo);
    return true;
}

void TForm1::ToolButton_deleteClick()
{
    if (ListView_files->SelectedCount() == 0)
        return;
    DeletingFiles = true;
    struct Done {
        bool& deleting;
        ~Done() { deleting = false; }
    } done {DeletingFiles};
    Image1Click();
    // From the end, so that removing an entry leaves the positions still to visit as they were.
    FileUndo undo {FileUndo::Kind::Delete, {}};
    bool deleted = false;
    for (int position = ListView_files->Count() - 1; position >= 0; --position) {
        if (!ListView_files->IsSelected(position))
            continue;
        QString name = ListView_files->Caption(position);
        if (!platform::Confirm(this, "Do you really want to delete file  '" + name + "' ?"))
            continue;
        if (DeleteNamedFile(name, undo)) {
            ListView_files->Model().RemoveEntry(position);
            deleted = true;
        }
    }
    if (deleted)
        lastFileCommand_.reset();
    if (!undo.Empty())
        lastFileCommand_ = std::move(undo);
}

void TForm1::Pop_file_renameClick()
{
    int position = ListView_files->SelectionPosition();
    if (position < 0 || !folderList_)
        return;
    QString oldName = ListView_files->Caption(position);
    folderList_->LayOutFor(TForm3::Use::Rename);
    folderList_->Edit1->setText(oldName);
    // Esc and the close box cancel.
    if (folderList_->exec() != QDialog::Accepted)
        return;
    QString newName = folderList_->Edit1->text();
    if (newName == oldName)
        return;
    QString from = CurrentFolder + oldName;
    QString to = CurrentFolder + newName;
    if (!IsValidFileName(newName) || !platform::RenameFileNoReplace(from, to)) {
        platform::ShowMessage(this, "Unable to rename file.");
        return;
    }
    ListView_files->Model().SetCaption(position, newName);
    lastFileCommand_ = FileUndo {FileUndo::Kind::Rename, {{from, to}}};
}

void TForm1::FileUndoClick()
{
    if (!lastFileCommand_) {
        StatusBar_picture->setText("Nothing to undo");
        return;
    }
    FileUndo undo = std::move(*lastFileCommand_);
    lastFileCommand_.reset();
    const QStringList failures = UndoFileSteps(undo);
    for (const QString& failure : failures)
        platform::ShowMessage(this, failure);

    Image1Click();
    RefreshLists();
    // The files back in this folder are selected again, the first focused.
    if (undo.kind != FileUndo::Kind::Copy) {
        ListView_files->ClearSelection();
        int first = -1;
        for (const FileUndo::Step& step : undo.steps) {
            if (FolderPart(step.from) != CurrentFolder)
                continue;
            QString name = FileNamePart(step.from);
            for (int position = 0; position < ListView_files->Count(); ++position) {
                if (ListView_files->Caption(position) == name) {
                    ListView_files->SetSelected(position, true);
                    if (first < 0 || position < first)
                        first = position;
                }
            }
        }
        if (first >= 0) {
            ListView_files->SetFocusedPosition(first);
            ListView_files->ScrollIntoView(first);
        }
    }
    StatusBar_picture->setText("Undone: " + undo.Description());
}

} // namespace pelmora
