#include "Pelmora_main.h"

#include "Application.h"
#include "BusyCursor.h"
#include "FocusCues.h"
#include "FolderPath.h"
#include "FramedToolButton.h"
#include "Guarded.h"
#include "HelpWindow.h"
#include "PathLists.h"
#include "NeighbourPictures.h"
#include "PictureLoader.h"
#include "Pelmora_about.h"
#include "Pelmora_options.h"
#include "Pelmora_paths.h"
#include "Platform.h"
#include "PreviewImageBox.h"
#include "ProgramFolder.h"
#include "ScreenRatioWatch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QThread>
#include <QTreeWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace pelmora {

namespace {

constexpr const char* kPreferences = "Preferences";
constexpr QSize kDefaultClientSize(502, 483);
constexpr QPoint kDefaultPosition(229, 114);
constexpr int kDefaultFolderColumn = 136;
constexpr int kDefaultFilePanel = 147;
// The toolbar's buttons and fixed gaps; what it has beyond goes to the elastic gaps.
constexpr int kToolBarFixedWidth = 299;
constexpr int kMinimumClientWidth = 326;
constexpr int kMinimumOuterHeight = 290;
constexpr const char* kHideFolderList = "Hide folder list";
constexpr const char* kShowFolderList = "Show folder list";

bool IsPreviewKey(int key)
{
    return key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_End || key == Qt::Key_Home
        || key == Qt::Key_Up || key == Qt::Key_Down;
}

bool IsEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The width left for a list's last column: a margin of 4, and the scroll bar's width when one shows.
int ListMargin(const QAbstractItemView* list)
{
    int margin = 4;
    if (list->verticalScrollBar()->isVisible())
        margin += list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return margin;
}

int FirstPaneSize(const QSplitter* splitter)
{
    return splitter->sizes().value(0);
}

// The second pane takes what is left; it follows the splitter's size, the first does not.
void SetFirstPaneSize(QSplitter* splitter, int size)
{
    QList<int> sizes = splitter->sizes();
    int total = sizes.value(0) + sizes.value(1);
    splitter->setSizes({ size, std::max(1, total - size) });
}

StoredGeometry ReadStoredGeometry(const IniFile& settings)
{
    auto key = [&](const char* name, int malformed) -> std::optional<int> {
        if (!settings.ValueExists(kPreferences, name))
            return std::nullopt;
        return settings.ReadInteger(kPreferences, name, malformed);
    };
    return {key("WindowLeft", kDefaultPosition.x()), key("WindowTop", kDefaultPosition.y()),
        key("WindowWidth", kDefaultClientSize.width()), key("WindowHeight", kDefaultClientSize.height())};
}

} // namespace

TForm1::TForm1(const QString& startFile)
    : settings_(SettingsFilePath().toStdString())
    , startFile_(startFile)
    , placement_(ReadStoredGeometry(settings_), kDefaultClientSize, kDefaultPosition)
{
    setWindowTitle(" Picture Pelmora");
    BuildControls();
    // Previews are read reduced: one on each core is cheap in memory. Two
    // are enough to keep ahead of the keys; on one core a second read would
    // only halve the focused one's share.
    previewLoader_ = new PictureLoader(this, std::clamp(QThread::idealThreadCount(), 1, 2));
    previewsAhead_ = new NeighbourPictures(this, previewLoader_);
    connect(previewLoader_, &PictureLoader::Loaded, this,
        GuardWithArguments([this](const LoadedPicture& loaded) { PreviewLoaded(loaded); }));

    CurrentFolder = WithTrailingSeparator(QString::fromStdString(
        settings_.ReadString(kPreferences, "OpenPath", platform::DefaultOpenPath().toStdString())));
    SortKey = settings_.ReadInteger(kPreferences, "SortColumn", SortByName);
    SortAscending = settings_.ReadBool(kPreferences, "SortOrder", true);

    // The panel layout comes first: a splitter not yet on the screen cannot
    // tell the sizes it was given, so they are given in their final direction.
    ApplyPanelLayout();
    SetFolderListExtent(settings_.ReadInteger(kPreferences, "FolderColumn", kDefaultFolderColumn));
    if (FolderListExtent() < 2)
        Pop_file_hidefolderlist->setText(kShowFolderList);
    SetFilePanelExtent(settings_.ReadInteger(kPreferences, "PelmoraHeight", kDefaultFilePanel));

    // Stored values give the outer size; without them the client area is 502 x 483.
    Place(placement_.Initial(AvailableArea(placement_.Requested(QMargins()))));
    const char* columnKeys[] = { "Column_1", "Column_2", "Column_3" };
    for (int column = 0; column < 3; ++column)
        ListView_files->setColumnWidth(
            column, settings_.ReadInteger(kPreferences, columnKeys[column], ListView_files->columnWidth(column)));
    setMinimumSize(kMinimumClientWidth, kMinimumOuterHeight);
    if (settings_.ReadBool(kPreferences, "WindowMaximized", false))
        setWindowState(windowState() | Qt::WindowMaximized);

    for (const QString& path : ReadPathList(settings_, kReadPathsSection))
        ComboBox_path->addItem(path);

    FullScreenView = settings_.ReadBool(kPreferences, "FullScreenView", true);
    DriveTypesSetting = settings_.ReadInteger(kPreferences, "DriveTypes", 0);
    // Ctrl+Z takes back the last file command; the path text box keeps it for its own text.
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, Guard([this] { FileUndoClick(); }));

    ConnectControls();
    BuildFileViews();
    // On a screen of another device pixel ratio the preview is read again for the panel's device pixels.
    new ScreenRatioWatch(this, Guard([this] {
        if (Image1->HasPicture())
            ListView_filesClick();
    }));
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, ToolButton_help, &QToolButton::click);
}

TForm1::~TForm1()
{
    StopTypeNames(true);
    ReleaseFileViews();
}

void TForm1::AttachWindows(TFormAbout* about, TForm3* folderList, TForm6* options)
{
    about_ = about;
    folderList_ = folderList;
    options_ = options;
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    FollowFrame();
    Guarded([this] { FormShow(); });
}

void TForm1::FormShow()
{
    {
        BusyCursor busy;
        if (StartedWithFile())
            CurrentFolder = FolderPart(QDir::toNativeSeparators(QFileInfo(startFile_).absoluteFilePath()));
        RefreshLists();
        ColumnFit();
        if (ListView_files->Count() > 0)
            ChooseStartEntry();
    }
    if (StartedWithFile() && ListView_files->FocusedPosition() >= 0) {
        bool hideImage = settings_.ReadBool(kPreferences, "HideImageOnLoad", false);
        // Without HideImageOnLoad the entry was previewed when it was chosen.
        if (hideImage)
            ListView_filesClick();
        else
            ListView_filesDblClick();
    }
}

void TForm1::ChooseStartEntry()
{
    ListView_files->setFocus();
    auto firstWhere = [this](auto matches) {
        for (int position = 0; position < ListView_files->Count(); ++position)
            if (matches(ListView_files->Caption(position)))
                return position;
        return -1;
    };
    int chosen = -1;
    if (StartedWithFile()) {
        QString name = QFileInfo(startFile_).fileName();
        chosen = firstWhere([&](const QString& caption) { return caption.startsWith(name, Qt::CaseInsensitive); });
    } else {
        // The file by its name, so a folder that changed does not focus another;
        // by its position only when the name is gone.
        QString name = QString::fromStdString(settings_.ReadString(kPreferences, "SelectedName", ""));
        if (!name.isEmpty())
            chosen = firstWhere([&](const QString& caption) { return caption == name; });
        if (chosen < 0)
            chosen = std::clamp(settings_.ReadInteger(kPreferences, "SelectedFile", 0), 0, ListView_files->Count() - 1);
    }
    if (chosen < 0)
        return;
    ListView_files->FocusAndSelect(chosen);
    ListView_files->ScrollIntoView(chosen);
    if (!settings_.ReadBool(kPreferences, "HideImageOnLoad", false))
        ListView_filesClick();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
    emit Closed();
}

void TForm1::FormClose()
{
    // A settings file that cannot be written is reported once; the program
    // still closes, and the file keeps what it held (each write replaces it whole).
    try {
        WriteSettings();
    } catch (const std::exception& e) {
        Application::ShowError(QString::fromUtf8(e.what()));
    }
}

void TForm1::WriteSettings()
{
    settings_.WriteString(kPreferences, "OpenPath", CurrentFolder.toStdString());
    settings_.WriteInteger(kPreferences, "SortColumn", SortKey);
    settings_.WriteBool(kPreferences, "SortOrder", SortAscending);
    settings_.WriteInteger(kPreferences, "FolderColumn", FolderListExtent());
    settings_.WriteInteger(kPreferences, "PelmoraHeight", FilePanelExtent());
    settings_.WriteInteger(kPreferences, "Column_1", ListView_files->columnWidth(ColumnName));
    settings_.WriteInteger(kPreferences, "Column_2", ListView_files->columnWidth(ColumnType));
    settings_.WriteInteger(kPreferences, "Column_3", ListView_files->columnWidth(ColumnSize));
    settings_.WriteInteger(kPreferences, "FileView", ShowsThumbnails() ? 1 : 0);
    // A maximized window keeps its normal size and place for when it is restored.
    QRect outer = placement_.ToStore(normalGeometry());
    settings_.WriteInteger(kPreferences, "WindowTop", outer.top());
    settings_.WriteInteger(kPreferences, "WindowLeft", outer.left());
    settings_.WriteInteger(kPreferences, "WindowHeight", outer.height());
    settings_.WriteInteger(kPreferences, "WindowWidth", outer.width());
    settings_.WriteBool(kPreferences, "WindowMaximized", isMaximized());
    emit SettingsWriting(settings_);
    if (folderList_)
        WritePathList(settings_, kSavePathsSection, folderList_->FolderHistory());
    WritePathList(settings_, kReadPathsSection, PathHistory());
    int focused = ListView_files->FocusedPosition();
    if (focused >= 0) {
        settings_.WriteInteger(kPreferences, "SelectedFile", focused);
        settings_.WriteString(kPreferences, "SelectedName", ListView_files->Caption(focused).toStdString());
    } else {
        settings_.DeleteKey(kPreferences, "SelectedFile");
        settings_.DeleteKey(kPreferences, "SelectedName");
    }
}

void TForm1::Place(const Placement& placement)
{
    // The position is the frame's corner, the size the client area's. Once
    // framed, the client area is placed inside the frame as measured: the
    // frame Qt keeps may still be that of the maximized window.
    QMargins frame = FrameMargins();
    if (frame.isNull()) {
        move(placement.framePosition);
        resize(placement.clientSize);
    } else {
        setGeometry(QRect(placement.framePosition + QPoint(frame.left(), frame.top()), placement.clientSize));
    }
}

QMargins TForm1::FrameMargins() const
{
    QWindow* window = windowHandle();
    return window ? window->frameMargins() : QMargins();
}

QRect TForm1::AvailableArea(const QRect& outer) const
{
    QScreen* screen = QGuiApplication::screenAt(outer.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The window manager tells the frame once it has framed the window, which
// shows as a move or a resize; the stored outer size is then applied again.
void TForm1::FollowFrame()
{
    QMargins frame = FrameMargins();
    bool maximized = isMaximized() || isFullScreen();
    if (auto placement = placement_.FrameMeasured(frame, maximized, AvailableArea(frameGeometry())))
        Place(*placement);
    UpdateMinimumSize();
}

void TForm1::UpdateMinimumSize()
{
    // 326 wide inside the sizing frames, 290 high outside: the toolbar is
    // then always wider than its fixed part, so no elastic gap goes negative.
    QMargins frame = FrameMargins();
    setMinimumSize(kMinimumClientWidth, std::max(1, kMinimumOuterHeight - frame.top() - frame.bottom()));
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible()) {
        FollowFrame();
        Guarded([this] { FormResize(); });
    }
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    if (isVisible())
        FollowFrame();
}

void TForm1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isVisible())
        FollowFrame();
}

void TForm1::FormResize()
{
    KeepPreviewPlaced();
    LayOutPathBar();
    ColumnFit();
}

void TForm1::LayOutPathBar()
{
    int width = Panel_path->width();
    ComboBox_path->setGeometry(0, 0, width, Panel_path->height());
    int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    Edit_path->setGeometry(0, 0, std::max(0, width - scrollBar - 1), Panel_path->height());
}

void TForm1::ToolBar1Resize()
{
    int extra = ToolBar1->width() - kToolBarFixedWidth;
    int wide = std::max(0, extra * 356 / 1000);
    int narrow = std::max(0, extra * 96 / 1000);
    ToolButton_sep2->setFixedWidth(wide);
    for (QWidget* gap : { ToolButton_sep5, ToolButton_sep4, ToolButton_sep9, ToolButton_sep8, ToolButton_sep10 })
        gap->setFixedWidth(narrow);
}

// The folder list's size across Splitter2 (its width in the default layout)
// is what FolderColumn keeps, and the file panel's size across Splitter1 (its
// height in the default layout) what PelmoraHeight keeps; in the layout with
// the file panel at the left the same two sizes come back the same way.
int TForm1::FolderListExtent() const
{
    return FirstPaneSize(Splitter2);
}

void TForm1::SetFolderListExtent(int extent)
{
    SetFirstPaneSize(Splitter2, extent);
}

int TForm1::FilePanelExtent() const
{
    return FirstPaneSize(Splitter1);
}

void TForm1::SetFilePanelExtent(int extent)
{
    SetFirstPaneSize(Splitter1, extent);
}

void TForm1::ApplyPanelLayout()
{
    bool left = settings_.ReadInteger(kPreferences, "PanelFiles", 0) != 0;
    if (left == leftPanelLayout_)
        return;
    int folders = FolderListExtent(), panel = FilePanelExtent();
    leftPanelLayout_ = left;
    Splitter1->setOrientation(left ? Qt::Horizontal : Qt::Vertical);
    Splitter2->setOrientation(left ? Qt::Vertical : Qt::Horizontal);
    SetFilePanelExtent(panel);
    SetFolderListExtent(folders);
}

void TForm1::ColumnFit()
{
    ListView_folders->setColumnWidth(0, std::max(0, ListView_folders->width() - ListMargin(ListView_folders)));
    int used = 0;
    for (int column : { ColumnName, ColumnType, ColumnSize })
        used += ListView_files->columnWidth(column);
    ListView_files->setColumnWidth(
        ColumnDate, std::max(0, ListView_files->width() - used - ListMargin(ListView_files)));
    Pop_file_hidefolderlist->setText(FolderListExtent() > 1 ? kHideFolderList : kShowFolderList);
}

void TForm1::Splitter1Moved()
{
    ColumnFit();
    KeepPreviewPlaced();
}

void TForm1::Pop_folder_hidefolderlistClick()
{
    if (Pop_file_hidefolderlist->text() == kHideFolderList) {
        settings_.WriteInteger(kPreferences, "FolderColumn", FolderListExtent());
        SetFolderListExtent(1);
        Pop_file_hidefolderlist->setText(kShowFolderList);
    } else {
        int extent = settings_.ReadInteger(kPreferences, "FolderColumn", kDefaultFolderColumn);
        SetFolderListExtent(extent == 1 ? kDefaultFolderColumn : extent);
        Pop_file_hidefolderlist->setText(kHideFolderList);
    }
}

void TForm1::ToolButton_aboutClick()
{
    if (about_)
        about_->exec();
}

void TForm1::ToolButton_helpClick()
{
    QString guide = HelpFilePath("Pelmora.chm");
    if (QFileInfo::exists(guide) && platform::OpenDocument(guide))
        return;
    // The text guide in a window of our own: there may be no program to hand it to.
    if (!help_)
        help_ = new HelpWindow(this);
    // Over a modal display window the guide must belong to it, or it could not be used.
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this;
    if (help_->parentWidget() != owner)
        help_->setParent(owner, help_->windowFlags());
    if (!help_->ShowFile(HelpFilePath("Pelmora.txt")))
        platform::ShowMessage(this, "Help file not found");
}

void TForm1::ToolButton_exitClick()
{
    close();
}

void TForm1::ToolButton_optionsClick()
{
    // The options command is the display window's, with the browser as its sender.
    if (isSignalConnected(QMetaMethod::fromSignal(&TForm1::OptionsClicked))) {
        emit OptionsClicked();
    } else if (options_) {
        options_->exec();
        ApplyOptions();
    }
}

void TForm1::ApplyOptions()
{
    if (!options_ || options_->LastResult() != QDialog::Accepted)
        return;
    int position = ListView_files->SelectionPosition();
    DriveTypesSetting = settings_.ReadInteger(kPreferences, "DriveTypes", 0);
    RefreshLists();
    ApplyPanelLayout();
    // The entry now at the remembered position; none when the list got shorter.
    if (position >= 0 && position < ListView_files->Count()) {
        ListView_files->FocusAndSelect(position);
        ListView_files->ScrollIntoView(position);
    }
    Image1Click();
    if (!settings_.ReadBool(kPreferences, "HideImageOnLoad", false))
        ListView_filesClick();
}

void TForm1::ToolButton_slideshowClick()
{
    ToolButton_view->click();
    emit SlideshowClicked();
}

void TForm1::keyReleaseEvent(QKeyEvent* event)
{
    RepaintFocusCues(this, event->key());
    QWidget::keyReleaseEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    bool handled = false;
    Guarded([&] { handled = HandleEvent(watched, event); });
    return handled;
}

bool TForm1::HandleEvent(QObject* watched, QEvent* event)
{
    QEvent::Type type = event->type();
    if (watched == Panel_path && type == QEvent::Resize) {
        LayOutPathBar();
    } else if (watched == ToolBar1 && type == QEvent::Resize) {
        ToolBar1Resize();
    } else if (watched == Panel_image && type == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            Image1Click();
    } else if (watched == ListView_files->viewport()) {
        // A double-click's second release is no new click.
        if (type == QEvent::MouseButtonDblClick)
            releaseEndsDoubleClick_ = true;
        if (type == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            if (!std::exchange(releaseEndsDoubleClick_, false))
                ListView_filesClick();
        }
    } else if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        bool press = type == QEvent::KeyPress;
        if (watched == ListView_files) {
            if (press && IsEnter(key->key())) {
                ListView_filesDblClick();
                return true;
            }
            if (press && key->key() == Qt::Key_Delete) {
                ToolButton_delete->click();
                return true;
            }
            // The window's Ctrl+Z also while another window is the active one.
            if (press && key->matches(QKeySequence::Undo)) {
                FileUndoClick();
                return true;
            }
            // Holding a key previews only the entry reached when it is let go.
            if (!press && !key->isAutoRepeat() && IsPreviewKey(key->key()))
                ListView_filesClick();
        } else if (watched == ListView_folders && press) {
            if (key->key() == Qt::Key_Backspace) {
                ToolButton_uponeClick();
                return true;
            }
            if (IsEnter(key->key())) {
                ListView_foldersDblClick();
                return true;
            }
        } else if (watched == Edit_path && press && IsEnter(key->key())) {
            Edit_pathKeyDown();
            return true;
        }
    }
    return false;
}

bool TForm1::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    if (platform::IsAboutCommand(message)) {
        Guarded([this] { ToolButton_aboutClick(); });
        *result = 0;
        return true;
    }
    return QWidget::nativeEvent(eventType, message, result);
}

} // namespace pelmora
