// The file list as a grid of thumbnails: a second view over the details
// view's model and selection, so the order, the focus, the selection and
// every command are the same whichever of the two is shown. The tiles on
// the screen are asked for first, then the rest by their distance from them.
#pragma once

#include "ThumbnailMaker.h"

#include <QCache>
#include <QImage>
#include <QListView>
#include <QSet>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

namespace pelmora {

class ThumbnailView : public QListView {
    Q_OBJECT
public:
    // Shows `details`'s model with its selection model; `pathOf` gives the
    // full path of the entry in a row.
    ThumbnailView(QAbstractItemView* details, std::function<QString(int row)> pathOf,
        ThumbnailCache cache = ThumbnailCache(), QWidget* parent = nullptr);

    // The thumbnail shown for a row: null while it is being made, and for a
    // picture that cannot be read (`Failed`), which shows a plain icon.
    QImage Thumbnail(int row) const;
    bool Failed(int row) const;
    // The cache size asked for: large where a tile has more device pixels than a normal thumbnail.
    ThumbnailSize WantedSize() const;
    const ThumbnailMaker& Maker() const { return maker_; }
    // The rows whose tiles are on the screen, in reading order.
    std::vector<int> VisibleRows() const;
    // The first and last row on the screen ({0, -1} when none is): the
    // tiles lie in reading order, so two binary searches find them.
    std::pair<int, int> VisibleRange() const;

    static constexpr int kTileSide = 128; // the picture's square, in the screen's own units

protected:
    // As in the details view: the focus alone gives no entry the focus mark.
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void AskSoon();
    // A new listing, sorting or renaming changes which paths are asked for.
    void ListingChanged();
    void AskForTiles();
    void Arrived(const QString& path, ThumbnailSize size, const QImage& image, bool failed);
    void Forget();

    std::function<QString(int row)> pathOf_;
    ThumbnailMaker maker_;
    QCache<QString, QImage> images_; // by path; the cost is in kilobytes
    QSet<QString> failed_;
    QTimer ask_; // gathers a burst of scrolling into one request
    // What was asked for last: the request is built again only when the
    // tiles on the screen or the listing change, not for every signal.
    std::pair<int, int> askedRange_ {0, -1};
    bool listingChanged_ = true;
};

} // namespace pelmora
