// The browser window's controls, toolbar and popup menus, and what each
// control's events run.
#include "Pelmora_main.h"

#include "FramedToolButton.h"
#include "Guarded.h"
#include "Platform.h"
#include "PreviewImageBox.h"
#include "ToolbarPictures.h"

#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelmora {

namespace {

constexpr int kPathBarHeight = 19;
constexpr int kToolBarHeight = 24;
constexpr int kButtonWidth = 23;
constexpr int kButtonHeight = 22;
constexpr int kSplitterWidth = 3;
constexpr int kFilesPanelWidth = 100;

QWidget* FixedGap(QWidget* parent, int width)
{
    auto* gap = new QWidget(parent);
    gap->setFixedWidth(width);
    return gap;
}

QAction* AddItem(QMenu* menu, const QString& caption, int picture = 0)
{
    QAction* item = menu->addAction(caption);
    if (picture)
        item->setIcon(ToolbarPicture(picture));
    return item;
}

void MakeDefaultItem(QMenu* menu, QAction* item)
{
    QFont bold = item->font();
    bold.setBold(true);
    item->setFont(bold);
    menu->setDefaultAction(item);
}

} // namespace

void TForm1::BuildControls()
{
    setFont(QFont("Tahoma"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The path text box lies over the drop-down so that only its button shows.
    Panel_path = new QWidget(this);
    Panel_path->setFixedHeight(kPathBarHeight);
    ComboBox_path = new QComboBox(Panel_path);
    Edit_path = new QLineEdit(Panel_path);
    Edit_path->setFont(QFont("Tahoma", 7));
    Edit_path->setToolTip(" press 'enter' key to save in path history list");
    Edit_path->setAccessibleName("Path");
    ComboBox_path->setAccessibleName("Path history");
    ComboBox_path->view()->setAccessibleName("Path history");
    Edit_path->raise();
    layout->addWidget(Panel_path);

    BuildToolBar();
    layout->addWidget(ToolBar1);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    Panel_files = new QWidget(Splitter1);
    auto* filesLayout = new QVBoxLayout(Panel_files);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    Splitter2 = new QSplitter(Qt::Horizontal, Panel_files);
    Splitter2->setHandleWidth(kSplitterWidth);
    Splitter2->setChildrenCollapsible(false);
    filesLayout->addWidget(Splitter2);

    ListView_folders = new QTreeWidget(Splitter2);
    ListView_folders->setColumnCount(2);
    ListView_folders->setHeaderLabels({ "Name", "Type" });
    ListView_folders->setColumnHidden(1, true);
    ListView_folders->setColumnWidth(0, 150);
    ListView_folders->setRootIsDecorated(false);
    ListView_folders->setUniformRowHeights(true);
    ListView_folders->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView_folders->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView_folders->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView_folders->setExpandsOnDoubleClick(false);
    ListView_folders->header()->setStretchLastSection(false);
    // Hiding the folder list leaves a sliver one pixel wide.
    ListView_folders->setMinimumSize(1, 1);
    ListView_folders->setAccessibleName("Folders");

    ListView_files = new FileListView(Splitter2);
    ListView_files->Model().SetGlyph(ToolbarPicture(kFileGlyphPicture));
    const int widths[] = { 160, 80, 60, 100 };
    for (int column = 0; column < 4; ++column)
        ListView_files->setColumnWidth(column, widths[column]);
    ListView_files->setMinimumSize(1, 1);
    ListView_files->setAccessibleName("Files");
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);

    Panel_image = new QFrame(Splitter1);
    Panel_image->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel_image->setLineWidth(2);
    Panel_image->setMinimumSize(1, 1);
    Image1 = new PreviewImageBox(Panel_image);
    Image1->setAccessibleName("Preview");
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    layout->addWidget(Splitter1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar_files = new QLabel(StatusBar1);
    StatusBar_files->setFixedWidth(kFilesPanelWidth);
    StatusBar_picture = new QLabel(StatusBar1);
    StatusBar1->addWidget(StatusBar_files);
    StatusBar1->addWidget(StatusBar_picture, 1);
    layout->addWidget(StatusBar1);

    BuildMenus();
}

void TForm1::BuildToolBar()
{
    ToolBar1 = new QFrame(this);
    ToolBar1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ToolBar1->setLineWidth(1);
    ToolBar1->setFixedHeight(kToolBarHeight);
    auto* row = new QHBoxLayout(ToolBar1);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);
    auto button = [&](FramedToolButton*& control, const char* hint, int picture) {
        control = new FramedToolButton(ToolBar1);
        control->SetHint(QString::fromLatin1(hint));
        control->setIcon(ToolbarPicture(picture));
        control->setIconSize(QSize(16, 16));
        control->setFixedSize(kButtonWidth, kButtonHeight);
        row->addWidget(control);
    };
    auto elastic = [&](QWidget*& gap) {
        gap = FixedGap(ToolBar1, 0);
        row->addWidget(gap);
    };
    row->addWidget(FixedGap(ToolBar1, 8));
    button(ToolButton_upone, " up one level ... ", 10);
    button(ToolButton_explore, " explore this ... ", 9);
    elastic(ToolButton_sep2);
    row->addWidget(FixedGap(ToolBar1, 4));
    button(ToolButton_copy, " copy file ... ", 7);
    button(ToolButton_move, " move file ... ", 11);
    row->addWidget(FixedGap(ToolBar1, 6));
    button(ToolButton_delete, " delete file (Del) ", 1);
    elastic(ToolButton_sep4);
    button(ToolButton_view, " view file (Enter) ", 2);
    button(ToolButton_refresh, " refresh file list ", 3);
    elastic(ToolButton_sep9);
    button(ToolButton_slideshow, " slideshow ", 14);
    elastic(ToolButton_sep5);
    button(ToolButton_options, " options ... ", 13);
    elastic(ToolButton_sep8);
    button(ToolButton_about, " about ... ", 8);
    row->addWidget(FixedGap(ToolBar1, 4));
    button(ToolButton_help, " help ... ", 4);
    elastic(ToolButton_sep10);
    button(ToolButton_exit, " exit ", 15);
    row->addStretch(1);
}

void TForm1::BuildMenus()
{
    PopupMenu_file = new QMenu(this);
    Pop_file_view = AddItem(PopupMenu_file, "View", 2);
    MakeDefaultItem(PopupMenu_file, Pop_file_view);
    PopupMenu_file->addSeparator();
    Pop_file_copy = AddItem(PopupMenu_file, "Copy...", 7);
    Pop_file_move = AddItem(PopupMenu_file, "Move...", 11);
    Pop_file_delete = AddItem(PopupMenu_file, "Delete...", 1);
    PopupMenu_file->addSeparator();
    Pop_file_sort = PopupMenu_file->addMenu("Sort ...");
    Pop_file_sort_name = AddItem(Pop_file_sort, "Name");
    Pop_file_sort_size = AddItem(Pop_file_sort, "File size");
    Pop_file_sort_date = AddItem(Pop_file_sort, "File date");
    Pop_file_sort_imagesize = AddItem(Pop_file_sort, "Image size");
    const std::pair<QAction*, int> sortTags[] = {
        { Pop_file_sort_name, SortByName },
        { Pop_file_sort_size, SortBySize },
        { Pop_file_sort_date, SortByDate },
        { Pop_file_sort_imagesize, SortByImageSize },
    };
    for (auto [item, tag] : sortTags) {
        item->setCheckable(true);
        item->setData(tag);
    }
    Pop_file_sort_imagesize->setEnabled(false);
    PopupMenu_file->addSeparator();
    Pop_file_rename = AddItem(PopupMenu_file, "Rename");
    PopupMenu_file->addSeparator();
    Pop_file_hidefolderlist = AddItem(PopupMenu_file, "Hide folder list");

    PopupMenu_folder = new QMenu(this);
    Pop_folder_upone = AddItem(PopupMenu_folder, "Up one level", 10);
    Pop_folder_explore = AddItem(PopupMenu_folder, "Explore folder", 9);
    MakeDefaultItem(PopupMenu_folder, Pop_folder_explore);
    PopupMenu_folder->addSeparator();
    Pop_folder_hidefolderlist = AddItem(PopupMenu_folder, "Hide folder list");

    PopupMenu_image = new QMenu(this);
    Pop_image_clear = AddItem(PopupMenu_image, "Clear [click]");

    PopupMenu_path = new QMenu(this);
    Pop_path_copy = AddItem(PopupMenu_path, "&Copy path");
    Pop_path_paste = AddItem(PopupMenu_path, "&Paste path");
    PopupMenu_path->addSeparator();
    Pop_path_clear = AddItem(PopupMenu_path, "Clear paths history");

    PopupMenu_window = new QMenu(this);
    QAction* about = AddItem(PopupMenu_window, "&About...", 8);
    connect(about, &QAction::triggered, this, Guard([this] { ToolButton_aboutClick(); }));
}

void TForm1::ConnectControls()
{
    const std::pair<QToolButton*, void (TForm1::*)()> buttons[] = {
        { ToolButton_upone, &TForm1::ToolButton_uponeClick },
        { ToolButton_explore, &TForm1::ListView_foldersDblClick },
        { ToolButton_move, &TForm1::Pop_file_moveClick },
        { ToolButton_delete, &TForm1::ToolButton_deleteClick },
        { ToolButton_view, &TForm1::ToolButton_viewClick },
        { ToolButton_refresh, &TForm1::ToolButton_refreshClick },
        { ToolButton_slideshow, &TForm1::ToolButton_slideshowClick },
        { ToolButton_options, &TForm1::ToolButton_optionsClick },
        { ToolButton_about, &TForm1::ToolButton_aboutClick },
        { ToolButton_help, &TForm1::ToolButton_helpClick },
        { ToolButton_exit, &TForm1::ToolButton_exitClick },
    };
    for (auto [button, handler] : buttons)
        connect(button, &QToolButton::clicked, this, Guard([this, handler = handler] { (this->*handler)(); }));
    connect(ToolButton_copy, &QToolButton::clicked, this, Guard([this] { Pop_file_copyClick(ToolButton_copy); }));

    // Menu items that press a toolbar button, and those with handlers of their own.
    connect(Pop_file_view, &QAction::triggered, ToolButton_view, &QToolButton::click);
    connect(Pop_file_delete, &QAction::triggered, ToolButton_delete, &QToolButton::click);
    connect(Pop_file_copy, &QAction::triggered, this, Guard([this] { Pop_file_copyClick(Pop_file_copy); }));
    connect(Pop_file_move, &QAction::triggered, this, Guard([this] { Pop_file_moveClick(); }));
    connect(Pop_file_rename, &QAction::triggered, this, Guard([this] { Pop_file_renameClick(); }));
    connect(Pop_file_sort, &QMenu::aboutToShow, this, Guard([this] { Pop_file_sortClick(); }));
    for (QAction* item : Pop_file_sort->actions())
        connect(
            item, &QAction::triggered, this, Guard([this, item] { Pop_file_sort_orderClick(item->data().toInt()); }));
    for (QAction* item : { Pop_file_hidefolderlist, Pop_folder_hidefolderlist })
        connect(item, &QAction::triggered, this, Guard([this] { Pop_folder_hidefolderlistClick(); }));
    connect(Pop_folder_upone, &QAction::triggered, this, Guard([this] { ToolButton_uponeClick(); }));
    connect(Pop_folder_explore, &QAction::triggered, this, Guard([this] { ListView_foldersDblClick(); }));
    connect(Pop_image_clear, &QAction::triggered, this, Guard([this] { Image1Click(); }));
    connect(PopupMenu_path, &QMenu::triggered, this,
        GuardWithArguments([this](QAction* item) { Pop_path_menuClick(item); }));

    // The lists.
    connect(ListView_files->header(), &QHeaderView::sectionClicked, this,
        GuardWithArguments([this](int column) { ListView_filesColumnClick(column); }));
    connect(ListView_files, &QAbstractItemView::doubleClicked, this, Guard([this] { ListView_filesDblClick(); }));
    connect(ListView_folders, &QAbstractItemView::doubleClicked, this, Guard([this] { ListView_foldersDblClick(); }));
    connect(Splitter2, &QSplitter::splitterMoved, this, Guard([this] { ColumnFit(); }));
    connect(Splitter1, &QSplitter::splitterMoved, this, Guard([this] { Splitter1Moved(); }));
    connect(Image1, &PreviewImageBox::Clicked, this, Guard([this] { Image1Click(); }));

    // Popup menus.
    auto popupAt = [](QWidget* control, QMenu* menu, std::function<void()> beforeShowing) {
        control->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(control, &QWidget::customContextMenuRequested, control,
            GuardWithArguments([control, menu, beforeShowing](const QPoint& at) {
                if (beforeShowing)
                    beforeShowing();
                menu->popup(control->mapToGlobal(at));
            }));
    };
    popupAt(ListView_files, PopupMenu_file, nullptr);
    popupAt(ListView_folders, PopupMenu_folder, [this] { PopupMenu_folderPopup(); });
    popupAt(Image1, PopupMenu_image, [this] { PopupMenu_imagePopup(); });
    popupAt(Edit_path, PopupMenu_path, [this] { pathPopupOwner_ = Edit_path; });
    popupAt(ComboBox_path, PopupMenu_path, [this] { pathPopupOwner_ = ComboBox_path; });
    if (!platform::AppendAboutToWindowMenu(this))
        popupAt(ToolBar1, PopupMenu_window, nullptr);

    // The path bar.
    connect(ComboBox_path, &QComboBox::activated, this,
        GuardWithArguments([this](int index) { ComboBox_pathChange(index); }));

    // Keys and clicks the lists and panels get first go at.
    for (QObject* watched : { static_cast<QObject*>(ListView_files), static_cast<QObject*>(ListView_files->viewport()),
             static_cast<QObject*>(ListView_folders), static_cast<QObject*>(Edit_path),
             static_cast<QObject*>(Panel_path), static_cast<QObject*>(ToolBar1), static_cast<QObject*>(Panel_image) })
        watched->installEventFilter(this);
}

} // namespace pelmora
