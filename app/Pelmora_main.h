// The browser window: the program's main window with the path bar, the
// toolbar, the folder and file lists, the preview and the status bar. It
// owns the current folder and the file list, which is the navigation
// sequence of the whole program; closing it ends the program.
//
// The class is one window split over several files: this one's .cpp holds
// creation, showing, closing, the settings and the keys;
// Pelmora_main_controls.cpp builds the controls and menus;
// Pelmora_main_lists.cpp the lists; Pelmora_main_preview.cpp the preview and
// opening a file; Pelmora_main_path.cpp the path bar; Pelmora_main_fileops.cpp
// the file commands; Pelmora_main_link.cpp what the display window sees of
// the browser (BrowserLink) and what its closing does.
#pragma once

#include "BrowserLink.h"
#include "FileListView.h"
#include "FileUndo.h"
#include "WindowPlacement.h"
#include "formats/Picture.h"
#include "settings/IniFile.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QToolButton;
class QTreeWidget;

namespace pelmora {

namespace test {
class BrowserAccess;
}

class FramedToolButton;
class HelpWindow;
struct LoadedPicture;
class NeighbourPictures;
class PictureLoader;
struct PictureRequest;
class PreviewImageBox;
class TFormAbout;
class TForm3;
class TForm6;
class TIconThread;
class ThumbnailView;

class TForm1 : public QWidget, public BrowserLink {
    Q_OBJECT
public:
    // Creation: builds the window and reads most of its settings.
    // `startFile` is the command-line argument, empty when there is none.
    explicit TForm1(const QString& startFile = QString());
    ~TForm1() override;

    // The windows created after the browser, which its commands use.
    void AttachWindows(TFormAbout* about, TForm3* folderList, TForm6* options);

    bool StartedWithFile() const override { return !startFile_.isEmpty(); }
    // CurrentFolder followed by the caption of the entry at `position`.
    QString PathForEntry(int position) const override;

private:
    // The window tests read the controls and the state through it.
    friend class test::BrowserAccess;

    // Shared state.
    QString CurrentFolder; // always ends with the path separator
    int SortKey = 0;
    bool SortAscending = true;
    bool FullScreenView = true;
    int DriveTypesSetting = 0;
    bool DeletingFiles = false;

    // Controls.
    QWidget* Panel_path = nullptr;
    QComboBox* ComboBox_path = nullptr;
    QLineEdit* Edit_path = nullptr;
    QFrame* ToolBar1 = nullptr;
    FramedToolButton* ToolButton_upone = nullptr;
    FramedToolButton* ToolButton_explore = nullptr;
    FramedToolButton* ToolButton_copy = nullptr;
    FramedToolButton* ToolButton_move = nullptr;
    FramedToolButton* ToolButton_delete = nullptr;
    FramedToolButton* ToolButton_view = nullptr;
    FramedToolButton* ToolButton_refresh = nullptr;
    FramedToolButton* ToolButton_slideshow = nullptr;
    FramedToolButton* ToolButton_options = nullptr;
    FramedToolButton* ToolButton_about = nullptr;
    FramedToolButton* ToolButton_help = nullptr;
    FramedToolButton* ToolButton_exit = nullptr;
    QWidget* ToolButton_sep2 = nullptr; // the elastic gaps
    QWidget* ToolButton_sep4 = nullptr;
    QWidget* ToolButton_sep5 = nullptr;
    QWidget* ToolButton_sep8 = nullptr;
    QWidget* ToolButton_sep9 = nullptr;
    QWidget* ToolButton_sep10 = nullptr;
    QSplitter* Splitter1 = nullptr; // between the file panel and the preview
    QWidget* Panel_files = nullptr;
    QSplitter* Splitter2 = nullptr; // between the folder list and the file list
    QTreeWidget* ListView_folders = nullptr;
    FileListView* ListView_files = nullptr;
    QFrame* Panel_image = nullptr;
    PreviewImageBox* Image1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusBar_files = nullptr; // first panel: the file total
    QLabel* StatusBar_picture = nullptr; // second panel: the preview's picture
    QMenu* PopupMenu_file = nullptr;
    QAction* Pop_file_view = nullptr;
    QAction* Pop_file_copy = nullptr;
    QAction* Pop_file_move = nullptr;
    QAction* Pop_file_delete = nullptr;
    QMenu* Pop_file_sort = nullptr;
    QAction* Pop_file_sort_name = nullptr;
    QAction* Pop_file_sort_size = nullptr;
    QAction* Pop_file_sort_date = nullptr;
    QAction* Pop_file_sort_imagesize = nullptr;
    QAction* Pop_file_rename = nullptr;
    QAction* Pop_file_hidefolderlist = nullptr;
    QMenu* PopupMenu_folder = nullptr;
    QAction* Pop_folder_upone = nullptr;
    QAction* Pop_folder_explore = nullptr;
    QAction* Pop_folder_hidefolderlist = nullptr;
    QMenu* PopupMenu_image = nullptr;
    QAction* Pop_image_clear = nullptr;
    QMenu* PopupMenu_path = nullptr;
    QAction* Pop_path_copy = nullptr;
    QAction* Pop_path_paste = nullptr;
    QAction* Pop_path_clear = nullptr;
    QMenu* PopupMenu_window = nullptr; // "&About..." where no system menu exists
    // The file list's views (Pelmora_main_thumbnails.cpp): details or thumbnails, one shown.
    QStackedWidget* Panel_fileviews = nullptr;
    ThumbnailView* ListView_thumbnails = nullptr;
    QAction* Pop_file_thumbnails = nullptr;
    void Pop_file_thumbnailsClick(); // also Ctrl+T
    bool ShowsThumbnails() const;

public:
    // Window.
    void FormShow();
    void FormClose();
    void FormResize();
    void ApplyPanelLayout();
    void ColumnFit(); // also Splitter2Moved
    void Splitter1Moved();
    void ToolBar1Resize();
    void Pop_folder_hidefolderlistClick();
    void ToolButton_aboutClick();
    void ToolButton_helpClick();
    void ToolButton_exitClick();
    void ToolButton_optionsClick();
    // After the options dialog: rebuilds the lists and the layout, when it was closed with Ok.
    void ApplyOptions() override;
    void ToolButton_slideshowClick();

    // Lists.
    void RefreshLists();
    void ReadFolder(const QString& folder);
    void AddDrives();
    void ToolButton_refreshClick();
    void ListView_filesColumnClick(int column);
    void Pop_file_sortClick();
    void Pop_file_sort_orderClick(int tag);
    void ListView_foldersDblClick();
    void ToolButton_uponeClick();
    void PopupMenu_folderPopup();
    // A batch of type names from a worker; ignored unless `generation` is the current listing's.
    void TypeNamesFound(quint64 generation, int first, const QStringList& typeNames);
    bool TypeNamesRunning() const { return !iconThreads_.empty(); }
    // Counts the rebuilds of the lists; type names of another count are dropped.
    quint64 ListingGeneration() const { return listingGeneration_; }

    // Preview and opening a file.
    // Asks the preview's worker for the focused entry; PreviewLoaded shows it.
    void ListView_filesClick();
    void ListView_filesDblClick();
    void ToolButton_viewClick();
    // Empties the preview and shows why the focused file could not be previewed.
    void ShowPreviewFailure(const QString& message);
    void CenterPreview(int width, int height);
    void Image1Click();
    void PopupMenu_imagePopup();

    // File commands. Copy reports whether the file was copied; with another
    // window as the sender (the display window) it copies the focused entry alone.
    bool Pop_file_copyClick(QObject* sender);
    void Pop_file_moveClick();
    void ToolButton_deleteClick();
    void Pop_file_renameClick();
    // The display window's file commands, one file each: copy and move of the
    // focused entry, asking for the target folder as the browser's commands
    // do and reporting whether the file reached it; the delete of an entry's
    // file (to the trash when DeleteToTrash is set), reporting a failure
    // itself. The list is left as it is: the caller removes the entry.
    bool CopyFocusedEntry() override;
    bool MoveFocusedEntry() override;
    bool DeleteEntryFile(int position) override;
    // Ctrl+Z: takes back the last file command and says so in the status bar.
    void FileUndoClick();
    bool CanUndoFileCommand() const { return lastFileCommand_.has_value(); }

    // Path bar.
    void Edit_pathKeyDown();
    void ComboBox_pathChange(int index);
    void Pop_path_menuClick(QAction* item);
    QStringList PathHistory() const;

    // The display window has closed: the selection moves to the entry it
    // showed last and the preview follows.
    void DisplayClosed();

signals:
    // The close handler has run: the program ends.
    void Closed();
    // ListView_filesDblClick asks for the picture of `path` decoded ahead: a
    // window that holds it, read from the file as it is now, moves it into
    // `picture`; otherwise the file is read.
    void DecodedPictureWanted(const QString& path, Picture& picture);
    // ListView_filesDblClick has loaded the focused entry: the display window shows it.
    void PictureOpened(Picture& picture);
    // The settings are written at close: the other windows add their keys.
    void SettingsWriting(IniFile& settings);
    // The slideshow button, after opening the focused entry.
    void SlideshowClicked();
    // The options button: the options command is the display window's.
    void OptionsClicked();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // The display window's side of the browser (BrowserLink).
    int EntryCount() const override;
    int FocusedEntry() const override;
    void FocusEntry(int position) override;
    QString EntryCaption(int position) const override;
    bool IsEntrySelected(int position) const override;
    void SetEntrySelected(int position, bool selected) override;
    int SelectedCount() const override;
    int SelectionPosition() const override;
    int NextEntry(int position, bool down, bool selectedOnly) const override;
    void RemoveEntry(int position) override;
    void OpenFocusedEntry() override;
    bool IsDeletingFiles() const override;
    void SetDeletingFiles(bool deleting) override;
    QIcon CommandIcon(FileCommand command) const override;
    bool IsFullScreenView() const override;
    bool RunOptionsDialog() override;
    QString PathBarText() const override;
    QScreen* Screen() const override;
    void ShowHelp() override;

    void BuildControls();
    void BuildToolBar();
    void BuildMenus();
    void BuildFileViews();
    // Before the window comes apart: the thumbnails' events stop reaching it.
    void ReleaseFileViews();
    void SetFileView(bool thumbnails);
    void ConnectControls();
    bool HandleEvent(QObject* watched, QEvent* event);
    void LayOutPathBar();
    void Place(const Placement& placement);
    void FollowFrame();
    QMargins FrameMargins() const;
    QRect AvailableArea(const QRect& outer) const;
    void UpdateMinimumSize();
    void KeepPreviewPlaced();
    void PreviewLoaded(const LoadedPicture& loaded);
    PictureRequest PreviewRequest(int position) const;
    // The previews read ahead of the entry at `position`.
    std::vector<PictureRequest> PreviewsAhead(int position) const;
    void ShowPreview(const LoadedPicture& loaded, int position);
    void WriteSettings();
    void ChooseStartEntry();
    void StartTypeNames();
    void StopTypeNames(bool wait);
    void SortFileList();
    int FolderListExtent() const;
    void SetFolderListExtent(int extent);
    int FilePanelExtent() const;
    void SetFilePanelExtent(int extent);
    enum class Transfer { Copy, Move };
    bool TransferFiles(Transfer transfer, bool focusedOnly);
    bool DeleteNamedFile(const QString& name, FileUndo& undo);

    IniFile settings_;
    QString startFile_;
    TFormAbout* about_ = nullptr;
    TForm3* folderList_ = nullptr;
    TForm6* options_ = nullptr;
    std::optional<FileUndo> lastFileCommand_;
    QPointer<HelpWindow> help_; // made when help is first shown
    bool shown_ = false;
    WindowPlacement placement_;
    bool releaseEndsDoubleClick_ = false;
    QWidget* pathPopupOwner_ = nullptr; // the path bar control the path popup was opened on
    bool leftPanelLayout_ = false;
    quint64 listingGeneration_ = 0;
    std::vector<TIconThread*> iconThreads_;
    PictureLoader* previewLoader_ = nullptr;
    quint64 previewTag_ = 0; // the preview request waited for; 0 when none
    NeighbourPictures* previewsAhead_ = nullptr; // the previews next to the one shown, read by previewLoader_
    int previewedPosition_ = -1; // the entry asked for last
    bool previewForward_ = true; // the direction of travel through the list
};

} // namespace pelmora
