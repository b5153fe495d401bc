#include "app/Application.h"
#include "app/Pelmora_main.h"
#include "app/Startup.h"
#include "formats/PictureReaders.h"

int main(int argc, char** argv)
{
    // The registry is complete before any window exists.
    pelmora::RegisterPictureReaders();
    pelmora::Application app(argc, argv);
    pelmora::ConnectGroundFloor();
    pelmora::UseDefaultIconTheme();
    // One optional argument: a picture file to open at start.
    QString startFile = app.arguments().size() > 1 ? app.arguments().at(1) : QString();
    int result = 0;
    {
        std::unique_ptr<pelmora::PelmoraWindows> windows = pelmora::CreateWindows(startFile);
        // Closing the browser ends the program, whatever other window is still shown.
        QObject::connect(
            windows->Form1.get(), &pelmora::TForm1::Closed, &app, &QApplication::quit, Qt::QueuedConnection);
        windows->Form1->show();
        result = app.exec();
    }
    pelmora::UnregisterPictureReaders();
    return result;
}
