#include "DisplayImage.h"

#include "app/BitmapImage.h"
#include "app/DevicePixels.h"
#include "effects/Geometry.h"
#include "formats/PixelRows.h"

#include <QMouseEvent>
#include <QPaintEngine>
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
    Unwrap();
    zoomed_.reset();
    picture_ = State {std::move(picture), QSize(width, height), {}, {}, QSize(width, height)};
    ShowPictureItself();
}

void DisplayImage::SetScaledPicture(Bitmap&& scaled, int width, int height)
{
    Unwrap();
    zoomed_.reset();
    State& p = picture_;
    if (p.pixels.IsEmpty() || scaled.IsEmpty()) {
        p.ownColumns.clear();
        p.ownRows.clear();
        p.ownSize = QSize(width, height);
    } else {
        p.ownColumns = ScaledLines(p.ownColumns, p.pixels.Width(), scaled.Width());
        p.ownRows = ScaledLines(p.ownRows, p.pixels.Height(), scaled.Height());
    }
    p.pixels = std::move(scaled);
    p.size = QSize(width, height);
    ShowPictureItself();
}

DisplayImage::State DisplayImage::ReplacePicture(Bitmap&& edited, EditMapping mapping)
{
    // The wrapping image goes first: it must never outlive the rows it shares.
    Unwrap();
    zoomed_.reset();
    State old = std::move(picture_);
    picture_ = Edited(old, QSize(old.pixels.Width(), old.pixels.Height()), std::move(edited), mapping);
    ShowPictureItself();
    return old;
}

void DisplayImage::EditPicture(const std::function<void(Bitmap&)>& edit, EditMapping mapping)
{
    Unwrap();
    zoomed_.reset();
    Bitmap pixels = std::move(picture_.pixels);
    const QSize before(pixels.Width(), pixels.Height());
    try {
        edit(pixels);
    } catch (...) {
        picture_.pixels = std::move(pixels);
        ShowPictureItself();
        throw;
    }
    picture_ = Edited(picture_, before, std::move(pixels), mapping);
    ShowPictureItself();
}

DisplayImage::State DisplayImage::Edited(const State& old, QSize oldPixels, Bitmap&& edited, EditMapping mapping)
{
    const int w = oldPixels.width(), h = oldPixels.height();
    State next {std::move(edited), {}, {}, {}, {}};
    next.size = QSize(next.pixels.Width(), next.pixels.Height());
    bool scaled = !old.ownColumns.empty();
    auto column = [&](int x) { return scaled ? old.ownColumns[size_t(x)] : x; };
    auto row = [&](int y) { return scaled ? old.ownRows[size_t(y)] : y; };
    // Turned pixels must fit the old picture turned; any other mapping its old size.
    QSize expected = mapping == EditMapping::TurnedClockwise ? QSize(h, w) : QSize(w, h);
    if (next.size != expected || oldPixels.isEmpty())
        mapping = EditMapping::NewPicture;
    switch (mapping) {
    case EditMapping::SamePlaces:
        next.ownColumns = old.ownColumns;
        next.ownRows = old.ownRows;
        next.ownSize = old.ownSize;
        break;
    case EditMapping::MirroredColumns:
        next.ownRows = old.ownRows;
        next.ownSize = old.ownSize;
        if (scaled)
            for (int x = 0; x < w; ++x)
                next.ownColumns.push_back(old.ownSize.width() - 1 - column(w - 1 - x));
        break;
    case EditMapping::MirroredRows:
        next.ownColumns = old.ownColumns;
        next.ownSize = old.ownSize;
        if (scaled)
            for (int y = 0; y < h; ++y)
                next.ownRows.push_back(old.ownSize.height() - 1 - row(h - 1 - y));
        break;
    case EditMapping::TurnedClockwise:
        // New pixel (j, i) is old pixel (i, H - 1 - j); the own picture turns with it.
        next.ownSize = old.ownSize.transposed();
        if (scaled) {
            for (int j = 0; j < h; ++j)
                next.ownColumns.push_back(old.ownSize.height() - 1 - row(h - 1 - j));
            for (int i = 0; i < w; ++i)
                next.ownRows.push_back(column(i));
        }
        break;
    case EditMapping::NewPicture: next.ownSize = next.size; break;
    }
    return next;
}

DisplayImage::State DisplayImage::PictureCopy() const
{
    State copy {Bitmap(), picture_.size, picture_.ownColumns, picture_.ownRows, picture_.ownSize};
    copy.pixels.Assign(picture_.pixels);
    return copy;
}

DisplayImage::State DisplayImage::RestorePicture(State&& state)
{
    Unwrap();
    zoomed_.reset();
    State old = std::move(picture_);
    picture_ = std::move(state);
    ShowPictureItself();
    return old;
}

void DisplayImage::ShowZoomed(Bitmap&& zoomed, int width, int height)
{
    Unwrap();
    ZoomedView view {std::move(zoomed), QSize(width, height), {}, {}};
    if (!view.pixels.IsEmpty() && HasPicture()) {
        view.ownColumns = ScaledLines(picture_.ownColumns, picture_.pixels.Width(), view.pixels.Width());
        view.ownRows = ScaledLines(picture_.ownRows, picture_.pixels.Height(), view.pixels.Height());
    }
    zoomed_ = std::move(view);
    Wrap(zoomed_->pixels);
    resize(UnitsFor(zoomed_->size, devicePixelRatioF()));
    update();
}

void DisplayImage::EndZoom()
{
    Unwrap();
    zoomed_.reset();
    ShowPictureItself();
}

void DisplayImage::FollowDevicePixelRatio()
{
    const qreal ratio = devicePixelRatioF();
    if (shown_.isNull() || shown_.devicePixelRatio() == ratio)
        return;
    shown_.setDevicePixelRatio(ratio);
    resize(UnitsFor(zoomed_ ? zoomed_->size : picture_.size, ratio));
    update();
}

void DisplayImage::ShowPictureItself()
{
    Wrap(picture_.pixels);
    resize(UnitsFor(picture_.size, devicePixelRatioF()));
    update();
}

void DisplayImage::ShowFrame(Bitmap&& frame)
{
    // Shown 1:1 the frame takes its own size (a GIF's screen may be larger than its first image).
    if (!zoomed_ && picture_.ownColumns.empty() && picture_.ownRows.empty()) {
        const QSize size(frame.Width(), frame.Height());
        Unwrap();
        picture_.pixels = std::move(frame);
        picture_.size = picture_.ownSize = size;
        ShowPictureItself();
        return;
    }
    const QSize shown = zoomed_ ? zoomed_->size : picture_.size;
    if (!frame.IsEmpty() && (frame.Width() != shown.width() || frame.Height() != shown.height()))
        frame = StretchedCopy(frame, shown.width(), shown.height());
    // The wrapping image goes first: it must never outlive the rows it shares.
    Unwrap();
    Bitmap& shownPixels = zoomed_ ? zoomed_->pixels : picture_.pixels;
    shownPixels = std::move(frame);
    Wrap(shownPixels);
    update();
}

void DisplayImage::Wrap(const Bitmap& pixels)
{
    wrapped_ = BitmapToImage(pixels);
    // Pixels with alpha show over a checkerboard; others are painted as they are.
    shown_ = OverCheckerboard(wrapped_);
    // One picture pixel a device pixel, on any screen.
    shown_.setDevicePixelRatio(devicePixelRatioF());
}

void DisplayImage::Unwrap()
{
    shown_ = QImage();
    wrapped_ = QImage();
}

void DisplayImage::Clear()
{
    Unwrap();
    zoomed_.reset();
    picture_ = State();
    update();
}

QPoint DisplayImage::DevicePixel(QPoint at) const
{
    qreal ratio = devicePixelRatioF();
    return QPoint(qFloor(at.x() * ratio), qFloor(at.y() * ratio));
}

QRgb DisplayImage::ColourAt(QPoint at) const
{
    return wrapped_.pixel(DevicePixel(at));
}

std::optional<QPoint> DisplayImage::OwnPixel(QPoint point) const
{
    const QPoint at = DevicePixel(point);
    if (!shown_.valid(at))
        return std::nullopt;
    const std::vector<int>& columns = zoomed_ ? zoomed_->ownColumns : picture_.ownColumns;
    const std::vector<int>& rows = zoomed_ ? zoomed_->ownRows : picture_.ownRows;
    if (columns.empty() || rows.empty())
        return at;
    return QPoint(columns[size_t(at.x())], rows[size_t(at.y())]);
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
    // Black only where the image does not cover the area, before the image
    // (a last half unit of it may share a unit with the black): painting a
    // large area twice took as long as the rest of an edit's repaint.
    QRegion uncovered(area);
    QRectF source, target;
    if (!shown_.isNull()) {
        // The area in device pixels: the image is drawn 1:1 onto the device.
        qreal ratio = shown_.devicePixelRatio();
        source = QRectF(area.topLeft() * ratio, area.size() * ratio).intersected(QRectF(shown_.rect()));
        target = QRectF(source.topLeft() / ratio, source.size() / ratio);
        // The whole units the image covers.
        const QPoint from(qCeil(target.left()), qCeil(target.top()));
        const QPoint to(qFloor(target.right()), qFloor(target.bottom()));
        if (!source.isEmpty())
            uncovered -= QRect(from, QSize(to.x() - from.x(), to.y() - from.y()));
    }
    for (const QRect& rest : uncovered)
        painter.fillRect(rest, Qt::black);
    if (!source.isEmpty())
        DrawShown(painter, target, source);
    if (lens_ && area.intersects(lens_->Bounds(devicePixelRatioF())))
        lens_->Paint(painter, shown_);
}

bool DisplayImage::DrawShownOntoDevice(QPainter& painter, const QRectF& source)
{
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice()
        || engine->paintDevice()->devType() != QInternal::Image || painter.hasClipping()
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver || painter.opacity() != 1)
        return false;
    auto& device = *static_cast<QImage*>(engine->paintDevice());
    if (device.format() != QImage::Format_RGB32 && device.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    // One picture pixel a device pixel, the picture's corner on a whole one.
    const qreal ratio = shown_.devicePixelRatio();
    const QTransform toDevice = painter.deviceTransform();
    const QPointF corner = toDevice.map(QPointF(0, 0));
    const QPoint at(qRound(corner.x()), qRound(corner.y()));
    if (toDevice.type() > QTransform::TxScale || toDevice.m11() != ratio || toDevice.m22() != ratio
        || QPointF(at) != corner)
        return false;
    const QRect pixels(QPoint(qFloor(source.left()), qFloor(source.top())),
        QPoint(qCeil(source.right()) - 1, qCeil(source.bottom()) - 1));
    QRegion area = QRegion(pixels.translated(at).intersected(device.rect()));
    // Only what the system lets this paint change: the area asked for, less what covers it.
    if (const QRegion allowed = engine->systemClip(); !allowed.isEmpty())
        area &= allowed;
    for (const QRect& part : area)
        for (int y = part.top(); y <= part.bottom(); ++y)
            Rgb24ToRgb32(shown_.constScanLine(y - at.y()) + 3 * (part.left() - at.x()),
                device.scanLine(y) + 4 * part.left(), size_t(part.width()));
    return true;
}

void DisplayImage::DrawShown(QPainter& painter, const QRectF& target, const QRectF& source)
{
    if (shown_.format() != QImage::Format_BGR888) {
        painter.drawImage(target, shown_, source);
        return;
    }
    // Straight into the window's own pixels where they are a 32-bit image:
    // through a band, the rows are written and then copied once more.
    if (DrawShownOntoDevice(painter, source))
        return;
    // 24-bit rows go as 32-bit ones, which Qt copies, a band at a time: a
    // band's edges fall on whole device pixels, so the bands meet exactly.
    constexpr int kBandRows = 64;
    const qreal ratio = source.width() / target.width();
    const int left = qFloor(source.left()), right = std::min(qCeil(source.right()), shown_.width());
    const int bottom = std::min(qCeil(source.bottom()), shown_.height());
    if (band_.width() < right - left)
        band_ = QImage(right - left, kBandRows, QImage::Format_RGB32);
    for (int top = qFloor(source.top()); top < bottom; top += kBandRows) {
        const int rows = std::min(kBandRows, bottom - top);
        for (int y = 0; y < rows; ++y)
            Rgb24ToRgb32(shown_.constScanLine(top + y) + 3 * left, band_.scanLine(y), size_t(right - left));
        QRectF part = source.intersected(QRectF(left, top, right - left, rows));
        QRectF onto((part.left() - source.left()) / ratio + target.left(),
            (part.top() - source.top()) / ratio + target.top(), part.width() / ratio, part.height() / ratio);
        painter.drawImage(onto, band_, part.translated(-left, -top));
    }
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
