#include "MetafilePainter.h"

#include "BitmapImage.h"
#include "formats/Metafile.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <latch>
#include <memory>
#include <vector>

namespace pelmora {

namespace {

QColor ToColor(MetaColor c)
{
    return QColor(c.red, c.green, c.blue);
}

QRectF ToRect(const MetaRect& r)
{
    return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom)).normalized();
}

// Ops taking their points in turn; it stops where the points run out.
QPainterPath ToPath(const std::vector<MetaPathOp>& ops, const std::vector<MetaPoint>& points)
{
    QPainterPath path;
    size_t at = 0;
    auto next = [&] {
        const MetaPoint& m = points[at++];
        return QPointF(m.x, m.y);
    };
    for (MetaPathOp op : ops) {
        size_t need = op == MetaPathOp::Curve ? 3 : op == MetaPathOp::Close ? 0 : 1;
        if (need > points.size() - at)
            break;
        switch (op) {
        case MetaPathOp::Move: path.moveTo(next()); break;
        case MetaPathOp::Line: path.lineTo(next()); break;
        case MetaPathOp::Curve: {
            QPointF a = next(), b = next();
            path.cubicTo(a, b, next());
            break;
        }
        case MetaPathOp::Close: path.closeSubpath(); break;
        }
    }
    return path;
}

QTransform ToTransform(const MetaTransform& t)
{
    return QTransform(t.m11, t.m12, t.m21, t.m22, t.dx, t.dy);
}

QPen ToPen(const MetaPen& p, double scale)
{
    if (p.style == MetaPenStyle::Null)
        return Qt::NoPen;
    static const Qt::PenStyle kStyles[]
        = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
    static const Qt::PenCapStyle kCaps[] = {Qt::RoundCap, Qt::SquareCap, Qt::FlatCap};
    static const Qt::PenJoinStyle kJoins[] = {Qt::RoundJoin, Qt::BevelJoin, Qt::MiterJoin};
    QPen pen(ToColor(p.color));
    pen.setStyle(kStyles[int(p.style)]);
    pen.setCapStyle(kCaps[int(p.cap)]);
    pen.setJoinStyle(kJoins[int(p.join)]);
    // A pen never draws thinner than one pixel.
    if (p.width * scale < 1) {
        pen.setCosmetic(true);
        pen.setWidthF(1);
    } else {
        pen.setWidthF(p.width);
    }
    return pen;
}

QBrush ToBrush(const MetaBrush& b)
{
    static const Qt::BrushStyle kHatches[]
        = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    switch (b.style) {
    case MetaBrushStyle::Null: return Qt::NoBrush;
    case MetaBrushStyle::Hatched: return QBrush(ToColor(b.color), kHatches[b.hatch % 6]);
    default: return QBrush(ToColor(b.color));
    }
}

QPainter::CompositionMode RasterMode(uint32_t rop)
{
    switch (rop) {
    case 0x8800C6: return QPainter::RasterOp_SourceAndDestination;
    case 0xEE0086: return QPainter::RasterOp_SourceOrDestination;
    case 0x660046: return QPainter::RasterOp_SourceXorDestination;
    case 0x330008: return QPainter::RasterOp_NotSource;
    default: return QPainter::CompositionMode_SourceOver;
    }
}

// The bitmaps of the steps as images, made once for all bands.
std::vector<QImage> StepImages(const DrawingSteps& steps)
{
    std::vector<QImage> images;
    images.reserve(steps.bitmaps.size());
    for (const Bitmap& b : steps.bitmaps)
        images.push_back(BitmapToImage(b));
    return images;
}

// The pixel size of a font whose logical units are `vertical` pixels high: a
// positive height is the cell's, of which the characters take about 0.8.
int TextPixelSize(const MetaFont& f, double vertical)
{
    double size = f.height == 0 ? 12 * vertical : std::abs(f.height) * vertical * (f.height > 0 ? 0.8 : 1);
    return int(std::clamp(std::round(size), 1.0, 4096.0));
}

QRectF Bounds(const QPointF* points, int n)
{
    double left = points[0].x(), right = left, top = points[0].y(), bottom = top;
    for (int i = 1; i < n; ++i) {
        left = std::min(left, points[i].x()), right = std::max(right, points[i].x());
        top = std::min(top, points[i].y()), bottom = std::max(bottom, points[i].y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QTransform PictureTransform(const DrawingSteps& steps, const QRectF& target)
{
    return QTransform::fromScale(target.width() / steps.width, target.height() / steps.height)
        * QTransform::fromTranslate(target.left(), target.top());
}

// Laid out text reaches no farther from its anchor than its advances (or
// two ems a character) and two ems more, however it is aligned or turned; a
// box reaches its rectangle.
QRectF TextReach(const MetaStep& step, const MetaState& s, const QTransform& t)
{
    QRectF reach;
    if (step.textOpaque || step.textClipped)
        reach = t.mapRect(ToRect(step.rect));
    if (step.textClipped || step.points.empty() || step.text.empty())
        return reach;
    const double em = TextPixelSize(s.font, std::hypot(t.m21(), t.m22()));
    double width = 2 * em * double(step.text.size());
    if (!step.advances.empty()) {
        width = 0;
        for (double advance : step.advances)
            width += std::abs(advance);
        width *= std::hypot(t.m11(), t.m12());
    }
    const double r = width + 2 * em;
    const QPointF at = t.map(QPointF(step.points[0].x, step.points[0].y));
    return reach | QRectF(at.x() - r, at.y() - r, 2 * r, 2 * r);
}

// Conservatively, the pixels each step can touch when the picture fills
// `target`: nothing for a step whose state is past the table.
std::vector<QRectF> StepReaches(const DrawingSteps& steps, const QRectF& target)
{
    const QTransform base = PictureTransform(steps, target);
    std::vector<QRectF> reaches(steps.steps.size());
    uint32_t transformOf = UINT32_MAX;
    QTransform t;
    for (size_t i = 0; i < steps.steps.size(); ++i) {
        const MetaStep& step = steps.steps[i];
        if (step.state >= steps.states.size())
            continue;
        const MetaState& s = steps.states[step.state];
        if (step.state != transformOf) {
            transformOf = step.state;
            t = ToTransform(s.transform) * base;
        }
        if (step.kind == MetaStepKind::Text) {
            reaches[i] = TextReach(step, s, t);
            continue;
        }
        QRectF logical = ToRect(step.rect);
        if (step.kind == MetaStepKind::Polyline || step.kind == MetaStepKind::Polygon
            || step.kind == MetaStepKind::Path) {
            if (step.points.empty())
                continue;
            MetaRect r {step.points[0].x, step.points[0].y, step.points[0].x, step.points[0].y};
            for (const MetaPoint& p : step.points)
                r.Extend(p);
            logical = ToRect(r);
        }
        // Half a pen each side, doubled for mitred corners, and a pixel of antialiasing.
        double margin = 2;
        if (s.pen.style != MetaPenStyle::Null)
            margin += s.pen.width * std::sqrt(std::abs(t.determinant()));
        reaches[i] = t.mapRect(logical).adjusted(-margin, -margin, margin, margin);
    }
    return reaches;
}

class StepPainter {
public:
    // `reaches`: what each step can touch (StepReaches) for this target.
    StepPainter(const DrawingSteps& steps, const std::vector<QImage>& images, const std::vector<QRectF>& reaches,
        QPainter& painter, const QRectF& target)
        : steps_(steps)
        , images_(images)
        , reaches_(reaches)
        , p_(painter)
        , text_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        base_ = PictureTransform(steps, target);
        p_.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        p_.setClipRect(target);
        baseClip_ = target;
        // What the painter can reach: a band of a larger picture skips the steps outside it.
        visible_ = target;
        if (const QPaintDevice* device = p_.device())
            visible_ &= p_.worldTransform().inverted().mapRect(QRectF(0, 0, device->width(), device->height()));
        // The reaches are the picture's own, its corner at the origin.
        reachable_ = visible_.translated(-target.topLeft());
    }

    void Paint()
    {
        for (size_t i = 0; i < steps_.steps.size(); ++i) {
            const MetaStep& step = steps_.steps[i];
            if (step.state >= steps_.states.size() || !reaches_[i].intersects(reachable_))
                continue;
            Use(step.state);
            // Edges along the pixel grid gain nothing from antialiasing but its cost.
            const bool square = Square(step);
            if (square)
                p_.setRenderHint(QPainter::Antialiasing, false);
            switch (step.kind) {
            case MetaStepKind::Polyline:
            case MetaStepKind::Polygon: Figures(step); break;
            case MetaStepKind::Rectangle: p_.drawRect(ToRect(step.rect)); break;
            case MetaStepKind::RoundRect:
                p_.drawRoundedRect(ToRect(step.rect), std::abs(step.corner.x) / 2, std::abs(step.corner.y) / 2);
                break;
            case MetaStepKind::Ellipse: p_.drawEllipse(ToRect(step.rect)); break;
            case MetaStepKind::Arc:
            case MetaStepKind::Chord:
            case MetaStepKind::Pie: Arc(step); break;
            case MetaStepKind::Path: Path(step); break;
            case MetaStepKind::Text: Text(step); break;
            case MetaStepKind::Bitmap: Image(step); break;
            }
            if (square)
                p_.setRenderHint(QPainter::Antialiasing, true);
        }
    }

private:
    // The brush's bitmap tiled from the picture's corner, a bitmap pixel a picture pixel.
    QBrush Pattern(const MetaState& s) const
    {
        const MetaBrush& b = s.brush;
        if (b.pattern >= images_.size() || images_[b.pattern].isNull())
            return QColor(128, 128, 128);
        QImage tile = images_[b.pattern];
        if (b.monochrome && tile.colorCount() == 2) {
            tile.setColor(0, ToColor(s.textColor).rgb());
            tile.setColor(1, ToColor(s.backColor).rgb());
        }
        QBrush brush(tile);
        brush.setTransform(base_ * transform_.inverted());
        return brush;
    }

    // A rectangle, or lines that run across or down only, kept so by the mapping.
    bool Square(const MetaStep& step) const
    {
        if (transform_.m12() != 0 || transform_.m21() != 0)
            return false;
        if (step.kind == MetaStepKind::Rectangle)
            return true;
        if (step.kind != MetaStepKind::Polyline || step.points.size() < 2)
            return false;
        for (size_t i = 1; i < step.points.size(); ++i)
            if (step.points[i].x != step.points[i - 1].x && step.points[i].y != step.points[i - 1].y)
                return false;
        return true;
    }

    void Use(uint32_t index)
    {
        if (index == current_)
            return;
        const MetaState& s = steps_.states[index];
        if (current_ == UINT32_MAX || !(steps_.states[current_].clip == s.clip))
            Clip(s);
        current_ = index;
        transform_ = ToTransform(s.transform) * base_;
        p_.setTransform(transform_);
        scale_ = std::sqrt(std::abs(transform_.determinant()));
        // The transform's smallest stretch: how thin a pen can be drawn.
        const double a = transform_.m11() * transform_.m11() + transform_.m12() * transform_.m12()
            + transform_.m21() * transform_.m21() + transform_.m22() * transform_.m22();
        narrowest_ = std::sqrt(
            std::max(0.0, (a - std::sqrt(std::max(0.0, a * a - 4 * scale_ * scale_ * scale_ * scale_))) / 2));
        pen_ = ToPen(s.pen, scale_);
        p_.setPen(pen_);
        p_.setBrush(s.brush.style == MetaBrushStyle::Pattern ? Pattern(s) : ToBrush(s.brush));
        fill_ = s.windingFill ? Qt::WindingFill : Qt::OddEvenFill;
    }

    void Clip(const MetaState& s)
    {
        p_.setTransform(QTransform());
        // Intersections alone leave a rectangle, which the engine clips to fastest.
        QRectF rect = baseClip_;
        bool rectangular = true;
        for (const MetaClip& c : s.clip)
            if (c.op == MetaClipOp::Intersect && c.shape == 0)
                rect &= base_.mapRect(ToRect(c.rect));
            else
                rectangular = false;
        if (rectangular) {
            p_.setClipRect(rect);
            return;
        }
        // Other clips are regions of whole pixels, as the records' devices have them.
        QRegion clip(baseClip_.toAlignedRect());
        for (const MetaClip& c : s.clip) {
            QRegion shape = Region(c);
            switch (c.op) {
            case MetaClipOp::Intersect: clip &= shape; break;
            case MetaClipOp::Exclude: clip -= shape; break;
            case MetaClipOp::Unite: clip |= shape; break;
            case MetaClipOp::Xor: clip ^= shape; break;
            }
        }
        p_.setClipRegion(clip);
    }

    QRegion Region(const MetaClip& c) const
    {
        if (c.shape == 0 || c.shape > steps_.clipShapes.size())
            return QRegion(base_.mapRect(ToRect(c.rect)).toRect());
        const MetaClipShape& shape = steps_.clipShapes[c.shape - 1];
        if (!shape.ops.empty()) {
            QPainterPath path = ToPath(shape.ops, shape.points);
            path.setFillRule(shape.winding ? Qt::WindingFill : Qt::OddEvenFill);
            return QRegion(path.toFillPolygon(base_).toPolygon(), path.fillRule());
        }
        // United in pairs: a region of many rectangles is built in n log n.
        std::vector<QRegion> parts;
        parts.reserve(shape.rects.size());
        for (const MetaRect& r : shape.rects)
            parts.emplace_back(base_.mapRect(ToRect(r)).toRect());
        for (size_t step = 1; step < parts.size(); step *= 2)
            for (size_t i = 0; i + step < parts.size(); i += 2 * step)
                parts[i] |= parts[i + step];
        return parts.empty() ? QRegion() : parts.front();
    }

    void Figures(const MetaStep& step)
    {
        const bool polygon = step.kind == MetaStepKind::Polygon;
        const bool pieces = StrokedInPieces(polygon);
        if (pieces)
            p_.setPen(Qt::NoPen);
        // An outline three pixels wide covers every pixel the fill's edge
        // crosses: antialiasing the fill would not show.
        const bool edgeCovered = pieces && polygon && pen_.widthF() * narrowest_ >= 3;
        if (edgeCovered)
            p_.setRenderHint(QPainter::Antialiasing, false);
        QPainterPath many;
        many.setFillRule(fill_);
        ForEachFigure(step, [&](int n) {
            if (!polygon) {
                if (!pieces)
                    p_.drawPolyline(points_.data(), n);
            } else if (step.counts.size() == 1) {
                p_.drawPolygon(points_.data(), n, fill_);
            } else {
                many.addPolygon(QPolygonF(points_));
                many.closeSubpath();
            }
        });
        if (polygon && step.counts.size() > 1)
            p_.drawPath(many);
        if (edgeCovered)
            p_.setRenderHint(QPainter::Antialiasing, true);
        if (pieces) {
            QPen round = pen_;
            round.setCapStyle(Qt::RoundCap);
            p_.setPen(round);
            ForEachFigure(step, [&](int n) { StrokeInPieces(n, polygon); });
            p_.setPen(pen_);
        }
    }

    // Calls draw(n) with each figure's n points in points_.
    template <typename Draw> void ForEachFigure(const MetaStep& step, Draw draw)
    {
        size_t at = 0;
        for (uint32_t n : step.counts) {
            if (n > step.points.size() - at)
                break;
            points_.resize(n);
            for (uint32_t i = 0; i < n; ++i)
                points_[i] = QPointF(step.points[at + i].x, step.points[at + i].y);
            at += n;
            draw(int(n));
        }
    }

    // The raster engine's cost for a wide outline grows with its length
    // times its height, so a long one is drawn as pieces of a line or two,
    // each only where it can be seen. Only where that looks the same: solid
    // and round, where two round ends meeting make the round join.
    bool StrokedInPieces(bool closed) const
    {
        return pen_.style() == Qt::SolidLine && !pen_.isCosmetic() && pen_.joinStyle() == Qt::RoundJoin
            && (closed || pen_.capStyle() == Qt::RoundCap);
    }

    void StrokeInPieces(int n, bool closed)
    {
        constexpr int kPieceLines = 2;
        if (closed && n > 1)
            points_.append(points_[0]);
        const int last = int(points_.size()) - 1;
        if (last < 1)
            return p_.drawPolyline(points_.data(), int(points_.size()));
        const double margin = pen_.widthF() * scale_ + 2;
        for (int from = 0; from < last; from += kPieceLines) {
            const int count = std::min(kPieceLines, last - from) + 1;
            if (transform_.mapRect(Bounds(points_.data() + from, count))
                    .adjusted(-margin, -margin, margin, margin)
                    .intersects(visible_))
                p_.drawPolyline(points_.data() + from, count);
        }
    }

    void Arc(const MetaStep& step)
    {
        QRectF r = ToRect(step.rect);
        QPainterPath path;
        if (step.kind == MetaStepKind::Pie)
            path.moveTo(r.center());
        else
            path.arcMoveTo(r, step.startAngle);
        path.arcTo(r, step.startAngle, step.sweep);
        if (step.kind == MetaStepKind::Arc) {
            p_.strokePath(path, p_.pen());
            return;
        }
        path.closeSubpath();
        p_.drawPath(path);
    }

    void Path(const MetaStep& step)
    {
        QPainterPath path = ToPath(step.ops, step.points);
        path.setFillRule(fill_);
        if (step.fill)
            p_.fillPath(path, p_.brush());
        if (step.stroke)
            p_.strokePath(path, p_.pen());
    }

    void Text(const MetaStep& step)
    {
        const MetaState& s = steps_.states[step.state];
        p_.save();
        if (step.textOpaque)
            p_.fillRect(ToRect(step.rect), ToColor(s.backColor));
        if (step.textClipped)
            p_.setClipRect(ToRect(step.rect), Qt::IntersectClip);
        if (text_ && !step.text.empty() && !step.points.empty()) {
            // Text stands upright whichever way the mapping turns the page.
            QPointF at = transform_.map(QPointF(step.points[0].x, step.points[0].y));
            const ShownFont& shown
                = Font(s.font, TextPixelSize(s.font, std::hypot(transform_.m21(), transform_.m22())));
            const QFont& font = shown.font;
            const QFontMetricsF& metrics = shown.metrics;
            QString text = QString::fromUtf16(step.text.data(), qsizetype(step.text.size()));
            // Advances the record gives place each character; they are logical units along the baseline.
            const double across = std::hypot(transform_.m11(), transform_.m12());
            double width = 0;
            for (double advance : step.advances)
                width += advance * across;
            // Laying the text out to measure it costs as much as drawing it: only
            // an alignment off its start or a background box needs the width.
            const bool opaqueBox = s.opaqueBackground && !step.textOpaque;
            if (step.advances.empty() && ((s.textAlign & kAlignRight) || opaqueBox))
                width = metrics.horizontalAdvance(text);
            double dx = (s.textAlign & kAlignCenter) == kAlignCenter ? -width / 2
                : (s.textAlign & kAlignRight)                        ? -width
                                                                     : 0;
            double dy = (s.textAlign & kAlignBaseline) == kAlignBaseline ? 0
                : (s.textAlign & kAlignBottom)                           ? -metrics.descent()
                                                                         : metrics.ascent();
            p_.setTransform(QTransform());
            p_.translate(at);
            p_.rotate(-s.font.escapement / 10.0);
            QRectF box(dx, dy - metrics.ascent(), width, metrics.height());
            if (opaqueBox)
                p_.fillRect(box, ToColor(s.backColor));
            p_.setFont(font);
            p_.setPen(ToColor(s.textColor));
            if (step.advances.empty()) {
                p_.drawText(QPointF(dx, dy), text);
            } else {
                double x = dx;
                for (qsizetype i = 0; i < text.size(); ++i) {
                    p_.drawText(QPointF(x, dy), QString(text[i]));
                    x += step.advances[size_t(i)] * across;
                }
            }
        }
        p_.restore();
    }

    struct ShownFont {
        MetaFont meta;
        int pixelSize;
        QFont font;
        QFontMetricsF metrics;
        ShownFont(const MetaFont& m, int size, const QFont& f)
            : meta(m)
            , pixelSize(size)
            , font(f)
            , metrics(f)
        {
        }
    };

    // Fonts are made once for each font and size the text steps use: finding
    // a font is far dearer than drawing a few words with it.
    const ShownFont& Font(const MetaFont& f, int pixelSize)
    {
        for (const ShownFont& known : fonts_)
            if (known.pixelSize == pixelSize && known.meta == f)
                return known;
        if (fonts_.size() >= kMostFonts)
            fonts_.clear();
        QFont font(QString::fromStdString(f.face));
        font.setPixelSize(pixelSize);
        font.setWeight(QFont::Weight(std::clamp(f.weight == 0 ? 400 : f.weight, 100, 900)));
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        font.setStrikeOut(f.strikeOut);
        return fonts_.emplace_back(f, pixelSize, font);
    }

    void Image(const MetaStep& step)
    {
        if (step.bitmap >= images_.size())
            return;
        QImage image = images_[step.bitmap];
        if (image.isNull())
            return;
        QRectF source = ToRect(step.source);
        const MetaRect& d = step.rect;
        bool mirrorX = d.right < d.left, mirrorY = d.bottom < d.top;
        if (mirrorX || mirrorY) {
            image = image.mirrored(mirrorX, mirrorY);
            if (mirrorX)
                source.moveLeft(image.width() - source.right());
            if (mirrorY)
                source.moveTop(image.height() - source.bottom());
        }
        // Enlarged, each bitmap pixel stays a sharp square, as the stretch modes of metafiles draw it.
        QRectF target = ToRect(d);
        QRectF shown = transform_.mapRect(target);
        p_.setRenderHint(
            QPainter::SmoothPixmapTransform, shown.width() < source.width() || shown.height() < source.height());
        p_.setCompositionMode(RasterMode(step.rasterOp));
        p_.drawImage(target, image, source);
        p_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    const DrawingSteps& steps_;
    const std::vector<QImage>& images_;
    const std::vector<QRectF>& reaches_;
    QPainter& p_;
    bool text_;
    QTransform base_, transform_;
    QPen pen_;
    QRectF baseClip_, visible_, reachable_;
    double scale_ = 1, narrowest_ = 1;
    uint32_t current_ = UINT32_MAX;
    Qt::FillRule fill_ = Qt::OddEvenFill;
    QList<QPointF> points_;
    static constexpr size_t kMostFonts = 32;
    std::deque<ShownFont> fonts_;
};

// Pictures lower than two bands of this many rows are drawn in one piece.
constexpr int kLeastBandRows = 128;
// Bands a drawing thread: a thread that finishes early takes another.
constexpr int kBandsPerThread = 2;

void Paint(const DrawingSteps& steps, const std::vector<QImage>& images, const std::vector<QRectF>& reaches,
    QPainter& painter, const QRectF& target)
{
    painter.save();
    StepPainter(steps, images, reaches, painter, target).Paint();
    painter.restore();
}

// The rows where bands of about equal work begin, and the picture's end. A
// step costs each row it reaches a share for its edges and one for each
// pixel of its width, as the raster engine spends its time.
std::vector<int> BandEdges(const std::vector<QRectF>& reaches, int width, int height, int bands)
{
    constexpr double kRowCost = 300;
    std::vector<double> change(size_t(height) + 1);
    for (const QRectF& r : reaches) {
        int top = int(std::clamp(std::floor(r.top()), 0.0, double(height)));
        int bottom = int(std::clamp(std::ceil(r.bottom()), 0.0, double(height)));
        if (top >= bottom || r.isEmpty())
            continue;
        double perRow = kRowCost + std::clamp(r.width(), 0.0, double(width));
        change[size_t(top)] += perRow;
        change[size_t(bottom)] -= perRow;
    }
    std::vector<double> before(size_t(height) + 1); // the work of the rows above each row
    double row = 0;
    for (int y = 0; y < height; ++y) {
        row += change[size_t(y)];
        before[size_t(y) + 1] = before[size_t(y)] + row + 1;
    }
    std::vector<int> edges {0};
    for (int band = 1; band < bands; ++band) {
        double share = before.back() * band / bands;
        int y = int(std::lower_bound(before.begin(), before.end(), share) - before.begin());
        edges.push_back(std::clamp(y, edges.back() + 1, height - (bands - band)));
    }
    edges.push_back(height);
    return edges;
}

} // namespace

void PaintDrawingSteps(const DrawingSteps& steps, QPainter& painter, const QRectF& target)
{
    if (steps.width <= 0 || steps.height <= 0 || target.isEmpty())
        return;
    Paint(steps, StepImages(steps), StepReaches(steps, QRectF(QPointF(), target.size())), painter, target);
}

void DrawStepsToBitmap(const DrawingSteps& steps, Bitmap& target, int width, int height)
{
    target.Allocate(PixelFormat::Rgb32, width, height, PixelFill::Overwritten);
    if (steps.width <= 0 || steps.height <= 0) {
        QImage(target.Bits(), width, height, qsizetype(target.BytesPerLine()), QImage::Format_RGB32).fill(Qt::white);
        return;
    }
    const std::vector<QImage> images = StepImages(steps);
    const QRectF whole(0, 0, width, height);
    const std::vector<QRectF> reaches = StepReaches(steps, whole);
    // Bands of rows are drawn side by side, each by a painter of its own on
    // its own rows, skipping the steps that do not reach them; each thread
    // takes the next band left. The pool's threads outlive a drawing, and
    // with them the fonts each has found.
    QThreadPool& pool = *QThreadPool::globalInstance();
    const int threads = std::clamp(pool.maxThreadCount(), 1, 8);
    const int bands = std::clamp(height / kLeastBandRows, 1, threads * kBandsPerThread);
    const std::vector<int> edges = BandEdges(reaches, width, height, bands);
    std::atomic<int> next {0};
    auto drawBands = [&] {
        for (int band; (band = next.fetch_add(1)) < bands;) {
            int top = edges[size_t(band)], rows = edges[size_t(band) + 1] - top;
            QImage image(target.ScanLine(top), width, rows, qsizetype(target.BytesPerLine()), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            Paint(steps, images, reaches, painter, whole.translated(0, -top));
        }
    };
    const int helpers = std::min(threads, bands) - 1;
    std::latch done(helpers);
    std::vector<std::unique_ptr<QRunnable>> others;
    for (int i = 0; i < helpers; ++i) {
        others.emplace_back(QRunnable::create([&] {
            drawBands();
            done.count_down();
        }));
        others.back()->setAutoDelete(false);
        pool.start(others.back().get());
    }
    drawBands();
    // A helper the pool has not started (its threads busy elsewhere, perhaps
    // drawing this) finds no band left: it is taken back rather than waited for.
    for (auto& helper : others)
        if (pool.tryTake(helper.get()))
            helper->run();
    done.wait();
}

void InstallMetafilePainter()
{
    SetMetafileRenderer(&DrawStepsToBitmap);
}

} // namespace pelmora
