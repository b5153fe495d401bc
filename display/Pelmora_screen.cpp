#include "Pelmora_screen.h"

#include "AnimationPlayer.h"
#include "DisplayImage.h"
#include "EditHistory.h"
#include "Magnifier.h"
#include "Pelmora_click.h"
#include "PictureScrollBox.h"

#include "app/BrowserLink.h"
#include "app/BusyCursor.h"
#include "app/FocusCues.h"
#include "app/Guarded.h"
#include "app/NeighbourPictures.h"
#include "app/PictureFile.h"
#include "app/ProgramFolder.h"
#include "formats/Animation.h"
#include "formats/Exception.h"
#include "formats/Metafile.h"
#include "formats/Picture.h"
#include "formats/PixelMemory.h"
#include "settings/IniFile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace pelmora {

namespace {

constexpr const char* kPreferences = "Preferences";
constexpr int kScrollStep = 15;
constexpr int kPositionPanelWidth = 74;

} // namespace

TForm2::TForm2(BrowserLink* browser)
    : browser_(browser)
    , edits_(std::make_unique<EditHistory>())
{
    setWindowTitle(" Pelmora ...");
    QFont font("Tahoma");
    setFont(font);
    BuildControls();
    BuildMenus();
    ApplyWindowStyle();
    ReadSettings();
    BuildMenuBar();
    ZoomPercent = 0;

    // Key preview: the window's handler sees each key before the control with the focus.
    qApp->installEventFilter(this);
    neighbours_ = new NeighbourPictures(this);
    connect(neighbours_, &NeighbourPictures::PictureHeld, this, GuardWithArguments([this](const QString& path) {
        if (reducedShown_ && isVisible() && !stepping_ && !StepPending()
            && browser_->PathForEntry(browser_->FocusedEntry()) == path)
            WaitForFullPicture();
    }));
}

TForm2::~TForm2()
{
    qApp->removeEventFilter(this);
}

void TForm2::GiveDecodedPicture(const QString& path, Picture& picture)
{
    // A neighbour still being read is waited for: the rest of its read takes
    // less than a read of its own.
    if (std::optional<LoadedPicture> loaded = neighbours_->TakeOrJoin(path); loaded && loaded->picture) {
        picture = std::move(*loaded->picture);
        return;
    }
    // Fitted, a picture far larger than the screen shows no more than a
    // reduced read of it: that paints first, and the worker reads the full
    // picture meanwhile (ShowPicture lays the reduced one out at full size).
    if (FitToWindow()) {
        QScreen* screen = browser_->Screen();
        QSize area = (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
        picture.SetDecodeSize({area.width(), area.height()});
        LoadPictureFile(picture, path);
    }
}

void TForm2::WaitForFullPicture()
{
    if (!reducedShown_)
        return;
    BusyCursor busy;
    QString path = browser_->PathForEntry(browser_->FocusedEntry());
    Picture picture;
    if (std::optional<LoadedPicture> loaded = neighbours_->TakeOrJoin(path); loaded && loaded->picture)
        picture = std::move(*loaded->picture);
    else
        LoadPictureFile(picture, path);
    ShowPicture(picture);
}

void TForm2::WriteMagnifierSettings(IniFile& settings)
{
    auto [factor, size] = Panel_magnify->StoredValues();
    settings.WriteInteger(kPreferences, "MagnifyX", factor);
    settings.WriteInteger(kPreferences, "MagnifySize", size);
}

void TForm2::StartSlideshow()
{
    // The browser's slideshow button starts the show only over a window that opened.
    if (isVisible())
        Pop_screener_slideshowClick();
}

void TForm2::AttachExitWindow(TForm5* exitWindow)
{
    exitWindow_ = exitWindow;
    // A child window stays usable while the display window is modal.
    exitWindow_->setParent(this, exitWindow_->windowFlags());
    connect(exitWindow_, &TForm5::ExitClicked, this, Guard([this] { Pop_screener_closeClick(); }));
    connect(exitWindow_, &TForm5::PointerMoved, this, [this] {
        activateWindow();
        setFocus();
    });
}

void TForm2::BuildControls()
{
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    ScrollBox1 = new PictureScrollBox(this);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setAccessibleName("Picture");
    Image1 = new DisplayImage;
    Image1->setObjectName("Image1");
    ScrollBox1->SetContent(Image1);
    setCentralWidget(ScrollBox1);
    BuildMagnifier();
    WatchScreenRatio();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar_position = new QLabel(StatusBar1);
    StatusBar_position->setFixedWidth(kPositionPanelWidth);
    StatusBar_picture = new QLabel(StatusBar1);
    StatusBar1->addWidget(StatusBar_position);
    StatusBar1->addWidget(StatusBar_picture, 1);
    setStatusBar(StatusBar1);
    // The window's black background is the picture area's: the bars and the lens panel keep the desktop's colours.
    for (QWidget* bar :
        {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(StatusBar1), static_cast<QWidget*>(Panel_magnify)}) {
        QPalette colours = bar->palette();
        for (QPalette::ColorRole role :
            {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText})
            colours.setColor(role, QApplication::palette().color(role));
        bar->setPalette(colours);
        bar->setAutoFillBackground(true);
    }

    Timer1 = new QTimer(this);
    Timer1->setInterval(2000);
    connect(Timer1, &QTimer::timeout, this, Guard([this] { Timer1Timer(); }));
    Player_animation = new AnimationPlayer([this](Bitmap&& frame) { Image1->ShowFrame(std::move(frame)); }, this);

    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        // The menu takes the button's release: a drag the press began ends here.
        Image1MouseUp();
        PopupMenu_screener->popup(mapToGlobal(at));
    });
}

void TForm2::ReadSettings()
{
    IniFile settings(SettingsFilePath().toStdString());
    Panel_magnify->SetStoredValues(
        settings.ReadInteger(kPreferences, "MagnifyX", 3), settings.ReadInteger(kPreferences, "MagnifySize", 100));
    // The fit flag is only set here: the next open fits.
    bool fit = settings.ReadBool(kPreferences, "FitToWindow", false);
    Pop_screener_fitwindow->setChecked(fit);
    Menu_view_fitwindow->setChecked(fit);
    ScrollBox1->SetAutoScroll(!fit);
    // The toggle runs once from the opposite state, so the menu is applied too.
    bool hidden = settings.ReadBool(kPreferences, "PelmoraTopMenu", false);
    Pop_screener_hidemenu->setChecked(!hidden);
    Pop_screener_hidemenuClick();
}

bool TForm2::FitToWindow() const
{
    return Pop_screener_fitwindow->isChecked();
}

bool TForm2::MenuHidden() const
{
    return Pop_screener_hidemenu->isChecked();
}

void TForm2::ShowPicture(Picture& picture)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::black);
    setPalette(colours);

    // A reduced read is laid out and fitted at the size the file holds: the
    // full picture, when it replaces it, shows at the very same place and size.
    const Graphic* graphic = picture.GetGraphic();
    bool reduced = graphic && graphic->FullWidth() > graphic->Width();
    int width = reduced ? graphic->FullWidth() : picture.Width();
    int height = reduced ? graphic->FullHeight() : picture.Height();
    reducedShown_ = false;
    // An animation plays from its first frame; one whose frames cannot be read shows as the still picture.
    std::unique_ptr<FrameSequence> frames;
    if (const auto* animated = dynamic_cast<const Animated*>(picture.GetGraphic())) {
        try {
            frames = animated->Frames();
        } catch (const Exception&) {
        }
    }
    Player_animation->Stop();
    // A metafile is kept beside its pixels: fit and zoom draw it afresh at their size.
    vectors_.reset();
    if (picture.GetGraphic() && picture.GetGraphic()->Is(TMetafile::StaticClass())) {
        vectors_ = std::make_unique<TMetafile>();
        vectors_->Assign(*picture.GetGraphic());
    }
    // An icon gives its image, a metafile is drawn; a graphic that gives no pixels shows as an empty area of its size.
    DecodeToBitmap(picture);
    Bitmap pixels;
    if (picture.GetGraphic() && picture.GetGraphic()->Is(Bitmap::StaticClass()))
        pixels = std::move(picture.AsBitmap());
    // Another picture: the edits of the last one can no longer be undone, and it starts unzoomed.
    edits_->Clear();
    ZoomPercent = 0;
    Image1->SetPicture(std::move(pixels), width, height);

    Player_animation->Start(std::move(frames));

    StatusBar1->setVisible(!browser_->IsFullScreenView());
    if (browser_->IsFullScreenView())
        FullScreenLayout();
    else
        WindowedLayout();
    if (FitToWindow()) {
        Pop_screener_fitwindow->setChecked(false);
        Pop_screener_fitwindowClick();
    }

    reducedShown_ = reduced;
    ShowPosition();
    StatusBar_picture->setText(browser_->EntryCaption(browser_->FocusedEntry()) + "  ("
        + QString::asprintf("%dx%d", Image1->ShownPixels().width(), Image1->ShownPixels().height()) + ")");

    if (isHidden()) {
        setWindowModality(browser_->StartedWithFile() ? Qt::ApplicationModal : Qt::NonModal);
        show();
        activateWindow();
        setFocus();
    }
    // Once the keys that came meanwhile are seen: while a held key keeps
    // steps coming, reading ahead would only race the steps' own reads.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !StepPending())
            PreloadNeighbours();
    });
}

void TForm2::ShowPosition()
{
    StatusBar_position->setText(QString("File %1/%2").arg(browser_->FocusedEntry() + 1).arg(browser_->EntryCount()));
}

void TForm2::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TForm2::hideEvent(QHideEvent* event)
{
    QMainWindow::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

void TForm2::closeEvent(QCloseEvent* event)
{
    Guarded([this] { FormClose(); });
    event->accept();
}

void TForm2::FormShow()
{
    RecordRange();
    // Once this window is on the screen: a window manager stacks a window
    // shown before the one it belongs to below that one.
    QTimer::singleShot(0, this, [this] { UpdateExitWindow(); });
}

void TForm2::FormHide()
{
    if (exitWindow_)
        exitWindow_->hide();
}

void TForm2::Pop_screener_closeClick()
{
    close();
}

void TForm2::FormClose()
{
    // The magnifier is off at every opening.
    Pop_screener_magnify->setChecked(true);
    Pop_screener_magnifyClick();
    Image1MouseUp();
    if (Timer1->isActive())
        Pop_screener_slideshowClick();
    Player_animation->Stop();
    // A step that has not run yet belongs to the window being closed.
    pendingStep_.reset();
    ZoomPercent = 0;
    Image1->Clear();
    edits_->Clear();
    neighbours_->Clear();
    reducedShown_ = false;
    // The large blocks kept for the next picture are of no use without one.
    ReleaseSparePixels();
    steppingForward_ = true;
    // The browser's selection follows the file shown last.
    emit Closed();
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !isVisible())
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return false;
    // A key the control ignores travels on to its parents: it is seen once, at its first receiver.
    auto* key = static_cast<QKeyEvent*>(event);
    bool passedOn = event == lastKey_ && lastKeyReceiver_ && widget != lastKeyReceiver_
        && widget->isAncestorOf(lastKeyReceiver_) && type == lastKeyType_ && key->key() == lastKeyCode_;
    lastKey_ = event;
    lastKeyType_ = type;
    lastKeyCode_ = key->key();
    lastKeyReceiver_ = widget;
    if (passedOn)
        return false;
    if (type == QEvent::KeyPress)
        Guarded([&] { FormKeyDown(key->key(), key->modifiers()); });
    else if (!key->isAutoRepeat())
        FormKeyUp(key->key());
    return false;
}

void TForm2::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    bool alt = modifiers & Qt::AltModifier;
    bool keypad = modifiers & Qt::KeypadModifier;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: Pop_screener_closeClick(); break;
    case Qt::Key_Space: {
        // Over an animation Space pauses and resumes it; over a still picture it marks the file.
        if (Player_animation->Active()) {
            Player_animation->TogglePause();
            break;
        }
        int focused = browser_->FocusedEntry();
        browser_->SetEntrySelected(focused, !browser_->IsEntrySelected(focused));
        break;
    }
    case Qt::Key_PageUp: RequestStep(Step::Previous); break;
    case Qt::Key_PageDown: RequestStep(Step::Next); break;
    case Qt::Key_End: RequestStep(Step::Last); break;
    case Qt::Key_Home: RequestStep(Step::First); break;
    case Qt::Key_Left: ScrollBy(-kScrollStep, 0); break;
    case Qt::Key_Up: ScrollBy(0, -kScrollStep); break;
    case Qt::Key_Right: ScrollBy(kScrollStep, 0); break;
    case Qt::Key_Down: ScrollBy(0, kScrollStep); break;
    case Qt::Key_C:
        if (alt)
            Menu_file_copy->trigger();
        else if (modifiers & Qt::ControlModifier)
            CopyLensColour();
        break;
    case Qt::Key_M:
        if (alt)
            Menu_file_move->trigger();
        break;
    case Qt::Key_X:
        if (alt)
            Pop_screener_closeClick();
        break;
    case Qt::Key_Z:
        if (modifiers & Qt::ControlModifier)
            UndoEditClick();
        break;
    case Qt::Key_Plus:
        if (keypad)
            Pop_screener_zoomClick(Pop_screener_zoomUp);
        break;
    case Qt::Key_Minus:
        if (keypad)
            Pop_screener_zoomClick(Pop_screener_zoomDown);
        break;
    case Qt::Key_F1: browser_->ShowHelp(); break;
    default: break;
    }
}

void TForm2::FormKeyUp(int key)
{
    RepaintFocusCues(this, key);
}

void TForm2::ScrollBy(int dx, int dy)
{
    ScrollBox1->SetHorizontalPosition(ScrollBox1->HorizontalPosition() + dx);
    ScrollBox1->SetVerticalPosition(ScrollBox1->VerticalPosition() + dy);
}

} // namespace pelmora
