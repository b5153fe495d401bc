// The program's application object: its one place for errors. An exception
// that leaves an event handler is shown in a message box; the handler that
// threw has left the state as it was before its step.
#pragma once

#include <QApplication>

namespace pelmora {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // Shows a message the way every failure is shown.
    static void ShowError(const QString& message);
};

} // namespace pelmora
