// The file list's two views: the details view (the report) and the
// thumbnails, one shown at a time over the same model and selection, chosen
// from the file popup and by Ctrl+T and kept in FileView (0 details, 1 thumbnails).
#include "Pelmora_main.h"

#include "Guarded.h"
#include "ThumbnailView.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>

namespace pelmora {

namespace {

// Hands the events of the thumbnails to the handler the details view's go to.
class EventForwarder : public QObject {
public:
    EventForwarder(QObject* parent, std::function<bool(QEvent*)> forward)
        : QObject(parent)
        , forward_(std::move(forward))
    {
    }
    bool eventFilter(QObject*, QEvent* event) override { return forward_(event); }

private:
    std::function<bool(QEvent*)> forward_;
};

} // namespace

void TForm1::BuildFileViews()
{
    // The two views share the details view's place in the splitter.
    Panel_fileviews = new QStackedWidget;
    Panel_fileviews->setSizePolicy(ListView_files->sizePolicy());
    Panel_fileviews->setMinimumSize(1, 1);
    Splitter2->replaceWidget(Splitter2->indexOf(ListView_files), Panel_fileviews);
    Panel_fileviews->addWidget(ListView_files);
    ListView_thumbnails = new ThumbnailView(
        ListView_files, [this](int row) { return PathForEntry(row); }, ThumbnailCache(), Panel_fileviews);
    ListView_thumbnails->setAccessibleName("Thumbnails");
    Panel_fileviews->addWidget(ListView_thumbnails);

    Pop_file_thumbnails = new QAction("Thumbnails", this);
    Pop_file_thumbnails->setCheckable(true);
    Pop_file_thumbnails->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    PopupMenu_file->insertAction(Pop_file_hidefolderlist, Pop_file_thumbnails);
    addAction(Pop_file_thumbnails); // Ctrl+T wherever the browser has the focus
    connect(Pop_file_thumbnails, &QAction::triggered, this, Guard([this] { Pop_file_thumbnailsClick(); }));

    // Clicks, keys, double-clicks and the popup as in the details view; Left
    // and Right move through the grid, so their release previews as well.
    connect(ListView_thumbnails, &QAbstractItemView::doubleClicked, this, Guard([this] { ListView_filesDblClick(); }));
    ListView_thumbnails->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView_thumbnails, &QWidget::customContextMenuRequested, this,
        GuardWithArguments([this](const QPoint& at) { PopupMenu_file->popup(ListView_thumbnails->mapToGlobal(at)); }));
    ListView_thumbnails->installEventFilter(new EventForwarder(ListView_thumbnails, [this](QEvent* event) {
        if (event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right))
                Guarded([this] { ListView_filesClick(); });
        }
        return eventFilter(ListView_files, event);
    }));
    ListView_thumbnails->viewport()->installEventFilter(new EventForwarder(ListView_thumbnails->viewport(),
        [this](QEvent* event) { return eventFilter(ListView_files->viewport(), event); }));

    SetFileView(settings_.ReadInteger("Preferences", "FileView", 0) == 1);
}

void TForm1::ReleaseFileViews()
{
    // The forwarders call into this window, whose destruction would otherwise
    // still hand them the focus events of its children coming apart.
    const std::initializer_list<QObject*> watchedObjects = {ListView_thumbnails, ListView_thumbnails->viewport()};
    for (QObject* watched : watchedObjects)
        for (QObject* child : watched->children())
            if (auto* forwarder = dynamic_cast<EventForwarder*>(child)) {
                watched->removeEventFilter(forwarder);
                delete forwarder;
            }
}

bool TForm1::ShowsThumbnails() const
{
    return Panel_fileviews->currentWidget() == ListView_thumbnails;
}

void TForm1::Pop_file_thumbnailsClick()
{
    SetFileView(!ShowsThumbnails());
}

void TForm1::SetFileView(bool thumbnails)
{
    QAbstractItemView* shown = thumbnails ? static_cast<QAbstractItemView*>(ListView_thumbnails) : ListView_files;
    bool hadFocus = ListView_files->hasFocus() || ListView_thumbnails->hasFocus();
    // Whoever gives the file list the focus (the start, the display window) gives it to the view shown.
    ListView_files->setFocusProxy(thumbnails ? ListView_thumbnails : nullptr);
    Panel_fileviews->setCurrentWidget(shown);
    Pop_file_thumbnails->setChecked(thumbnails);
    if (hadFocus)
        shown->setFocus();
    if (shown->currentIndex().isValid())
        shown->scrollTo(shown->currentIndex());
}

} // namespace pelmora
