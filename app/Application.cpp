#include "Application.h"

#include <QMessageBox>

#include <exception>

namespace pelmora {

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName("Picture Pelmora");
    setApplicationDisplayName("Picture Pelmora");
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
