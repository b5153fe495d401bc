#include "app/Application.h"
#include "formats/PictureReaders.h"

#include <QMainWindow>

int main(int argc, char** argv)
{
    // The registry is complete before any window exists.
    pelmora::RegisterPictureReaders();
    pelmora::Application app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(" Picture Pelmora");
    window.resize(502, 483);
    window.show();
    int result = app.exec();
    pelmora::UnregisterPictureReaders();
    return result;
}
