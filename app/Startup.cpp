#include "Startup.h"

#include "MetafilePainter.h"

#include "Pelmora_about.h"
#include "Pelmora_main.h"
#include "Pelmora_options.h"
#include "Pelmora_paths.h"
#include "display/Pelmora_click.h"
#include "display/Pelmora_screen.h"
#include "effects/dialog/Pelmora_filters.h"

#include "Platform.h"
#include "formats/Confirmation.h"
#include "formats/JpegImage.h"

#include <QGuiApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>

namespace pelmora {

namespace {

// The browser hands its pictures to the display window, which tells it when
// it closes. The options command is the display window's; the dialog's fit
// and hide-menu choices run the display window's toggles where they differ.
// The browser knows nothing of display/ and the display window knows the
// browser as a BrowserLink: they are connected here.
void ConnectWindows(TForm1& browser, TForm2& display, TForm6& options)
{
    QObject::connect(&browser, &TForm1::DecodedPictureWanted, &display, &TForm2::GiveDecodedPicture);
    QObject::connect(&browser, &TForm1::PictureOpened, &display, &TForm2::ShowPicture);
    QObject::connect(&browser, &TForm1::SettingsWriting, &display, &TForm2::WriteMagnifierSettings);
    QObject::connect(&browser, &TForm1::SlideshowClicked, &display, &TForm2::StartSlideshow);
    QObject::connect(
        &browser, &TForm1::OptionsClicked, &display, [&browser, &display] { display.Options1Click(&browser); });
    QObject::connect(&display, &TForm2::Closed, &browser, &TForm1::DisplayClosed);
    QObject::connect(&options, &TForm6::FitToWindowChosen, &display, [&display](bool fit) {
        if (display.FitToWindow() != fit)
            display.Pop_screener_fitwindowClick();
    });
    QObject::connect(&options, &TForm6::HideMenuChosen, &display, [&display](bool hidden) {
        if (display.MenuHidden() != hidden)
            display.Pop_screener_hidemenuClick();
    });
}

} // namespace

PelmoraWindows::PelmoraWindows() = default;
PelmoraWindows::~PelmoraWindows() = default;

std::unique_ptr<PelmoraWindows> CreateWindows(const QString& startFile)
{
    auto windows = std::make_unique<PelmoraWindows>();
    windows->Form1 = std::make_unique<TForm1>(startFile);
    TForm1* browser = windows->Form1.get();
    windows->FormAbout = std::make_unique<TFormAbout>(browser);
    windows->Form2 = std::make_unique<TForm2>(browser);
    windows->Form3 = std::make_unique<TForm3>(browser);
    windows->Form4 = std::make_unique<TForm4>(browser);
    windows->Form5 = std::make_unique<TForm5>();
    windows->Form6 = std::make_unique<TForm6>(browser);
    browser->AttachWindows(windows->FormAbout.get(), windows->Form3.get(), windows->Form6.get());
    windows->Form2->AttachFilterDialog(windows->Form4.get());
    windows->Form2->AttachExitWindow(windows->Form5.get());
    ConnectWindows(*browser, *windows->Form2, *windows->Form6);
    return windows;
}

void ConnectGroundFloor()
{
    InstallMetafilePainter();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        SetDisplayBitsPerPixel(screen->depth());
    SetConfirmationHandler([](const std::string& question) {
        return QMessageBox::warning(nullptr, QGuiApplication::applicationDisplayName(),
                   QString::fromStdString(question), QMessageBox::Ok | QMessageBox::Cancel)
            == QMessageBox::Ok;
    });
    // Readers also run on the picture loader's worker: the beep is given on the interface thread.
    SetBeepHandler([] {
        QMetaObject::invokeMethod(
            qApp, [] { platform::Beep(); }, Qt::QueuedConnection);
    });
}

void UseDefaultIconTheme()
{
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor")
        QIcon::setFallbackThemeName("Adwaita");
}

} // namespace pelmora
