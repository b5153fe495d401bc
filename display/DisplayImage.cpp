#include "DisplayImage.h"

#include "app/BitmapImage.h"
#include "effects/Geometry.h"

#include <QMouseEvent>
#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace pelmora {

namespace {

// The own line of each of `to` pixels showing a line of `from`, given the own line of each of those.
std::vector<int> ScaledLines(const std::vector<int>& own, int from, int to)
{
    std::vector<int> lines(size_t(std::max(0, to)));
    for (int t = 0; t < to; ++t) {
        int sample = int(StretchSample(t, from, to));
        lines[size_t(t)] = own.empty() ? sample : own[size_t(sample)];
    }
    return lines;
}

QPoint PixelUnder(const QPointF& position)
{
    return QPoint(qFloor(position.x()), qFloor(position.y()));
}

} // namespace

DisplayImage::DisplayImage(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    // Every pixel is painted (picture or window background), so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DisplayImage::SetPicture(Bitmap&& picture, int width, int height)
{
    ownColumns_.clear();
    ownRows_.clear();
    Show(std::move(picture), width, height);
}

void DisplayImage::SetScaledPicture(Bitmap&& scaled, int width, int height)
{
    if (shown_.isNull() || scaled.IsEmpty()) {
        ownColumns_.clear();
        ownRows_.clear();
    } else {
        ownColumns_ = ScaledLines(ownColumns_, shown_.width(), scaled.Width());
        ownRows_ = ScaledLines(ownRows_, shown_.height(), scaled.Height());
    }
    Show(std::move(scaled), width, height);
}

void DisplayImage::Show(Bitmap&& picture, int width, int height)
{
    // The wrapping image goes first: it must never outlive the rows it shares.
    shown_ = QImage();
    picture_ = std::move(picture);
    shown_ = OverCheckerboard(BitmapToImage(picture_));
    resize(width, height);
    update();
}

void DisplayImage::Clear()
{
    shown_ = QImage();
    picture_.Release();
    ownColumns_.clear();
    ownRows_.clear();
    update();
}

std::optional<QPoint> DisplayImage::OwnPixel(QPoint at) const
{
    if (!shown_.valid(at))
        return std::nullopt;
    if (ownColumns_.empty())
        return at;
    return QPoint(ownColumns_[size_t(at.x())], ownRows_[size_t(at.y())]);
}

void DisplayImage::SetLens(const std::optional<Lens>& lens)
{
    // Only the squares the lens leaves and takes are painted again.
    qreal ratio = devicePixelRatioF();
    if (lens_)
        update(lens_->Bounds(ratio));
    lens_ = lens;
    if (lens_)
        update(lens_->Bounds(ratio));
}

void DisplayImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    QRect area = event->rect();
    painter.fillRect(area, Qt::black);
    if (!shown_.isNull())
        painter.drawImage(area.topLeft(), shown_, area.intersected(shown_.rect()));
    if (lens_ && area.intersects(lens_->Bounds(devicePixelRatioF())))
        lens_->Paint(painter, shown_);
}

void DisplayImage::mousePressEvent(QMouseEvent* event)
{
    emit MousePressed(event->button(), PixelUnder(event->position()));
}

void DisplayImage::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMoved(PixelUnder(event->position()));
}

void DisplayImage::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseReleased(event->button());
}

} // namespace pelmora
