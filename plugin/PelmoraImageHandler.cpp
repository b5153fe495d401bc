#include "PelmoraImageHandler.h"

#include "app/BitmapImage.h"
#include "app/MetafilePainter.h"
#include "formats/ImageLimits.h"
#include "formats/Metafile.h"
#include "formats/Stream.h"
#include "formats/readers/AutodeskGraphic.h"
#include "formats/readers/CUTGraphic.h"
#include "formats/readers/PCDGraphic.h"
#include "formats/readers/RLAGraphic.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <limits>

namespace pelmora {

namespace {

// Only what neither Qt nor the common plugin sets read, under no key another
// plugin uses: "pic" names another format there, so Autodesk's .pic files are
// told by content.
const PluginFormat kFormats[] = {
    {"cut", &TCUTGraphic::StaticClass, nullptr},
    {"rla", &TRLAGraphic::StaticClass, nullptr},
    {"rpf", &TRLAGraphic::StaticClass, nullptr},
    {"cel", &TAutodeskGraphic::StaticClass, &TAutodeskGraphic::HasSignature},
    {"pcd", &TPCDGraphic::StaticClass, &TPCDGraphic::HasSignature},
    {"wmf", &TMetafile::StaticClass, nullptr},
    {"emf", &TMetafile::StaticClass, nullptr},
};
constexpr qint64 kLongestSignature = qint64(std::max(TAutodeskGraphic::kSignatureBytes, TPCDGraphic::kSignatureBytes));

// The picture of a reader: a metafile drawn at its own size through the painter the program uses.
const Bitmap& Picture(const Graphic& graphic, Bitmap& drawn)
{
    if (!graphic.Is(TMetafile::StaticClass()))
        return static_cast<const Bitmap&>(graphic);
    static const bool installed = (InstallMetafilePainter(), true);
    (void)installed;
    drawn.Assign(graphic);
    return drawn;
}

std::span<const uint8_t> Bytes(const QByteArray& data)
{
    return {reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())};
}

// The host's limit on one image's memory (QImageReader::allocationLimit), in bytes.
qint64 AllocationLimit()
{
    const int megabytes = QImageReader::allocationLimit();
    return megabytes > 0 ? qint64(megabytes) << 20 : std::numeric_limits<qint64>::max();
}

// The image comes from QImageIOHandler::allocateImage, which refuses what
// exceeds the host's limit, and takes a copy of the rows.
bool CopyToImage(const Bitmap& bitmap, QImage& image)
{
    const QImage rows = BitmapToImage(bitmap);
    if (rows.isNull() || !QImageIOHandler::allocateImage(rows.size(), rows.format(), &image))
        return false;
    image.setColorTable(rows.colorTable());
    const size_t rowBytes = size_t(std::min(rows.bytesPerLine(), image.bytesPerLine()));
    for (int y = 0; y < rows.height(); ++y)
        std::memcpy(image.scanLine(y), rows.constScanLine(y), rowBytes);
    return true;
}

} // namespace

const PluginFormat* FormatOfKey(const QByteArray& key)
{
    for (const PluginFormat& f : kFormats)
        if (key == f.key)
            return &f;
    return nullptr;
}

const PluginFormat* FormatOfContent(QIODevice* device)
{
    if (!device || !device->isOpen() || !device->isReadable())
        return nullptr;
    const QByteArray head = device->peek(kLongestSignature);
    for (const PluginFormat& f : kFormats)
        if (f.hasSignature && f.hasSignature(Bytes(head)))
            return &f;
    return nullptr;
}

PelmoraImageHandler::PelmoraImageHandler(const PluginFormat& format)
    : format_(format)
{
}

bool PelmoraImageHandler::canRead() const
{
    if (!device() || (format_.hasSignature && FormatOfContent(device()) != &format_))
        return false;
    setFormat(format_.key);
    return true;
}

bool PelmoraImageHandler::read(QImage* image)
{
    QIODevice* d = device();
    if (!d || !image)
        return false;
    // The file is read in whole, unless it is larger than the image memory
    // the host allows: these formats hold little more data than pixels (bar
    // the higher Photo-CD resolutions we do not read, a few megabytes).
    const qint64 limit = AllocationLimit();
    if (!d->isSequential() && d->size() - d->pos() > limit)
        return false;
    try {
        const QByteArray data = d->readAll();
        if (data.size() > limit)
            return false;
        std::unique_ptr<Graphic> graphic = format_.reader().create();
        if (auto* file = qobject_cast<QFile*>(d); file && graphic->Is(TCUTGraphic::StaticClass()))
            static_cast<TCUTGraphic&>(*graphic).UsePaletteBeside(file->fileName().toStdString());
        // The readers refuse a size before they allocate its rows; four bytes
        // a pixel is the most any of these readers keeps (or a metafile is drawn in).
        ThreadPixelLimit pixels(limit / 4);
        MemoryStream stream(Bytes(data));
        graphic->LoadFromStream(stream);
        Bitmap drawn;
        return CopyToImage(Picture(*graphic, drawn), *image);
    } catch (...) {
        return false;
    }
}

} // namespace pelmora
