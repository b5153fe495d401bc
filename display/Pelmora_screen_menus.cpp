// The display window's two menus: the context menu with every command, the
// menu bar with its own File and View menus and copies of three context
// sub-menus, and hiding the menu bar.
#include "Pelmora_screen.h"

#include "Pelmora_click.h"

#include "app/FramedToolButton.h"
#include "app/Guarded.h"
#include "app/Pelmora_main.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

namespace pelmora {

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    return item;
}

QAction* AddToggle(QMenu* menu, const char* name, const QString& caption)
{
    QAction* item = AddItem(menu, name, caption);
    item->setCheckable(true);
    return item;
}

QMenu* AddSubMenu(QMenu* menu, const char* name, const QString& caption)
{
    QMenu* sub = menu->addMenu(caption);
    sub->setObjectName(name);
    sub->menuAction()->setObjectName(name);
    return sub;
}

// The edit commands: they do nothing until the edit commands exist.
void AddEditMenus(QMenu* popup, QMenu*& modify, QMenu*& colors, QMenu*& filters)
{
    modify = AddSubMenu(popup, "Pop_screener_modify", "Modify");
    AddItem(modify, "Pop_screener_modify_mirrorvertical", "Mirror vertical");
    AddItem(modify, "Pop_screener_modify_mirrorhorizontal", "Mirror horizontal");
    AddItem(modify, "Pop_screener_modify_rotate", "Rotate 90\u00BA");
    modify->addSeparator();
    AddItem(modify, "Pop_screener_modify_resize", "Resize ...");

    colors = AddSubMenu(popup, "Pop_screener_colors", "Colors");
    AddItem(colors, "Pop_screener_colrs_grayscale", "To grayscale");
    AddItem(colors, "Pop_screener_colrs_invert", "Invert colors");
    colors->addSeparator();
    QMenu* adjust = AddSubMenu(colors, "Pop_screener_colrs_adjust", "Adjust");
    AddItem(adjust, "Pop_screener_colrs_contrast", "Contrast ...");
    AddItem(adjust, "Pop_screener_colrs_lightness", "Lightness ...");
    AddItem(adjust, "Pop_screener_colrs_darkness", "Darkness ...");
    AddItem(adjust, "Pop_screener_colrs_saturation", "Saturation ...");

    filters = AddSubMenu(popup, "Pop_screener_filters", "Filters");
    AddItem(filters, "Pop_screener_filters_sharpen", "Sharpen");
    filters->addSeparator();
    AddItem(filters, "Pop_screener_filters_convolve", "Convolve");
    AddItem(filters, "Pop_screener_filters_emboss", "Emboss 3D");
    QMenu* artistic = AddSubMenu(filters, "Pop_screener_filters_artistic", "Artistic");
    AddItem(artistic, "Pop_screener_filters_mosaic", "Mosaic");
    AddItem(artistic, "Pop_screener_filters_fisheye", "FishEye");
    AddItem(artistic, "Pop_screener_filters_trace", "Trace");
    AddItem(artistic, "Pop_screener_filters_posterize", "Postireze");
    QMenu* blur = AddSubMenu(filters, "Pop_screener_filters_blur", "Blur");
    AddItem(blur, "Pop_screener_filters_splitblur", "Split Blur");
    AddItem(blur, "Pop_screener_filters_gaussianblur", "Gaussian Blur");
    blur->addSeparator();
    AddItem(blur, "Pop_screener_filters_triangleblur", "Triangle Blur");
    AddItem(blur, "Pop_screener_filters_blurrandom", "Blur Random");
    AddItem(blur, "Pop_screener_filters_spray", "Spray (glass)");
    QMenu* ripple = AddSubMenu(filters, "Pop_screener_filters_ripple", "Ripple");
    AddItem(ripple, "Pop_screener_filters_rippletooth", "Ripple Tooth");
    AddItem(ripple, "Pop_screener_filters_rippletriangle", "Ripple Triangle");
    filters->addSeparator();
    AddItem(filters, "Pop_screener_filters_test", "(test filter)");
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
    QMenu* popup = PopupMenu_screener;
    Pop_screener_next = AddItem(popup, "Pop_screener_next", "Next        (PgDn)");
    Pop_screener_previous = AddItem(popup, "Pop_screener_previous", "Previous  (PgUp)");
    Pop_screener_close = AddItem(popup, "Pop_screener_close", "Close       (Esc)");
    popup->addSeparator();
    AddEditMenus(popup, Pop_screener_modify, Pop_screener_colors, Pop_screener_filters);
    popup->addSeparator();
    Pop_screener_fitwindow = AddToggle(popup, "Pop_screener_fitwindow", "| Fit to window");
    Pop_screener_hidemenu = AddToggle(popup, "Pop_screener_hidemenu", "| Hide main Menu");
    Pop_screener_magnify = AddToggle(popup, "Pop_screener_magnify", "| Magnify ...");
    popup->addSeparator();
    Pop_screener_zoomUp = AddItem(popup, "Pop_screener_zoomUp", "Zoom +");
    Pop_screener_zoomDown = AddItem(popup, "Pop_screener_zoomDown", "Zoom  -");
    popup->addSeparator();
    Pop_screener_options = AddItem(popup, "Pop_screener_options", "| Options ...");
    popup->addSeparator();
    Pop_screener_file = AddSubMenu(popup, "Pop_screener_file", "File");
    Pop_screener_file_copy = AddItem(Pop_screener_file, "Pop_screener_file_copy", "Copy...");
    Pop_screener_file_copy->setIcon(browser_->ToolButton_copy->icon());
    Pop_screener_file_move = AddItem(Pop_screener_file, "Pop_screener_file_move", "Move...");
    Pop_screener_file_move->setIcon(browser_->ToolButton_move->icon());
    Pop_screener_file_delete = AddItem(Pop_screener_file, "Pop_screener_file_delete", "Delete");
    Pop_screener_file_delete->setIcon(browser_->ToolButton_delete->icon());
    Pop_screener_file->addSeparator();
    Pop_screener_slideshow = AddItem(Pop_screener_file, "Pop_screener_slideshow", "Start Slideshow...");
    Pop_screener_file->addSeparator();
    Pop_screener_file_save = AddItem(Pop_screener_file, "Pop_screener_file_save", "Save to file ...");
    Pop_screener_file_save->setIcon(SaveIcon(this));

    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu");
    Menu_file = bar->addMenu("File");
    Menu_file->setObjectName("Menu_file");
    Menu_file_copy = AddItem(Menu_file, "Menu_file_copy", "Copy ...");
    Menu_file_move = AddItem(Menu_file, "Menu_file_move", "Move ...");
    Menu_file_delete = AddItem(Menu_file, "Menu_file_delete", "Delete");
    Menu_file->addSeparator();
    Menu_file_save = AddItem(Menu_file, "Menu_file_save", "Save As...");
    Menu_file->addSeparator();
    Menu_file_close = AddItem(Menu_file, "Menu_file_close", "Close");
    Menu_view = bar->addMenu("View");
    Menu_view->setObjectName("Menu_view");
    Menu_view_next = AddItem(Menu_view, "Menu_view_next", "Next        (PgDn)");
    Menu_view_previous = AddItem(Menu_view, "Menu_view_previous", "Previous  (PgUp)");
    Menu_view->addSeparator();
    Menu_view_fitwindow = AddToggle(Menu_view, "Menu_view_fitwindow", "| Fit to window");
    Menu_view_hidemenu = AddToggle(Menu_view, "Menu_view_hidemenu", "| Hide main Menu");
    Menu_view_magnify = AddToggle(Menu_view, "Menu_view_magnify", "| Magnify ...");
    Menu_view->addSeparator();
    Menu_view_zoomUp = AddItem(Menu_view, "Menu_view_zoomUp", "Zoom +");
    Menu_view_zoomDown = AddItem(Menu_view, "Menu_view_zoomDown", "Zoom  -");
    Menu_view->addSeparator();
    Menu_view_slideshow = AddItem(Menu_view, "Menu_view_slideshow", "Start Slideshow...");
    Menu_divider = bar->addAction("|");
    Menu_divider->setObjectName("Menu_divider");
    Menu_divider->setEnabled(false);

    ConnectMenus();
}

void TForm2::BuildMenuBar()
{
    for (QMenu* source : {Pop_screener_modify, Pop_screener_filters, Pop_screener_colors})
        menuBar()->addMenu(CloneMenuItem(source, this));
}

void TForm2::ConnectMenus()
{
    auto command = [this](QAction* item, auto handler) {
        connect(item, &QAction::triggered, this, Guard([this, handler] { (this->*handler)(); }));
    };
    command(Pop_screener_next, &TForm2::Pop_screener_nextClick);
    command(Menu_view_next, &TForm2::Pop_screener_nextClick);
    command(Pop_screener_previous, &TForm2::Pop_screener_previousClick);
    command(Menu_view_previous, &TForm2::Pop_screener_previousClick);
    command(Pop_screener_close, &TForm2::Pop_screener_closeClick);
    command(Menu_file_close, &TForm2::Pop_screener_closeClick);
    command(Pop_screener_slideshow, &TForm2::Pop_screener_slideshowClick);
    command(Menu_view_slideshow, &TForm2::Pop_screener_slideshowClick);
    connect(Pop_screener_options, &QAction::triggered, this, Guard([this] { Options1Click(this); }));
    // A toggle's own click flips its check mark; the command flips it itself.
    auto toggle = [this](QAction* item, auto handler) {
        connect(item, &QAction::triggered, this, Guard([this, item, handler] {
            item->setChecked(!item->isChecked());
            (this->*handler)();
        }));
    };
    toggle(Pop_screener_fitwindow, &TForm2::Pop_screener_fitwindowClick);
    toggle(Menu_view_fitwindow, &TForm2::Pop_screener_fitwindowClick);
    toggle(Pop_screener_hidemenu, &TForm2::Pop_screener_hidemenuClick);
    toggle(Menu_view_hidemenu, &TForm2::Pop_screener_hidemenuClick);
    toggle(Pop_screener_magnify, &TForm2::Pop_screener_magnifyClick);
    toggle(Menu_view_magnify, &TForm2::Pop_screener_magnifyClick);
    for (QAction* item : {Pop_screener_zoomUp, Pop_screener_zoomDown, Menu_view_zoomUp, Menu_view_zoomDown})
        connect(item, &QAction::triggered, this, Guard([this, item] { Pop_screener_zoomClick(item); }));
}

void TForm2::Pop_screener_hidemenuClick()
{
    bool hidden = !Pop_screener_hidemenu->isChecked();
    Pop_screener_hidemenu->setChecked(hidden);
    Menu_view_hidemenu->setChecked(hidden);
    menuBar()->setVisible(!hidden);
    if (isVisible() && browser_->FullScreenView)
        UpdateExitWindow();
}

} // namespace pelmora
