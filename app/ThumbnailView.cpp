#include "ThumbnailView.h"

#include "ScreenRatioWatch.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

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
    // Another device pixel ratio may want the other thumbnail size.
    new ScreenRatioWatch(this, [this] {
        Forget();
        ListingChanged();
        viewport()->update();
    });
    connect(&maker_, &ThumbnailMaker::Made, this, &ThumbnailView::Arrived);
    // A new listing has files of its own, and files that changed on disk.
    connect(model(), &QAbstractItemModel::modelReset, this, [this] {
        Forget();
        ListingChanged();
    });
    connect(model(), &QAbstractItemModel::layoutChanged, this, &ThumbnailView::ListingChanged);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, &ThumbnailView::ListingChanged);
    // Only a new name changes a path; the type names arrive in many batches and change none.
    connect(model(), &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& topLeft) {
        if (topLeft.column() == modelColumn())
            ListingChanged();
    });
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
    listingChanged_ = true; // what was waiting is asked for again when shown
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

void ThumbnailView::ListingChanged()
{
    listingChanged_ = true;
    AskSoon();
}

std::pair<int, int> ThumbnailView::VisibleRange() const
{
    const int count = model() ? model()->rowCount() : 0;
    const int height = viewport()->height();
    auto rectOf = [this](int row) { return visualRect(model()->index(row, modelColumn())); };
    // The first row whose tile reaches below the top, the first one starting below the bottom.
    int low = 0, high = count;
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (rectOf(middle).bottom() < 0)
            low = middle + 1;
        else
            high = middle;
    }
    const int first = low;
    high = count;
    while (low < high) {
        int middle = low + (high - low) / 2;
        if (rectOf(middle).top() < height)
            low = middle + 1;
        else
            high = middle;
    }
    return {first, low - 1};
}

std::vector<int> ThumbnailView::VisibleRows() const
{
    std::vector<int> rows;
    const QRect shown = viewport()->rect();
    const auto [first, last] = VisibleRange();
    for (int row = first; row <= last; ++row)
        if (visualRect(model()->index(row, modelColumn())).intersects(shown))
            rows.push_back(row);
    return rows;
}

void ThumbnailView::AskForTiles()
{
    if (!isVisible() || !model())
        return;
    const std::pair<int, int> visible = VisibleRange();
    if (!listingChanged_ && visible == askedRange_)
        return;
    listingChanged_ = false;
    askedRange_ = visible;
    // The tiles on the screen in reading order, then the others nearest first.
    const int count = model()->rowCount();
    const int first = std::clamp(visible.first, 0, count);
    const int last = std::max(visible.second, first - 1);
    QStringList wanted;
    wanted.reserve(count);
    auto want = [&](int row) {
        QString path = pathOf_(row);
        if (!images_.contains(path) && !failed_.contains(path))
            wanted.append(std::move(path));
    };
    for (int row = first; row <= last; ++row)
        want(row);
    for (int above = first - 1, below = last + 1; above >= 0 || below < count; --above, ++below) {
        if (above >= 0)
            want(above);
        if (below < count)
            want(below);
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
