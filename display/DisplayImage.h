// The display window's picture control: it holds the one decoded copy of the
// picture shown, edits included, and paints it at 1:1 or as a zoomed copy,
// with the magnifier's lens over it. The rows are wrapped, not copied, for
// every format Qt draws directly.
#pragma once

#include "Lens.h"

#include "formats/Bitmap.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace pelmora {

// Where an edit's pixels came from in the picture it replaced, so that the
// readout goes on naming the edited picture's own column and row.
enum class EditMapping {
    SamePlaces, // every pixel stays where it was (colours, filters, distortions)
    MirroredRows, // the rows in reverse order
    MirroredColumns, // each row's pixels in reverse order
    TurnedClockwise, // Rotate 90º: the picture becomes H wide and W high
    NewPicture, // a picture of its own (Resize): its own pixels are its pixels
};

class DisplayImage : public QWidget {
    Q_OBJECT
public:
    explicit DisplayImage(QWidget* parent = nullptr);

    // The picture with what the readout needs of it: the control's size at
    // 1:1 (a graphic without pixels has a size but no pixels), the picture's
    // own column and row of each of its columns and rows (empty while it is
    // its own size) and that own size.
    struct State {
        Bitmap pixels;
        QSize size;
        std::vector<int> ownColumns, ownRows;
        QSize ownSize;
    };

    // Takes the picture over (a move) and sizes the control to width x height
    // device pixels, which is the picture's own size except for graphics
    // without pixels. Every size given and kept here is in device pixels.
    void SetPicture(Bitmap&& picture, int width, int height);
    // Replaces the picture by a nearest-neighbour scaled copy of it (fit): the
    // pixels keep naming the picture's own columns and rows. Ends a zoom.
    void SetScaledPicture(Bitmap&& scaled, int width, int height);
    // Replaces the picture by an edit's result and gives back the picture it
    // replaced, for undo. A zoom must be shown again by the caller.
    State ReplacePicture(Bitmap&& edited, EditMapping mapping);
    // Edits the picture's own pixels, where nothing needs to be kept for undo.
    // An edit that throws leaves the picture shown as the edit left it.
    void EditPicture(const std::function<void(Bitmap&)>& edit, EditMapping mapping);
    // Puts back a picture ReplacePicture gave (undo); ends a zoom.
    State RestorePicture(State&& state);
    // Shows a nearest-neighbour scaled copy of the picture instead of the
    // picture itself, which is kept as it is; an empty copy of zero size too.
    void ShowZoomed(Bitmap&& zoomed, int width, int height);
    // Shows the picture itself again.
    void EndZoom();
    // On a screen of another device pixel ratio: the same pixels, one a device pixel again.
    void FollowDevicePixelRatio();
    bool Zoomed() const { return zoomed_.has_value(); }
    // A frame of the animation shown: at its own size while the picture shows
    // 1:1, otherwise scaled to the size the picture is shown at.
    void ShowFrame(Bitmap&& frame);
    void Clear();

    // The picture, edits included, never zoomed.
    const Bitmap& Picture() const { return picture_.pixels; }
    // A copy of the picture with what the readout needs of it, for undo.
    State PictureCopy() const;
    QSize PictureSize() const { return picture_.size; }
    bool HasPicture() const { return !picture_.pixels.IsEmpty(); }
    // What is painted (shares the rows of the picture or its zoomed copy where the format allows).
    const QImage& Shown() const { return shown_; }
    // The column and row of the picture's own pixel under a point of the
    // control (the picture as loaded, or as the last edit made it), and the
    // colour there; none where no picture pixel is.
    std::optional<QPoint> OwnPixel(QPoint at) const;
    // The pixel's own colour, not the checkerboard a transparent pixel shows over.
    QRgb ColourAt(QPoint at) const;
    // The size shown in picture pixels, which are the screen's device pixels;
    // the control's own size is that in the screen's units.
    QSize ShownPixels() const { return zoomed_ ? zoomed_->size : picture_.size; }

    // The lens painted over the picture; none hides it.
    void SetLens(const std::optional<Lens>& lens);
    const std::optional<Lens>& ShownLens() const { return lens_; }

signals:
    void MousePressed(Qt::MouseButton button, QPoint at);
    void MouseMoved(QPoint at);
    void MouseReleased(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Shows `pixels`; Unwrap lets go of them first wherever their rows are about to change.
    void Wrap(const Bitmap& pixels);
    void Unwrap();
    // A zoomed copy of the picture and its own columns and rows.
    struct ZoomedView {
        Bitmap pixels;
        QSize size;
        std::vector<int> ownColumns, ownRows;
    };
    void ShowPictureItself();
    // The picture an edit makes of `old`, whose pixels were oldPixels in size:
    // its own columns and rows follow the mapping.
    static State Edited(const State& old, QSize oldPixels, Bitmap&& edited, EditMapping mapping);
    // Draws the source rectangle of what is shown (device pixels) onto the target (units).
    void DrawShown(QPainter& painter, const QRectF& target, const QRectF& source);
    // The same for 24-bit rows written straight into a 32-bit image the painter
    // paints on 1:1; false, having drawn nothing, where it cannot.
    bool DrawShownOntoDevice(QPainter& painter, const QRectF& source);
    // The device pixel at the top-left of a point of the control.
    QPoint DevicePixel(QPoint at) const;

    State picture_;
    std::optional<ZoomedView> zoomed_;
    // The rows of the picture or its zoomed copy as a QImage (shared where
    // the format allows), and what is painted: the same, or it over a checkerboard.
    QImage wrapped_;
    QImage shown_;
    // Rows of 24-bit pixels as 32-bit ones on their way to the screen, kept for the next paint.
    QImage band_;
    std::optional<Lens> lens_;
};

} // namespace pelmora
