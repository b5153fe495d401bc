// The display window's two menus, built from one table of its commands: the
// context menu holds every command, the menu bar its own File and View menus
// (items that run the context menu's commands) and copies of three context
// sub-menus. Each command is connected once, to its context menu item.
#include "Pelmora_screen.h"

#include "Pelmora_click.h"

#include "app/BrowserLink.h"
#include "app/Guarded.h"
#include "effects/FilterKinds.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

#include <vector>

namespace pelmora {

namespace {

enum class Row {
    Command, // an item running a command
    Toggle, // an item with a check mark that its command keeps
    Effect, // an edit command: an effect, with its value from the dialog when it takes one
    Menu, // a sub-menu, up to its End
    End,
    Separator,
};

struct MenuRow {
    Row row;
    const char* name;
    // The caption; nullptr for an effect named by its filter kind's menu item.
    const char* caption;
    // The window's member that keeps the item (or sub-menu), when it has one.
    QAction* TForm2::*item;
    QMenu* TForm2::*menu;
    // The command: a window handler, or for Row::Effect the operation it runs.
    void (*run)(TForm2& window, QAction* item);
    const char* operation;
};

// The menu bar's own menus: items that run a context menu command, under
// the command's caption unless the bar has one of its own.
struct BarRow {
    Row row; // Command, Menu, End or Separator
    const char* name;
    const char* caption;
    const char* command; // the context menu item whose command runs
    QAction* TForm2::*item;
    QMenu* TForm2::*menu;
};

constexpr MenuRow Command(
    const char* name, const char* caption, void (*run)(TForm2&, QAction*), QAction* TForm2::*item = nullptr)
{
    return {Row::Command, name, caption, item, nullptr, run, nullptr};
}

constexpr MenuRow Toggle(const char* name, const char* caption, void (*run)(TForm2&, QAction*), QAction* TForm2::*item)
{
    return {Row::Toggle, name, caption, item, nullptr, run, nullptr};
}

// An effect's caption is its filter kind's menu item when it takes a value.
constexpr MenuRow Effect(const char* name, const char* operation, const char* caption = nullptr)
{
    return {Row::Effect, name, caption, nullptr, nullptr, nullptr, operation};
}

constexpr MenuRow Menu(const char* name, const char* caption, QMenu* TForm2::*menu = nullptr)
{
    return {Row::Menu, name, caption, nullptr, menu, nullptr, nullptr};
}

constexpr MenuRow End()
{
    return {Row::End, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
}

constexpr MenuRow Separator()
{
    return {Row::Separator, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
}

} // namespace

// The menus' tables name the window's items, so they are its friend.
struct TForm2Menus {
    static const MenuRow kContextMenu[];
    static const BarRow kMenuBar[];
};

// The context menu, top to bottom.
const MenuRow TForm2Menus::kContextMenu[] = {
    Command(
        "Pop_screener_next", "Next        (PgDn)", [](TForm2& w, QAction*) { w.Pop_screener_nextClick(); },
        &TForm2::Pop_screener_next),
    Command(
        "Pop_screener_previous", "Previous  (PgUp)", [](TForm2& w, QAction*) { w.Pop_screener_previousClick(); },
        &TForm2::Pop_screener_previous),
    Command(
        "Pop_screener_close", "Close       (Esc)", [](TForm2& w, QAction*) { w.Pop_screener_closeClick(); },
        &TForm2::Pop_screener_close),
    Separator(),
    Menu("Pop_screener_modify", "Modify", &TForm2::Pop_screener_modify),
    Effect("Pop_screener_modif_mirrorV", "MirrorVertical", "Mirror vertical"),
    Effect("Pop_screener_modif_mirrorH", "MirrorHorizontal", "Mirror horizontal"),
    Effect("Pop_screener_modif_rotate90", "Rotate90", "Rotate 90\u00BA"),
    Separator(),
    Effect("Pop_screener_modif_resize", "Resample"),
    End(),
    Menu("Pop_screener_colors", "Colors", &TForm2::Pop_screener_colors),
    Effect("Pop_screener_colrs_grayscale", "Grayscale", "To grayscale"),
    Effect("Pop_screener_colrs_invert", "InvertColors", "Invert colors"),
    Separator(),
    Menu("Pop_screener_colrs_adjust", "Adjust"),
    Effect("Pop_screener_colrs_contrast", "Contrast"),
    Effect("Pop_screener_colrs_lightness", "Lightness"),
    Effect("Pop_screener_colrs_darkness", "Darkness"),
    Effect("Pop_screener_colrs_saturation", "Saturation"),
    End(),
    End(),
    Menu("Pop_screener_filters", "Filters", &TForm2::Pop_screener_filters),
    Effect("Pop_screener_filters_sharpen", "Sharpen"),
    Separator(),
    Effect("Pop_screener_filters_convolve", "Convolve"),
    Effect("Pop_screener_filters_emboss3D", "Emboss"),
    Menu("Pop_screener_filters_artistic", "Artistic"),
    Effect("Pop_screener_filters_mosaic", "Mosaic"),
    Effect("Pop_screener_filters_fisheye", "FishEye"),
    Effect("Pop_screener_filters_trace", "Trace"),
    Effect("Pop_screener_filters_postireze", "Posterize"),
    End(),
    Menu("Pop_screener_filters_blur", "Blur"),
    Effect("Pop_screener_filters_splitblur", "SplitBlur"),
    Effect("Pop_screener_filters_gaussianblur", "GaussianBlur"),
    Separator(),
    Effect("Pop_screener_filters_triangleblur", "TriangleBlur"),
    Effect("Pop_screener_filters_ripplerandom", "RippleRandom"),
    Effect("Pop_screener_filters_spray", "Spray"),
    End(),
    Menu("Pop_screener_filters_ripple", "Ripple"),
    Effect("Pop_screener_filters_rippletooth", "RippleTooth"),
    Effect("Pop_screener_filters_rippletriangle", "RippleTriangle"),
    End(),
    Separator(),
    Command(
        "Pop_screener_filters___test", "(test filter)",
        [](TForm2& w, QAction*) { w.Pop_screener_filters___testClick(); }, &TForm2::Pop_screener_filters___test),
    End(),
    Separator(),
    Toggle(
        "Pop_screener_fitwindow", "| Fit to window", [](TForm2& w, QAction*) { w.Pop_screener_fitwindowClick(); },
        &TForm2::Pop_screener_fitwindow),
    Toggle(
        "Pop_screener_hidemenu", "| Hide main Menu", [](TForm2& w, QAction*) { w.Pop_screener_hidemenuClick(); },
        &TForm2::Pop_screener_hidemenu),
    Toggle(
        "Pop_screener_magnify", "| Magnify ...", [](TForm2& w, QAction*) { w.Pop_screener_magnifyClick(); },
        &TForm2::Pop_screener_magnify),
    Separator(),
    Command(
        "Pop_screener_zoomUp", "Zoom +", [](TForm2& w, QAction* item) { w.Pop_screener_zoomClick(item); },
        &TForm2::Pop_screener_zoomUp),
    Command(
        "Pop_screener_zoomDown", "Zoom  -", [](TForm2& w, QAction* item) { w.Pop_screener_zoomClick(item); },
        &TForm2::Pop_screener_zoomDown),
    Separator(),
    Command(
        "Pop_screener_options", "| Options ...", [](TForm2& w, QAction*) { w.Options1Click(&w); },
        &TForm2::Pop_screener_options),
    Separator(),
    Menu("Pop_screener_file", "File", &TForm2::Pop_screener_file),
    Command(
        "Pop_screener_file_copy", "Copy...", [](TForm2& w, QAction*) { w.Pop_screener_filecopyClick(); },
        &TForm2::Pop_screener_file_copy),
    Command(
        "Pop_screener_file_move", "Move...", [](TForm2& w, QAction*) { w.Pop_screener_filemoveClick(); },
        &TForm2::Pop_screener_file_move),
    Command(
        "Pop_screener_file_delete", "Delete", [](TForm2& w, QAction*) { w.Pop_screener_filedeleteClick(); },
        &TForm2::Pop_screener_file_delete),
    Separator(),
    Command(
        "Pop_screener_slideshow", "Start Slideshow...", [](TForm2& w, QAction*) { w.Pop_screener_slideshowClick(); },
        &TForm2::Pop_screener_slideshow),
    Separator(),
    Command(
        "Pop_screener_file_save", "Save to file ...", [](TForm2& w, QAction*) { w.Pop_screener_savetofileClick(); },
        &TForm2::Pop_screener_file_save),
    End(),
};

const BarRow TForm2Menus::kMenuBar[] = {
    {Row::Menu, "Menu_file", "File", nullptr, nullptr, &TForm2::Menu_file},
    {Row::Command, "Menu_file_copy", "Copy ...", "Pop_screener_file_copy", &TForm2::Menu_file_copy, nullptr},
    {Row::Command, "Menu_file_move", "Move ...", "Pop_screener_file_move", &TForm2::Menu_file_move, nullptr},
    {Row::Command, "Menu_file_delete", nullptr, "Pop_screener_file_delete", &TForm2::Menu_file_delete, nullptr},
    {Row::Separator, nullptr, nullptr, nullptr, nullptr, nullptr},
    {Row::Command, "Menu_file_save", "Save As...", "Pop_screener_file_save", &TForm2::Menu_file_save, nullptr},
    {Row::Separator, nullptr, nullptr, nullptr, nullptr, nullptr},
    {Row::Command, "Menu_file_close", "Close", "Pop_screener_close", &TForm2::Menu_file_close, nullptr},
    {Row::End, nullptr, nullptr, nullptr, nullptr, nullptr},
    {Row::Menu, "Menu_view", "View", nullptr, nullptr, &TForm2::Menu_view},
    {Row::Command, "Menu_view_next", nullptr, "Pop_screener_next", &TForm2::Menu_view_next, nullptr},
    {Row::Command, "Menu_view_previous", nullptr, "Pop_screener_previous", &TForm2::Menu_view_previous, nullptr},
    {Row::Separator, nullptr, nullptr, nullptr, nullptr, nullptr},
    {Row::Command, "Menu_view_fitwindow", nullptr, "Pop_screener_fitwindow", &TForm2::Menu_view_fitwindow, nullptr},
    {Row::Command, "Menu_view_hidemenu", nullptr, "Pop_screener_hidemenu", &TForm2::Menu_view_hidemenu, nullptr},
    {Row::Command, "Menu_view_magnify", nullptr, "Pop_screener_magnify", &TForm2::Menu_view_magnify, nullptr},
    {Row::Separator, nullptr, nullptr, nullptr, nullptr, nullptr},
    {Row::Command, "Menu_view_zoomUp", nullptr, "Pop_screener_zoomUp", &TForm2::Menu_view_zoomUp, nullptr},
    {Row::Command, "Menu_view_zoomDown", nullptr, "Pop_screener_zoomDown", &TForm2::Menu_view_zoomDown, nullptr},
    {Row::Separator, nullptr, nullptr, nullptr, nullptr, nullptr},
    {Row::Command, "Menu_view_slideshow", nullptr, "Pop_screener_slideshow", &TForm2::Menu_view_slideshow, nullptr},
    {Row::End, nullptr, nullptr, nullptr, nullptr, nullptr},
};

namespace {

QMenu* AddSubMenu(QMenu* menu, const char* name, const QString& caption)
{
    QMenu* sub = menu->addMenu(caption);
    sub->setObjectName(name);
    sub->menuAction()->setObjectName(name);
    return sub;
}

// The desktop's save picture, or the style's.
QIcon SaveIcon(const QWidget* window)
{
    return QIcon::fromTheme("document-save", window->style()->standardIcon(QStyle::SP_DialogSaveButton));
}

} // namespace

QMenu* CloneMenuItem(QMenu* source, QWidget* parent)
{
    auto* copy = new QMenu(source->title(), parent);
    // A sub-menu without a name of its own is named after its caption.
    QString name = source->objectName().isEmpty() ? source->title() : source->objectName();
    copy->setObjectName(name + "Copy");
    copy->menuAction()->setObjectName(name + "Copy");
    copy->menuAction()->setEnabled(source->menuAction()->isEnabled());
    for (QAction* item : source->actions()) {
        if (item->isSeparator()) {
            copy->addSeparator();
        } else if (QMenu* sub = item->menu()) {
            copy->addMenu(CloneMenuItem(sub, copy));
        } else {
            QAction* itemCopy = copy->addAction(item->icon(), item->text());
            itemCopy->setObjectName(item->objectName() + "Copy");
            itemCopy->setShortcut(item->shortcut());
            itemCopy->setCheckable(item->isCheckable());
            itemCopy->setChecked(item->isChecked());
            itemCopy->setEnabled(item->isEnabled());
            itemCopy->setWhatsThis(item->whatsThis());
            // The same command: whatever the source's click runs.
            QObject::connect(itemCopy, &QAction::triggered, item, &QAction::triggered);
        }
    }
    return copy;
}

void TForm2::BuildMenus()
{
    PopupMenu_screener = new QMenu(this);
    PopupMenu_screener->setObjectName("PopupMenu_screener");
    std::vector<QMenu*> open {PopupMenu_screener};
    for (const MenuRow& row : TForm2Menus::kContextMenu) {
        QMenu* menu = open.back();
        switch (row.row) {
        case Row::Separator: menu->addSeparator(); break;
        case Row::End: open.pop_back(); break;
        case Row::Menu: {
            QMenu* sub = AddSubMenu(menu, row.name, row.caption);
            if (row.menu)
                this->*row.menu = sub;
            open.push_back(sub);
            break;
        }
        case Row::Command:
        case Row::Toggle: {
            QAction* item = menu->addAction(row.caption);
            item->setObjectName(row.name);
            if (row.item)
                this->*row.item = item;
            auto run = row.run;
            if (row.row == Row::Toggle) {
                item->setCheckable(true);
                // A toggle's own click flips its check mark; the command keeps the marks itself.
                connect(item, &QAction::triggered, this, Guard([this, item, run] {
                    item->setChecked(!item->isChecked());
                    run(*this, item);
                }));
            } else {
                connect(item, &QAction::triggered, this, Guard([this, item, run] { run(*this, item); }));
            }
            break;
        }
        case Row::Effect: {
            const FilterKind* kind = FindFilterKindByOperation(row.operation);
            QAction* item = menu->addAction(row.caption ? row.caption : kind->menuItem);
            item->setObjectName(row.name);
            std::string_view operation = row.operation;
            QString caption = item->text();
            connect(item, &QAction::triggered, this,
                Guard([this, operation, caption] { Pop_screener_effectClick(operation, caption); }));
            break;
        }
        }
    }
    Pop_screener_file_copy->setIcon(browser_->CommandIcon(BrowserLink::FileCommand::Copy));
    Pop_screener_file_move->setIcon(browser_->CommandIcon(BrowserLink::FileCommand::Move));
    Pop_screener_file_delete->setIcon(browser_->CommandIcon(BrowserLink::FileCommand::Delete));
    Pop_screener_file_save->setIcon(SaveIcon(this));

    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");
    QMenu* menu = nullptr;
    for (const BarRow& row : TForm2Menus::kMenuBar) {
        switch (row.row) {
        case Row::Menu:
            menu = bar->addMenu(row.caption);
            menu->setObjectName(row.name);
            this->*row.menu = menu;
            break;
        case Row::Separator: menu->addSeparator(); break;
        case Row::Command: {
            QAction* command = PopupMenu_screener->findChild<QAction*>(row.command);
            QAction* item = menu->addAction(row.caption ? QString(row.caption) : command->text());
            item->setObjectName(row.name);
            item->setCheckable(command->isCheckable());
            this->*row.item = item;
            // The bar's item clicks the context menu's: the command runs from there.
            connect(item, &QAction::triggered, command, [command] { command->trigger(); });
            break;
        }
        default: break;
        }
    }
    Menu_divider = bar->addAction("|");
    Menu_divider->setObjectName("Menu_divider");
    Menu_divider->setEnabled(false);
}

void TForm2::BuildMenuBar()
{
    for (QMenu* source : {Pop_screener_modify, Pop_screener_filters, Pop_screener_colors})
        menuBar()->addMenu(CloneMenuItem(source, this));
}

void TForm2::Pop_screener_hidemenuClick()
{
    bool hidden = !Pop_screener_hidemenu->isChecked();
    Pop_screener_hidemenu->setChecked(hidden);
    Menu_view_hidemenu->setChecked(hidden);
    menuBar()->setVisible(!hidden);
    if (isVisible() && browser_->IsFullScreenView())
        UpdateExitWindow();
}

} // namespace pelmora
