// The desktop's shared thumbnail cache: PNG files named by the MD5 of the
// picture's URI in `normal` (128 pixels) and `large` (256 pixels) under
// $XDG_CACHE_HOME/thumbnails (~/.cache/thumbnails without it), each naming
// its picture and its modification time, so file managers and this program
// make a thumbnail once between them. Pictures that cannot be read get a
// failure entry of this program's own, so they are not tried at every look.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace pelmora {

enum class ThumbnailSize { Normal = 128, Large = 256 };

// "file://" and the absolute path, every byte of the file system's name
// escaped as "%XX" except letters, digits and -_.!~*'()/&=:@+$, (the escaping
// the desktops use, so the name of a thumbnail is the same in every program).
QString ThumbnailUri(const QString& absolutePath);

class ThumbnailCache {
public:
    // $XDG_CACHE_HOME/thumbnails when that is an absolute path, ~/.cache/thumbnails otherwise.
    static QString DefaultRoot();
    explicit ThumbnailCache(QString root = DefaultRoot());

    const QString& Root() const { return root_; }
    // Where the thumbnail of `path` lives, and its failure entry.
    QString ThumbnailPath(const QString& path, ThumbnailSize size) const;
    QString FailurePath(const QString& path) const;
    // Pictures inside the cache are shown but never cached themselves: a
    // thumbnail of a thumbnail would only grow the cache while it is browsed.
    bool Holds(const QString& path) const;

    // What the cache knows of a picture as it is now (its size and time on
    // disk): its thumbnail, or that reading it failed. A thumbnail of another
    // URI or time counts as none, so a changed file is made again.
    struct Entry {
        QImage image;
        bool failed = false;
    };
    Entry Find(const QString& path, ThumbnailSize size) const;

    // Writes the thumbnail (made from the picture at `modified`, seconds
    // since the epoch, `bytes` long and `fullSize` in its own pixels) or a
    // failure entry, atomically and readable by the owner alone. False when
    // nothing was written (a read-only cache, a picture inside the cache).
    bool Store(const QString& path, ThumbnailSize size, const QImage& thumbnail, qint64 modified, qint64 bytes,
        QSize fullSize) const;
    bool StoreFailure(const QString& path, qint64 modified) const;

private:
    bool Write(
        const QString& file, const QString& path, QImage image, qint64 modified, qint64 bytes, QSize fullSize) const;

    QString root_;
};

// The cache entry for a picture, or a new thumbnail (read reduced, shrunk to
// the size's longer side, never enlarged) written to the cache; a picture
// that cannot be read gets its failure entry. Runs on any thread; the image
// comes in a format the interface thread draws without converting.
ThumbnailCache::Entry FindOrMakeThumbnail(const ThumbnailCache& cache, const QString& path, ThumbnailSize size);

} // namespace pelmora
