#include "MetafilePainter.h"

#include "BitmapImage.h"
#include "formats/Metafile.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <thread>
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

class StepPainter {
public:
    StepPainter(const DrawingSteps& steps, QPainter& painter, const QRectF& target)
        : steps_(steps)
        , p_(painter)
        , text_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        base_ = QTransform::fromScale(target.width() / steps.width, target.height() / steps.height)
            * QTransform::fromTranslate(target.left(), target.top());
        p_.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        p_.setClipRect(target);
        baseClip_ = target;
    }

    void Paint()
    {
        for (const MetaStep& step : steps_.steps) {
            if (step.state >= steps_.states.size())
                continue;
            Use(step.state);
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
        }
    }

private:
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
        p_.setPen(ToPen(s.pen, scale_));
        p_.setBrush(ToBrush(s.brush));
        fill_ = s.windingFill ? Qt::WindingFill : Qt::OddEvenFill;
    }

    void Clip(const MetaState& s)
    {
        p_.setTransform(QTransform());
        // Intersections alone leave a rectangle, which the engine clips to fastest.
        QRectF rect = baseClip_;
        bool rectangular = true;
        for (const MetaClip& c : s.clip)
            if (c.op == MetaClipOp::Intersect)
                rect &= base_.mapRect(ToRect(c.rect));
            else
                rectangular = false;
        if (rectangular) {
            p_.setClipRect(rect);
            return;
        }
        QPainterPath clip;
        clip.addRect(baseClip_);
        for (const MetaClip& c : s.clip) {
            QPainterPath r;
            r.addRect(base_.mapRect(ToRect(c.rect)));
            clip = c.op == MetaClipOp::Intersect ? clip.intersected(r) : clip.subtracted(r);
        }
        p_.setClipPath(clip);
    }

    void Figures(const MetaStep& step)
    {
        size_t at = 0;
        const bool polygon = step.kind == MetaStepKind::Polygon;
        QPainterPath many;
        many.setFillRule(fill_);
        for (uint32_t n : step.counts) {
            if (n > step.points.size() - at)
                break;
            points_.resize(n);
            for (uint32_t i = 0; i < n; ++i)
                points_[i] = QPointF(step.points[at + i].x, step.points[at + i].y);
            at += n;
            if (!polygon)
                p_.drawPolyline(points_.data(), int(n));
            else if (step.counts.size() == 1)
                p_.drawPolygon(points_.data(), int(n), fill_);
            else {
                many.addPolygon(QPolygonF(points_));
                many.closeSubpath();
            }
        }
        if (polygon && step.counts.size() > 1)
            p_.drawPath(many);
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
        QPainterPath path;
        path.setFillRule(fill_);
        size_t at = 0;
        auto next = [&] {
            const MetaPoint& m = step.points[at++];
            return QPointF(m.x, m.y);
        };
        for (MetaPathOp op : step.ops) {
            size_t need = op == MetaPathOp::Curve ? 3 : op == MetaPathOp::Close ? 0 : 1;
            if (need > step.points.size() - at)
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
            double vertical = std::hypot(transform_.m21(), transform_.m22());
            QFont font(QString::fromStdString(s.font.face));
            double size = std::abs(s.font.height) * vertical * (s.font.height > 0 ? 0.8 : 1);
            font.setPixelSize(int(std::clamp(std::round(s.font.height == 0 ? 12 * vertical : size), 1.0, 4096.0)));
            font.setWeight(QFont::Weight(std::clamp(s.font.weight == 0 ? 400 : s.font.weight, 100, 900)));
            font.setItalic(s.font.italic);
            font.setUnderline(s.font.underline);
            font.setStrikeOut(s.font.strikeOut);
            QString text = QString::fromUtf16(step.text.data(), qsizetype(step.text.size()));
            QFontMetricsF metrics(font);
            double width = metrics.horizontalAdvance(text);
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
            if (s.opaqueBackground && !step.textOpaque)
                p_.fillRect(box, ToColor(s.backColor));
            p_.setFont(font);
            p_.setPen(ToColor(s.textColor));
            p_.drawText(QPointF(dx, dy), text);
        }
        p_.restore();
    }

    void Image(const MetaStep& step)
    {
        if (step.bitmap >= steps_.bitmaps.size())
            return;
        QImage image = BitmapToImage(steps_.bitmaps[step.bitmap]);
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
    QPainter& p_;
    bool text_;
    QTransform base_, transform_;
    QRectF baseClip_;
    double scale_ = 1;
    uint32_t current_ = UINT32_MAX;
    Qt::FillRule fill_ = Qt::OddEvenFill;
    QList<QPointF> points_;
};

// Pictures lower than two bands of this many rows are drawn in one piece.
constexpr int kLeastBandRows = 128;

} // namespace

void PaintDrawingSteps(const DrawingSteps& steps, QPainter& painter, const QRectF& target)
{
    if (steps.width <= 0 || steps.height <= 0 || target.isEmpty())
        return;
    painter.save();
    StepPainter(steps, painter, target).Paint();
    painter.restore();
}

void DrawStepsToBitmap(const DrawingSteps& steps, Bitmap& target, int width, int height)
{
    target.Allocate(PixelFormat::Rgb32, width, height);
    // Bands of rows are drawn side by side, each by a painter of its own on
    // its own rows; every band replays all steps, clipped to its rows.
    int bands = int(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 8));
    bands = std::clamp(height / kLeastBandRows, 1, bands);
    auto drawBand = [&](int band) {
        int top = height * band / bands, bottom = height * (band + 1) / bands;
        QImage rows(target.ScanLine(top), width, bottom - top, qsizetype(target.BytesPerLine()), QImage::Format_RGB32);
        rows.fill(Qt::white);
        QPainter painter(&rows);
        PaintDrawingSteps(steps, painter, QRectF(0, -top, width, height));
    };
    std::vector<std::thread> others;
    for (int band = 1; band < bands; ++band)
        others.emplace_back(drawBand, band);
    drawBand(0);
    for (std::thread& t : others)
        t.join();
}

void InstallMetafilePainter()
{
    SetMetafileRenderer(&DrawStepsToBitmap);
}

} // namespace pelmora
