// The browser's folder list and file list: reading the current folder, the
// drives, sorting, the type-name worker, and moving between folders.
#include "Pelmora_main.h"

#include "BusyCursor.h"
#include "FolderPath.h"
#include "IconThread.h"
#include "Platform.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include <algorithm>

namespace pelmora {

namespace {

constexpr int kFolderTypeColumn = 1;
constexpr int kDriveRootRole = Qt::UserRole;
const QString kFolderType = "F";
const QString kDriveType = "D";

QTreeWidgetItem* FolderListItem(const QString& caption, const QString& type, const QIcon& icon)
{
    auto* item = new QTreeWidgetItem({ caption, type });
    item->setIcon(0, icon);
    return item;
}

// Repainting stays suspended while a list is filled, so it is drawn once.
struct UpdatesSuspended {
    explicit UpdatesSuspended(QWidget* widget)
        : widget_(widget)
    {
        widget_->setUpdatesEnabled(false);
    }
    ~UpdatesSuspended() { widget_->setUpdatesEnabled(true); }
    UpdatesSuspended(const UpdatesSuspended&) = delete;
    UpdatesSuspended& operator=(const UpdatesSuspended&) = delete;
    QWidget* widget_;
};

} // namespace

void TForm1::RefreshLists()
{
    // Workers of the listing being replaced stop early; whatever they still
    // send belongs to an old generation and is dropped.
    StopTypeNames(false);
    ++listingGeneration_;
    ListView_files->Model().Clear();
    ListView_folders->clear();
    ReadFolder(CurrentFolder);
    Edit_path->setText(CurrentFolder);
    SortFileList();
    AddDrives();
    StatusBar_files->setText("Total " + QString::number(ListView_files->Count()) + " files");
    StartTypeNames();
}

void TForm1::ReadFolder(const QString& folder)
{
    UpdatesSuspended foldersSuspended(ListView_folders);
    UpdatesSuspended filesSuspended(ListView_files);
    // A folder that cannot be read lists nothing; the drives still follow.
    std::vector<platform::FolderEntry> found;
    platform::ListFolder(folder, &IsListedPictureFile, found);

    bool root = IsRootFolder(folder);
    std::vector<FileEntry> files;
    std::vector<QTreeWidgetItem*> folders;
    for (const platform::FolderEntry& entry : found) {
        if (!entry.folder) {
            files.push_back(MakeFileEntry(entry.name, entry.bytes, entry.modified));
        } else if (entry.name == "..") {
            if (!root)
                folders.push_back(FolderListItem(entry.name, kFolderType, platform::SmallIcon(ParentFolder(folder))));
        } else if (entry.name != "." && !entry.hidden) {
            folders.push_back(FolderListItem(entry.name, kFolderType, platform::SmallIcon(folder + entry.name)));
        }
    }
    std::stable_sort(folders.begin(), folders.end(),
        [](QTreeWidgetItem* a, QTreeWidgetItem* b) { return CompareCaptions(a->text(0), b->text(0)) < 0; });
    ListView_folders->addTopLevelItems(QList<QTreeWidgetItem*>(folders.begin(), folders.end()));
    ListView_files->Model().SetEntries(std::move(files));
}

void TForm1::AddDrives()
{
    UpdatesSuspended suspended(ListView_folders);
    for (const platform::Drive& drive : platform::ListDrives(DriveTypesSetting)) {
        QTreeWidgetItem* item = FolderListItem(drive.caption, kDriveType, platform::SmallIcon(drive.root));
        item->setData(0, kDriveRootRole, drive.root);
        ListView_folders->addTopLevelItem(item);
    }
}

void TForm1::SortFileList()
{
    ListView_files->Model().Sort(SortKey, SortAscending);
}

void TForm1::StartTypeNames()
{
    QStringList names = ListView_files->Model().NumberForTypeNames();
    if (names.isEmpty())
        return;
    auto* worker = new TIconThread(CurrentFolder, std::move(names), listingGeneration_);
    connect(worker, &TIconThread::TypeNamesFound, this, &TForm1::TypeNamesFound);
    connect(worker, &QThread::finished, this, [this, worker] {
        iconThreads_.erase(std::remove(iconThreads_.begin(), iconThreads_.end(), worker), iconThreads_.end());
        worker->deleteLater();
    });
    iconThreads_.push_back(worker);
    worker->start(QThread::LowPriority);
}

void TForm1::StopTypeNames(bool wait)
{
    for (TIconThread* worker : iconThreads_)
        worker->requestInterruption();
    if (!wait)
        return;
    for (TIconThread* worker : iconThreads_) {
        worker->wait();
        delete worker;
    }
    iconThreads_.clear();
}

void TForm1::TypeNamesFound(quint64 generation, int first, const QStringList& typeNames)
{
    if (generation == listingGeneration_)
        ListView_files->Model().ApplyTypeNames(first, typeNames);
}

void TForm1::ToolButton_refreshClick()
{
    RefreshLists();
}

void TForm1::ListView_filesColumnClick(int column)
{
    int key = SortKeyForColumn(column);
    if (key == SortKey)
        SortAscending = !SortAscending;
    else
        SortKey = key;
    SortFileList();
}

void TForm1::Pop_file_sortClick()
{
    for (QAction* item : Pop_file_sort->actions())
        item->setChecked(item->data().toInt() == SortKey);
}

void TForm1::Pop_file_sort_orderClick(int tag)
{
    ListView_filesColumnClick(tag);
}

void TForm1::ListView_foldersDblClick()
{
    QList<QTreeWidgetItem*> selected = ListView_folders->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* item = selected.first();
    BusyCursor busy;
    QString caption = item->text(0).trimmed();
    QString before = CurrentFolder;
    Image1Click();
    QString folder = CurrentFolder;
    if (caption == "..") {
        folder = ParentFolder(CurrentFolder);
    } else if (item->text(kFolderTypeColumn) == kDriveType) {
        // A drive that cannot be entered (no disc) leaves everything as it was.
        folder = item->data(0, kDriveRootRole).toString();
        platform::SetWorkingFolder(folder);
    } else {
        folder = CurrentFolder + caption + PathSeparator();
    }
    CurrentFolder = folder;
    if (CurrentFolder != before)
        RefreshLists();
}

void TForm1::ToolButton_uponeClick()
{
    QTreeWidgetItem* first = ListView_folders->topLevelItem(0);
    if (!first)
        return;
    ListView_folders->setCurrentItem(first);
    if (first->text(0) == "..")
        ListView_foldersDblClick();
}

void TForm1::PopupMenu_folderPopup()
{
    QList<QTreeWidgetItem*> selected = ListView_folders->selectedItems();
    if (!selected.isEmpty())
        Pop_folder_explore->setText(
            selected.first()->text(kFolderTypeColumn) != kFolderType ? "Explore drive" : "Explore folder");
    QTreeWidgetItem* first = ListView_folders->topLevelItem(0);
    Pop_folder_upone->setEnabled(first && first->text(0) == "..");
}

} // namespace pelmora
