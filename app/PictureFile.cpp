#include "PictureFile.h"

#include "FolderPath.h"
#include "formats/Exception.h"
#include "formats/JpegImage.h"
#include "formats/Picture.h"

#include <QFileInfo>

#include <mutex>

namespace pelmora {

namespace {

std::mutex gObserverMutex;
std::function<void(const QString&)> gObserver;

} // namespace

void SetPictureFileObserver(std::function<void(const QString& path)> observer)
{
    std::lock_guard lock(gObserverMutex);
    gObserver = std::move(observer);
}

void LoadPictureFile(Picture& picture, const QString& path)
{
    std::function<void(const QString&)> observer;
    {
        std::lock_guard lock(gObserverMutex);
        observer = gObserver;
    }
    if (observer)
        observer(path);
    try {
        picture.LoadFromFile(FileSystemPath(path));
        // The JPEG reader decodes here, so its failures are named too.
        if (picture.GetGraphic()->Is(TJPEGImage::StaticClass()))
            DecodeToBitmap(picture);
    } catch (const std::exception& e) {
        throw Exception(QFileInfo(path).fileName().toStdString() + ": " + e.what());
    }
}

} // namespace pelmora
