#include "PictureFile.h"

#include "FolderPath.h"
#include "formats/Exception.h"
#include "formats/JpegImage.h"
#include "formats/Picture.h"

#include <QFileInfo>

namespace pelmora {

void LoadPictureFile(Picture& picture, const QString& path)
{
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
