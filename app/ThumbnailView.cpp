#include "ThumbnailView.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <numeric>

namespace pelmora {

namespace {

constexpr int kMargin = 4;
constexpr qint64 kHeldKilobytes = 128 * 1024; // about 2,500 normal thumbnails

// A tile: the thumbnail centred in its square, the file name below it.
class TileDelegate : public QStyledItemDelegate {
public:
    explicit TileDelegate(ThumbnailView* view)
        : QStyledItemDelegate(view)
        , view_(view)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        int side = ThumbnailView::kTileSide + 2 * kMargin;
        return QSize(side + 2 * kMargin, side + option.fontMetrics.height() + kMargin);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (style)
            style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, widget);
        const int side = ThumbnailView::kTileSide;
        QRect square(option.rect.x() + (option.rect.width() - side) / 2, option.rect.y() + kMargin, side, side);
        QImage image = view_->Thumbnail(index.row());
        if (!image.isNull()) {
            // One thumbnail pixel a device pixel while it fits the square; a larger one is shrunk into it.
            QSizeF shown = QSizeF(image.size()) / view_->devicePixelRatioF();
            shown.scale(shown.boundedTo(QSizeF(side, side)), Qt::KeepAspectRatio);
            QRectF at(square.x() + (side - shown.width()) / 2, square.y() + (side - shown.height()) / 2, shown.width(),
                shown.height());
            painter->drawImage(at, image);
        } else if (view_->Failed(index.row())) {
            QIcon plain = item.icon.isNull() && style ? style->standardIcon(QStyle::SP_FileIcon) : item.icon;
            plain.paint(painter, square.adjusted(side / 3, side / 3, -side / 3, -side / 3));
        }
        QRect caption(option.rect.x() + kMargin, square.bottom() + kMargin, option.rect.width() - 2 * kMargin,
            option.fontMetrics.height());
        painter->setPen(
            option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(caption, Qt::AlignHCenter | Qt::AlignTop,
            option.fontMetrics.elidedText(item.text, Qt::ElideMiddle, caption.width()));
        if ((option.state & QStyle::State_HasFocus) && style) {
            QStyleOptionFocusRect focus;
            focus.initFrom(widget);
            focus.rect = option.rect.adjusted(1, 1, -1, -1);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
        }
    }

private:
    ThumbnailView* view_;
};

} // namespace

ThumbnailView::ThumbnailView(
    QAbstractItemView* details, std::function<QString(int row)> pathOf, ThumbnailCache cache, QWidget* parent)
    : QListView(parent)
    , pathOf_(std::move(pathOf))
    , maker_(std::move(cache))
    , images_(kHeldKilobytes)
{
    setModel(details->model());
    setSelectionModel(details->selectionModel());
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(details->selectionMode());
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionRectVisible(true);
    setItemDelegate(new TileDelegate(this));
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSpacing(2);

    ask_.setSingleShot(true);
    ask_.setInterval(0);
    connect(&ask_, &QTimer::timeout, this, &ThumbnailView::AskForTiles);
    connect(&maker_, &ThumbnailMaker::Made, this, &ThumbnailView::Arrived);
    // A new listing has files of its own, and files that changed on disk.
    connect(model(), &QAbstractItemModel::modelReset, this, [this] {
        Forget();
        AskSoon();
    });
    connect(model(), &QAbstractItemModel::layoutChanged, this, &ThumbnailView::AskSoon);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, &ThumbnailView::AskSoon);
    connect(model(), &QAbstractItemModel::dataChanged, this, &ThumbnailView::AskSoon);
}

QImage ThumbnailView::Thumbnail(int row) const
{
    const QImage* image = images_.object(pathOf_(row));
    return image ? *image : QImage();
}

bool ThumbnailView::Failed(int row) const
{
    return failed_.contains(pathOf_(row));
}

ThumbnailSize ThumbnailView::WantedSize() const
{
    return kTileSide * devicePixelRatioF() > int(ThumbnailSize::Normal) ? ThumbnailSize::Large : ThumbnailSize::Normal;
}

void ThumbnailView::focusInEvent(QFocusEvent* event)
{
    bool hadFocusMark = currentIndex().isValid();
    QListView::focusInEvent(event);
    if (!hadFocusMark && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void ThumbnailView::showEvent(QShowEvent* event)
{
    QListView::showEvent(event);
    AskSoon();
}

void ThumbnailView::hideEvent(QHideEvent* event)
{
    QListView::hideEvent(event);
    maker_.Cancel();
}

void ThumbnailView::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    AskSoon();
}

void ThumbnailView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    AskSoon();
}

void ThumbnailView::AskSoon()
{
    if (isVisible())
        ask_.start();
}

std::vector<int> ThumbnailView::VisibleRows() const
{
    std::vector<int> rows;
    const QRect shown = viewport()->rect();
    for (int row = 0, count = model() ? model()->rowCount() : 0; row < count; ++row)
        if (visualRect(model()->index(row, 0)).intersects(shown))
            rows.push_back(row);
    return rows;
}

void ThumbnailView::AskForTiles()
{
    if (!isVisible() || !model())
        return;
    const std::vector<int> visible = VisibleRows();
    const int first = visible.empty() ? 0 : visible.front();
    const int last = visible.empty() ? 0 : visible.back();
    // The tiles on the screen in reading order, then the others nearest first.
    std::vector<int> rows(size_t(model()->rowCount()));
    std::iota(rows.begin(), rows.end(), 0);
    auto distance = [&](int row) { return row < first ? first - row : row > last ? row - last : 0; };
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return distance(a) < distance(b); });
    QStringList wanted;
    for (int row : rows) {
        QString path = pathOf_(row);
        if (!images_.contains(path) && !failed_.contains(path))
            wanted.append(path);
    }
    maker_.Want(wanted, WantedSize());
}

void ThumbnailView::Arrived(const QString& path, ThumbnailSize size, const QImage& image, bool failed)
{
    if (size != WantedSize())
        return;
    if (failed)
        failed_.insert(path);
    else
        images_.insert(path, new QImage(image), std::max<qint64>(1, image.sizeInBytes() / 1024));
    viewport()->update();
}

void ThumbnailView::Forget()
{
    maker_.Cancel();
    images_.clear();
    failed_.clear();
}

} // namespace pelmora
