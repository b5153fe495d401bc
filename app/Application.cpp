#include "Application.h"

#include <QIcon>
#include <QMessageBox>

#include <exception>

namespace pelmora {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName("Picture Pelmora");
    setApplicationDisplayName("Picture Pelmora");
    // Installed, the desktop entry and the theme's icon name the windows.
    setDesktopFileName("pelmora");
    setWindowIcon(QIcon::fromTheme("pelmora"));
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError("Unknown error");
    }
    return true;
}

void Application::ShowError(const QString& message)
{
    QMessageBox::critical(nullptr, QApplication::applicationName(), message);
}

} // namespace pelmora
