#include "ThumbnailCache.h"

#include "BitmapImage.h"
#include "PictureLoader.h"
#include "PlatformFiles.h"
#include "ThumbnailShrink.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QImageReader>

#include <cstring>
#include <stdexcept>

namespace pelmora {

namespace {

constexpr const char* kUriKey = "Thumb::URI";
constexpr const char* kMTimeKey = "Thumb::MTime";
// Failure entries are kept per program and version: another program may read what this one cannot.
constexpr const char* kFailFolder = "fail/pelmora-1.0";

bool KeptAsIs(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
        || std::strchr("-_.!~*'()/&=:@+$,", c) != nullptr;
}

QString FolderOf(ThumbnailSize size)
{
    return size == ThumbnailSize::Large ? "large" : "normal";
}

// A cache entry stands for the picture only while it names the same URI and modification time.
bool Describes(const QImage& image, const QString& uri, qint64 modified)
{
    bool ok = false;
    qint64 stored = image.text(kMTimeKey).toLongLong(&ok);
    return ok && stored == modified && image.text(kUriKey) == uri;
}

QImage ReadPng(const QString& file)
{
    QImageReader reader(file, "png");
    // A damaged or hostile cache file is only ever as large as a thumbnail.
    QSize size = reader.size();
    if (!size.isValid() || size.width() > 1024 || size.height() > 1024)
        return {};
    return reader.read();
}

} // namespace

QString ThumbnailUri(const QString& absolutePath)
{
    QByteArray uri = "file://";
    for (char c : QFile::encodeName(QDir::cleanPath(absolutePath))) {
        if (KeptAsIs(c))
            uri += c;
        else
            uri += '%' + QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0');
    }
    return QString::fromLatin1(uri);
}

QString ThumbnailCache::DefaultRoot()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + "/.cache";
    return QDir::cleanPath(cache + "/thumbnails");
}

ThumbnailCache::ThumbnailCache(QString root)
    : root_(QDir::cleanPath(root))
{
}

namespace {

QString HashedName(const QString& path)
{
    return QString::fromLatin1(QCryptographicHash::hash(ThumbnailUri(path).toLatin1(), QCryptographicHash::Md5).toHex())
        + ".png";
}

} // namespace

QString ThumbnailCache::ThumbnailPath(const QString& path, ThumbnailSize size) const
{
    return root_ + '/' + FolderOf(size) + '/' + HashedName(path);
}

QString ThumbnailCache::FailurePath(const QString& path) const
{
    return root_ + '/' + kFailFolder + '/' + HashedName(path);
}

bool ThumbnailCache::Holds(const QString& path) const
{
    return QDir::cleanPath(path).startsWith(root_ + '/');
}

ThumbnailCache::Entry ThumbnailCache::Find(const QString& path, ThumbnailSize size) const
{
    qint64 bytes = 0, modified = 0;
    if (!platform::FileStamp(path, bytes, modified))
        return {};
    QString uri = ThumbnailUri(path);
    QImage image = ReadPng(ThumbnailPath(path, size));
    if (!image.isNull() && Describes(image, uri, modified))
        return {image, false};
    QImage failure = ReadPng(FailurePath(path));
    return {{}, !failure.isNull() && Describes(failure, uri, modified)};
}

bool ThumbnailCache::Store(const QString& path, ThumbnailSize size, const QImage& thumbnail, qint64 modified,
    qint64 bytes, QSize fullSize) const
{
    return Write(ThumbnailPath(path, size), path, thumbnail, modified, bytes, fullSize);
}

bool ThumbnailCache::StoreFailure(const QString& path, qint64 modified) const
{
    QImage dot(1, 1, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    return Write(FailurePath(path), path, dot, modified, -1, {});
}

bool ThumbnailCache::Write(
    const QString& file, const QString& path, QImage image, qint64 modified, qint64 bytes, QSize fullSize) const
{
    if (Holds(path) || image.isNull())
        return false;
    // The cache is private to its user: folders 700, files 600.
    QString folder = file.left(file.lastIndexOf('/'));
    if (!QDir().mkpath(folder))
        return false;
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    image.setText(kUriKey, ThumbnailUri(path));
    image.setText(kMTimeKey, QString::number(modified));
    if (bytes >= 0)
        image.setText("Thumb::Size", QString::number(bytes));
    if (fullSize.isValid()) {
        image.setText("Thumb::Image::Width", QString::number(fullSize.width()));
        image.setText("Thumb::Image::Height", QString::number(fullSize.height()));
    }
    image.setText("Software", "Pelmora");
    QString error;
    try {
        return platform::WriteFileReplacing(
            file,
            [&](QIODevice& out) {
                if (auto* device = qobject_cast<QFileDevice*>(&out))
                    device->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
                if (!image.save(&out, "png"))
                    throw std::runtime_error("cannot write the thumbnail");
            },
            error);
    } catch (const std::exception&) {
        return false; // the temporary file is dropped, a thumbnail already there stays
    }
}

ThumbnailCache::Entry FindOrMakeThumbnail(const ThumbnailCache& cache, const QString& path, ThumbnailSize size)
{
    ThumbnailCache::Entry found = cache.Find(path, size);
    found.image = DrawableThumbnail(found.image);
    if (found.failed || !found.image.isNull())
        return found;
    const int side = int(size);
    PictureRequest request {path, {side, side}, nullptr};
    // On the worker: only the small copy leaves it, the decoded picture goes at once.
    request.finish = [side](LoadedPicture& loaded) {
        DecodeToBitmap(*loaded.picture); // a metafile is drawn at its own size
        loaded.image = ShrinkToThumbnail(BitmapToImage(loaded.picture->AsBitmap()), side);
        loaded.picture.reset();
    };
    LoadedPicture loaded = ReadPicture(request);
    qint64 modified = loaded.stamp.modified.toSecsSinceEpoch();
    if (loaded.Failed() || loaded.image.isNull()) {
        if (loaded.stamp.size >= 0)
            cache.StoreFailure(path, modified);
        return {{}, true};
    }
    cache.Store(path, size, loaded.image, modified, loaded.stamp.size, loaded.fullSize);
    return {loaded.image, false};
}

} // namespace pelmora
