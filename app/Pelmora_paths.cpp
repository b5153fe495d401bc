#include "Pelmora_paths.h"

#include "FolderPath.h"
#include "Guarded.h"
#include "settings/IniFile.h"
#include "PathLists.h"
#include "FocusCues.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

namespace pelmora {

namespace {

constexpr int kMargin = 6;
constexpr int kTextTop = 6, kTextHeight = 19;
constexpr int kListTop = 32, kListHeight = 121;
constexpr int kFieldWidth = 337;
constexpr int kButtonLeft = 352, kButtonWidth = 49, kButtonHeight = 19;
constexpr int kCancelTop = 66;
constexpr int kClientWidth = kButtonLeft + kButtonWidth + kMargin;

} // namespace

TForm3::TForm3(QWidget* parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(QFont("Tahoma"));
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(kMargin, kTextTop, kFieldWidth, kTextHeight);
    Edit1->setMaximumHeight(kTextHeight);
    Button_folder = new QPushButton("...", this);
    Button_folder->setToolTip(" search for folder... ");
    Button_folder->setAccessibleName("Search for folder");
    Edit1->setAccessibleName("Folder");
    Button_ok = new QPushButton("Ok", this);
    Button1 = new QPushButton("Cancel", this);
    for (QPushButton* button : { Button_folder, Button_ok, Button1 })
        button->setAutoDefault(false);
    Button1->setGeometry(kButtonLeft, kCancelTop, kButtonWidth, kButtonHeight);
    ListBox1 = new QListWidget(this);
    ListBox1->setGeometry(kMargin, kListTop, kFieldWidth, kListHeight);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setAccessibleName("Folders");

    PopupMenu1 = new QMenu(this);
    Pop_remove = PopupMenu1->addAction("Remove this one");
    PopupMenu1->addSeparator();
    Pop_clearall = PopupMenu1->addAction("Clear all");
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1, &QWidget::customContextMenuRequested, this, GuardWithArguments([this](const QPoint& at) {
        PopupMenu1Popup();
        PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(at));
    }));
    connect(PopupMenu1, &QMenu::triggered, this, GuardWithArguments([this](QAction* item) { PopupMenu1Click(item); }));
    connect(ListBox1, &QListWidget::itemClicked, this, Guard([this] { ListBox1Click(); }));
    connect(Button_folder, &QPushButton::clicked, this, Guard([this] { Button_folderClick(); }));
    connect(Button_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    for (QWidget* control : { static_cast<QWidget*>(Edit1), static_cast<QWidget*>(ListBox1),
             static_cast<QWidget*>(Button_folder), static_cast<QWidget*>(Button_ok), static_cast<QWidget*>(Button1) })
        control->installEventFilter(this);

    IniFile settings(SettingsFilePath().toStdString());
    ListBox1->addItems(ReadPathList(settings, kSavePathsSection));
    LayOutFor(Use::Copy);
}

void TForm3::LayOutFor(Use use)
{
    bool rename = use == Use::Rename;
    setWindowTitle(use == Use::Copy ? " Copy file ..." : use == Use::Move ? " Move file ..." : " Rename file ...");
    setFixedSize(kClientWidth, rename ? kTextTop + kTextHeight + kMargin : kListTop + kListHeight + kMargin);
    Button_ok->setGeometry(kButtonLeft, rename ? kTextTop : kListTop + 10, kButtonWidth, kButtonHeight);
    Button_folder->setGeometry(kButtonLeft, rename ? kListTop : kTextTop, kButtonWidth, kButtonHeight);
    Button_folder->setVisible(!rename);
    Button1->setVisible(!rename);
    ListBox1->setVisible(!rename);
}

QStringList TForm3::FolderHistory() const
{
    QStringList folders;
    for (int i = 0; i < ListBox1->count(); ++i)
        folders.append(ListBox1->item(i)->text());
    return folders;
}

void TForm3::AddToFolderHistory(const QString& folder)
{
    if (folder.trimmed().isEmpty())
        return;
    QListWidgetItem* item = nullptr;
    for (int i = 0; i < ListBox1->count() && !item; ++i)
        if (ListBox1->item(i)->text().compare(folder, Qt::CaseInsensitive) == 0)
            item = ListBox1->takeItem(i);
    ListBox1->insertItem(0, item ? item : new QListWidgetItem(folder));
}

QString TForm3::BrowseForFolder(const QString& initial)
{
    QString chosen = QFileDialog::getExistingDirectory(this, "Choose a folder ...", initial, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return initial;
    QString folder = QDir::toNativeSeparators(chosen);
    // Only a file system root keeps its separator.
    if (folder.endsWith(PathSeparator()) && !IsRootFolder(folder))
        folder.chop(1);
    return folder;
}

void TForm3::Button_folderClick()
{
    Edit1->setText(BrowseForFolder(Edit1->text()) + PathSeparator());
}

void TForm3::ListBox1Click()
{
    if (QListWidgetItem* item = ListBox1->currentItem())
        Edit1->setText(item->text());
}

void TForm3::PopupMenu1Popup()
{
    Pop_remove->setEnabled(!ListBox1->selectedItems().isEmpty());
}

void TForm3::PopupMenu1Click(QAction* item)
{
    if (item == Pop_remove) {
        for (QListWidgetItem* selected : ListBox1->selectedItems())
            delete selected;
        Edit1->clear();
    } else if (item == Pop_clearall) {
        ListBox1->clear();
    }
}

void TForm3::FormKeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        accept();
    else if (key == Qt::Key_Escape)
        reject();
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    // The dialog sees Enter and Esc before whichever control has the focus.
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            FormKeyDown(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm3::keyReleaseEvent(QKeyEvent* event)
{
    RepaintFocusCues(this, event->key());
    QDialog::keyReleaseEvent(event);
}

} // namespace pelmora
