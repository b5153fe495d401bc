// The display window's two layouts, fit to window, zoom steps and the place
// of the exit button window.
#include "Pelmora_screen.h"

#include "DisplayImage.h"
#include "EditHistory.h"
#include "Pelmora_click.h"
#include "PictureScrollBox.h"

#include "app/BrowserLink.h"
#include "app/Guarded.h"
#include "app/ScreenRatioWatch.h"
#include "effects/Geometry.h"
#include "effects/PixelConventions.h"
#include "formats/Metafile.h"

#include <QAction>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace pelmora {

namespace {

// What the layouts take of the desktop, from the style.
struct WindowMetrics {
    int caption; // the title bar's height
    int frame; // a sizing frame's width, the same both ways
    int border; // a thin border's width
    int scrollBar; // a scroll bar's breadth

    explicit WindowMetrics(const QStyle* style)
        : caption(style->pixelMetric(QStyle::PM_TitleBarHeight))
        , frame(style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth))
        , border(style->pixelMetric(QStyle::PM_DefaultFrameWidth))
        , scrollBar(style->pixelMetric(QStyle::PM_ScrollBarExtent))
    {
    }
};

// Integer division truncating toward zero, as the offsets are defined.
int HalfOf(int value)
{
    return value / 2;
}

int ScaledExtent(int extent, int percent)
{
    double p = percent / 100.0;
    return int(RoundHalfEven(extent + extent * p));
}

// A copy of the picture scaled by `percent`, and its size on the screen: a
// metafile's `vectors` drawn afresh at that size, pixels stretched (nearest neighbour).
Bitmap ScaledPicture(const DisplayImage& image, const TMetafile* vectors, int percent, QSize& size)
{
    size = QSize(std::max(0, ScaledExtent(image.PictureSize().width(), percent)),
        std::max(0, ScaledExtent(image.PictureSize().height(), percent)));
    const Bitmap& source = image.Picture();
    if (source.IsEmpty() || size.isEmpty())
        return Bitmap();
    Bitmap scaled;
    if (vectors && vectors->Draw(scaled, size.width(), size.height()))
        return scaled;
    return StretchedCopy(source, size.width(), size.height());
}

} // namespace

int TForm2::MenuBarHeight() const
{
    return menuBar()->isVisibleTo(this) ? menuBar()->sizeHint().height() : 0;
}

int TForm2::StatusBarHeight() const
{
    return StatusBar1->isVisibleTo(this) ? StatusBar1->sizeHint().height() : 0;
}

int TForm2::ClientWidth() const
{
    return width();
}

int TForm2::ClientHeight() const
{
    return height() - MenuBarHeight();
}

void TForm2::ApplyWindowStyle()
{
    // Window flags change only while the window is hidden; a visible one keeps its style until it closes.
    bool fullScreen = browser_->IsFullScreenView();
    if ((styleApplied_ && fullScreen == fullScreenStyle_) || isVisible())
        return;
    styleApplied_ = true;
    fullScreenStyle_ = fullScreen;
    setWindowFlags(fullScreen ? Qt::Window | Qt::FramelessWindowHint : Qt::Window);
}

void TForm2::FullScreenLayout()
{
    ApplyWindowStyle();
    QScreen* screen = browser_->Screen();
    setGeometry(screen->geometry());
    ScrollBox1->SetAutoScroll(!FitToWindow());
    CentreImage(ClientHeight());
}

void TForm2::CentreImage(int areaHeight)
{
    int left = Image1->width() < ClientWidth() ? HalfOf(ClientWidth() - Image1->width()) : 0;
    int top = Image1->height() < areaHeight ? HalfOf(areaHeight - Image1->height()) : 0;
    ScrollBox1->PlaceContent(left, top);
}

void TForm2::WatchScreenRatio()
{
    new ScreenRatioWatch(this, Guard([this] { ScreenRatioChanged(); }));
}

void TForm2::ScreenRatioChanged()
{
    // The same pixels, one a device pixel: their size in the screen's units
    // changes. A fitted picture grown past the area is fitted again; the
    // window stays where the user moved it.
    Image1->FollowDevicePixelRatio();
    ScrollBox1->UpdateRange();
    if (FitToWindow() && ZoomPercent == 0) {
        Pop_screener_fitwindow->setChecked(false);
        Pop_screener_fitwindowClick();
    }
    if (browser_->IsFullScreenView())
        CentreImage(ClientHeight());
}

void TForm2::WindowedLayout()
{
    ApplyWindowStyle();
    ScrollBox1->PlaceContent(0, 0);
    WindowMetrics metrics(style());
    QRect screen = browser_->Screen()->geometry();
    int w = Image1->width();
    int h = Image1->height();
    // Everything above and below the picture, so that a picture that fits on the screen shows whole.
    int aroundHeight = metrics.caption + 2 * metrics.frame + MenuBarHeight() + StatusBarHeight();
    int aroundWidth = 2 * metrics.frame;
    bool vertical = h + aroundHeight > screen.height();
    bool horizontal = w + aroundWidth + (vertical ? metrics.scrollBar : 0) > screen.width();
    if (horizontal && !vertical)
        vertical = h + aroundHeight + metrics.scrollBar > screen.height();
    // The window is no smaller than its menu bar and status bar let it be.
    QSize least = minimumSizeHint().expandedTo(QSize(MenuBarHeight() > 0 ? menuBar()->sizeHint().width() : 0, 0));
    int outerWidth = std::max(w + (vertical ? metrics.scrollBar : 0), least.width()) + aroundWidth;
    int outerHeight = std::max(
        h + aroundHeight + (horizontal ? metrics.scrollBar : 0), least.height() + metrics.caption + 2 * metrics.frame);
    outerWidth = std::min(outerWidth, screen.width());
    outerHeight = std::min(outerHeight, screen.height());
    int left = outerWidth < screen.width() ? HalfOf(screen.width() - outerWidth) : 0;
    int top = outerHeight < screen.height() ? HalfOf(screen.height() - outerHeight) : 0;
    // The geometry is the client area's: the frame and the title bar lie around it.
    setGeometry(screen.x() + left + metrics.frame, screen.y() + top + metrics.caption + metrics.frame,
        outerWidth - 2 * metrics.frame, outerHeight - metrics.caption - 2 * metrics.frame);
    ScrollBox1->SetAutoScroll(!FitToWindow());
}

void TForm2::Pop_screener_fitwindowClick()
{
    WaitForFullPicture();
    bool fit = !Pop_screener_fitwindow->isChecked();
    Pop_screener_fitwindow->setChecked(fit);
    Menu_view_fitwindow->setChecked(fit);
    ScrollBox1->SetAutoScroll(!fit);
    // Fitting starts from the picture itself: a zoom ends.
    if (ZoomPercent != 0) {
        ZoomPercent = 0;
        ShowZoom();
    }
    int s = StatusBar1->isVisibleTo(this) ? StatusBarHeight() + 1 : 0;
    int areaWidth = ClientWidth();
    int areaHeight = ClientHeight() - s;
    int w = Image1->width();
    int h = Image1->height();
    if (w <= 0 || h <= 0 || (w < areaWidth && h < areaHeight))
        return;
    // One factor for both directions, so the whole picture is in reach; one percent to spare.
    double q = std::min(double(areaWidth) / w, double(areaHeight) / h) * 100;
    ScaleImageByPercent(int(RoundHalfEven(q - 100 - 1)));
    ScrollBox1->PlaceContent(HalfOf(areaWidth - Image1->width()), HalfOf(areaHeight - Image1->height()));
}

void TForm2::ScaleImageByPercent(int percent)
{
    KeepCopiesForUndo();
    QSize size;
    Bitmap scaled = ScaledPicture(*Image1, DrawnVectors(), percent, size);
    Image1->SetScaledPicture(std::move(scaled), size.width(), size.height());
    ScrollBox1->UpdateRange();
}

const TMetafile* TForm2::DrawnVectors() const
{
    return edits_->Empty() ? vectors_.get() : nullptr;
}

void TForm2::ShowZoom()
{
    if (ZoomPercent == 0) {
        Image1->EndZoom();
    } else {
        QSize size;
        Bitmap zoomed = ScaledPicture(*Image1, DrawnVectors(), ZoomPercent, size);
        Image1->ShowZoomed(std::move(zoomed), size.width(), size.height());
    }
    ScrollBox1->UpdateRange();
}

void TForm2::Pop_screener_zoomClick(QAction* item)
{
    WaitForFullPicture();
    if (item->text() == "Zoom +") {
        if (ZoomPercent > 300)
            return;
        ZoomPercent += 10;
    } else {
        if (ZoomPercent < -90)
            return;
        ZoomPercent -= ZoomPercent > 0 ? 10 : 5;
    }
    // Every step scales the picture as it is now, edits included, from its
    // own size: zooming never piles up resampling loss.
    ShowZoom();
    ScrollBox1->SetHorizontalPosition(0);
    ScrollBox1->SetVerticalPosition(0);
    CentreImage(ClientHeight());
}

void TForm2::PlaceExitWindow()
{
    if (!exitWindow_)
        return;
    exitWindow_->FitToButton();
    WindowMetrics metrics(style());
    QRect item = menuBar()->actionGeometry(Menu_divider);
    int top = menuBar()->mapToGlobal(item.topLeft()).y() + 1;
    int left = geometry().x() + width() - 2 * metrics.border - exitWindow_->width() - 1;
    exitWindow_->move(left, top);
}

void TForm2::UpdateExitWindow()
{
    if (!exitWindow_)
        return;
    PlaceExitWindow();
    bool wanted = isVisible() && browser_->IsFullScreenView() && !MenuHidden();
    exitWindow_->setVisible(wanted);
    if (wanted)
        exitWindow_->raise();
}

} // namespace pelmora
