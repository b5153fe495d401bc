#include "Startup.h"

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
    browser->AttachWindows(windows->FormAbout.get(), windows->Form3.get());
    windows->Form2->AttachExitWindow(windows->Form5.get());
    return windows;
}

void ConnectGroundFloor()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        SetDisplayBitsPerPixel(screen->depth());
    SetConfirmationHandler([](const std::string& question) {
        return QMessageBox::warning(nullptr, QGuiApplication::applicationDisplayName(),
                   QString::fromStdString(question), QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    });
    SetBeepHandler([] { platform::Beep(); });
}

void UseDefaultIconTheme()
{
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor")
        QIcon::setFallbackThemeName("Adwaita");
}

} // namespace pelmora
