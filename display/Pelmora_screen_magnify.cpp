// The display window's magnifier: the panel with its readout and spins, the
// lens drawn around the pointer while the left button is held, and dragging
// a picture that scrolls with any other press.
#include "Pelmora_screen.h"

#include "DisplayImage.h"
#include "Lens.h"
#include "Magnifier.h"
#include "PictureScrollBox.h"

#include "app/Guarded.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollBar>

namespace pelmora {

namespace {

// The panel's distance from the visible corner of a scrolled picture.
constexpr int kPanelInset = 8;

} // namespace

void TForm2::BuildMagnifier()
{
    // A child of the scrolled area, so the panel scrolls with the picture unless it is put back.
    Panel_magnify = new MagnifierPanel(ScrollBox1->widget());
    Panel_magnify->setObjectName("Panel_magnify");
    Panel_magnify->hide();
    Panel_magnify->move(kPanelInset, kPanelInset);
    connect(Panel_magnify->ScrollEditMagnification, &QScrollBar::valueChanged, this,
        [this] { ScrollEditMagnificationChange(); });
    connect(Panel_magnify->ScrollEditMagnifierRadius, &QScrollBar::valueChanged, this,
        [this] { ScrollEditMagnifierRadiusChange(); });
    // A scroll-bar action is seen before its value changes: the panel is put back, then moves with the step.
    connect(ScrollBox1->horizontalScrollBar(), &QScrollBar::actionTriggered, this,
        [this] { PutPanelBack(Qt::Horizontal); });
    connect(
        ScrollBox1->verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { PutPanelBack(Qt::Vertical); });

    connect(Image1, &DisplayImage::MousePressed, this,
        GuardWithArguments([this](Qt::MouseButton button, QPoint at) { Image1MouseDown(button, at); }));
    connect(Image1, &DisplayImage::MouseMoved, this, GuardWithArguments([this](QPoint at) { Image1MouseMove(at); }));
    connect(Image1, &DisplayImage::MouseReleased, this, [this] { Image1MouseUp(); });
}

bool TForm2::Magnifying() const
{
    return Pop_screener_magnify->isChecked();
}

void TForm2::Pop_screener_magnifyClick()
{
    bool on = !Magnifying();
    if (on)
        WaitForFullPicture();
    Pop_screener_magnify->setChecked(on);
    Menu_view_magnify->setChecked(on);
    Panel_magnify->setVisible(on);
    Panel_magnify->raise();
    if (ScrollBox1->ShowsVerticalBar())
        PutPanelBack(Qt::Vertical);
    if (ScrollBox1->ShowsHorizontalBar())
        PutPanelBack(Qt::Horizontal);
    if (on) {
        Panel_magnify->LabelLocation->setText(EmptyReadout());
        lensColour_.reset();
    }
}

void TForm2::PutPanelBack(Qt::Orientation direction)
{
    if (!Magnifying())
        return;
    // The picture's offset plus the scroll position: inside the visible corner of a scrolled picture.
    QPoint at = Panel_magnify->pos();
    if (direction == Qt::Vertical)
        at.setY(Image1->y() + ScrollBox1->VerticalPosition() + kPanelInset);
    else
        at.setX(Image1->x() + ScrollBox1->HorizontalPosition() + kPanelInset);
    Panel_magnify->move(at);
}

void TForm2::ScrollEditMagnificationChange()
{
    Panel_magnify->EditMagnification->setText(QString::number(Panel_magnify->Factor()));
    // The spin gives the keyboard back, so the arrows scroll the picture again.
    if (isVisible())
        Panel_magnify->setFocus();
}

void TForm2::ScrollEditMagnifierRadiusChange()
{
    Panel_magnify->EditMagnifierRadius->setText(QString::number(Panel_magnify->LensSize()));
    if (isVisible())
        Panel_magnify->setFocus();
}

void TForm2::Image1MouseDown(Qt::MouseButton button, QPoint at)
{
    // A second button while the lens is down leaves the lens to its own release.
    if (lensActive_)
        return;
    lensActive_ = Magnifying() && button == Qt::LeftButton;
    if (lensActive_) {
        Image1->setCursor(Qt::CrossCursor);
        DrawLens(at);
        return;
    }
    // Any button drags a picture that scrolls (the right one opens the context menu as well).
    if (!ScrollBox1->ShowsScrollBar())
        return;
    dragging_ = true;
    dragFrom_ = at;
    Image1->setCursor(Qt::OpenHandCursor);
}

void TForm2::Image1MouseMove(QPoint at)
{
    if (lensActive_) {
        ShowReadout(at);
        DrawLens(at);
    } else if (dragging_) {
        // The press point is kept: the picture point grabbed stays under the pointer.
        ScrollBy(dragFrom_.x() - at.x(), dragFrom_.y() - at.y());
    }
}

void TForm2::Image1MouseUp()
{
    // The lens is painted over the picture, never into it: the picture is as it was.
    if (lensActive_) {
        lensActive_ = false;
        Image1->SetLens(std::nullopt);
    }
    dragging_ = false;
    Image1->unsetCursor();
}

void TForm2::DrawLens(QPoint at)
{
    int factor = Panel_magnify->Factor();
    int half = LensHalfSide(Panel_magnify->LensSize(), factor);
    // A source square of at least 4 x 4 pixels; the size shown follows.
    if (half < 2) {
        half = 2;
        Panel_magnify->SetLensSize(2 * factor + 20);
    }
    Image1->SetLens(Lens {at, factor, half});
}

void TForm2::ShowReadout(QPoint at)
{
    // The shown pixel is a copy of the picture's own (nearest neighbour), so its colour is the picture's.
    std::optional<QPoint> own = Image1->OwnPixel(at);
    if (own)
        lensColour_ = Image1->ColourAt(at);
    else
        lensColour_.reset();
    Panel_magnify->LabelLocation->setText(own ? PixelReadout(*own, *lensColour_) : OutsideReadout());
}

void TForm2::CopyLensColour()
{
    if (lensActive_ && lensColour_)
        QGuiApplication::clipboard()->setText(QColor(*lensColour_).name().toUpper());
}

} // namespace pelmora
