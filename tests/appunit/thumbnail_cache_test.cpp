// The shared thumbnail cache: names other programs compute the same way, a
// thumbnail read back instead of decoding the picture again, remade when the
// picture changes, and a failure entry for a picture that cannot be read.
#include "app/FolderPath.h"
#include "app/PictureFile.h"
#include "app/ThumbnailCache.h"
#include "tests/support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

using namespace pelmora;
using namespace pelmora::test;

TEST(ThumbnailCache, NamesAThumbnailByTheEscapedUriAsTheDesktopsDo)
{
    struct Case {
        const char* path;
        const char* uri;
    } cases[] = {
        {"/home/jens/photos/me.png", "file:///home/jens/photos/me.png"},
        {"/a b/x#1%;?.jpg", "file:///a%20b/x%231%25%3B%3F.jpg"},
        {"/k/(1)&=@+$,!~*'_-.jpg", "file:///k/(1)&=@+$,!~*'_-.jpg"},
        {"/f/\u00fc[\u00e9].gif", "file:///f/%C3%BC%5B%C3%A9%5D.gif"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ThumbnailUri(QString::fromUtf8(c.path)).toStdString(), c.uri) << c.path;
    ThumbnailCache cache("/c/thumbnails");
    // The example every implementation checks itself against.
    EXPECT_EQ(cache.ThumbnailPath("/home/jens/photos/me.png", ThumbnailSize::Normal).toStdString(),
        "/c/thumbnails/normal/c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(cache.ThumbnailPath("/home/jens/photos/me.png", ThumbnailSize::Large).toStdString(),
        "/c/thumbnails/large/c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(cache.FailurePath("/home/jens/photos/me.png").toStdString(),
        "/c/thumbnails/fail/pelmora-1.0/c6ee772d9e49320e97ec29a7eb5b1697.png");
}

TEST(ThumbnailCache, DecodesOnlyWhatTheCacheLacksOrHoldsStale)
{
    TempDir dir;
    ThumbnailCache cache(QString::fromStdString(dir.File("thumbnails")));
    const QString picture = QString::fromStdString(dir.File("wide.bmp"));
    const QString damaged = QString::fromStdString(dir.File("damaged.bmp"));
    const QString inside = cache.Root() + "/normal/own.bmp";
    PatternBitmap(300, 150, PixelFormat::Rgb24).SaveBitmapToFile(FileSystemPath(picture));
    WriteFile(damaged.toStdString(), {'B', 'M', 1, 2, 3});
    std::atomic<int> decodes {0};
    SetPictureFileObserver([&](const QString&) { ++decodes; });

    auto setTime = [](const QString& path, qint64 seconds) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::fromSecsSinceEpoch(seconds), QFileDevice::FileModificationTime);
    };
    struct Step {
        const char* what;
        QString path;
        ThumbnailSize size;
        std::function<void()> before;
        int decodes;
        bool failed;
        QString written; // the cache file the step leaves; empty: none
    } steps[] = {
        {"made", picture, ThumbnailSize::Normal, [&] { setTime(picture, 1700000000); }, 1, false,
            cache.ThumbnailPath(picture, ThumbnailSize::Normal)},
        {"read back", picture, ThumbnailSize::Normal, nullptr, 0, false, {}},
        {"large made apart", picture, ThumbnailSize::Large, nullptr, 1, false,
            cache.ThumbnailPath(picture, ThumbnailSize::Large)},
        {"remade when changed", picture, ThumbnailSize::Normal, [&] { setTime(picture, 1700000100); }, 1, false,
            cache.ThumbnailPath(picture, ThumbnailSize::Normal)},
        {"damaged: failure entry", damaged, ThumbnailSize::Normal, nullptr, 1, true, cache.FailurePath(damaged)},
        {"damaged: not tried again", damaged, ThumbnailSize::Normal, nullptr, 0, true, {}},
        {"damaged and changed: tried again", damaged, ThumbnailSize::Normal, [&] { setTime(damaged, 1600000000); }, 1,
            true, cache.FailurePath(damaged)},
    };
    for (const Step& s : steps) {
        if (s.before)
            s.before();
        decodes = 0;
        ThumbnailCache::Entry entry = FindOrMakeThumbnail(cache, s.path, s.size);
        EXPECT_EQ(decodes, s.decodes) << s.what;
        EXPECT_EQ(entry.failed, s.failed) << s.what;
        if (!s.failed) {
            EXPECT_EQ(entry.image.size(), int(s.size) == 128 ? QSize(128, 64) : QSize(256, 128)) << s.what;
        }
        if (s.written.isEmpty())
            continue;
        QImage stored(s.written, "png");
        ASSERT_FALSE(stored.isNull()) << s.what;
        EXPECT_EQ(stored.text("Thumb::URI"), ThumbnailUri(s.path)) << s.what;
        EXPECT_EQ(stored.text("Thumb::MTime").toLongLong(), QFileInfo(s.path).lastModified().toSecsSinceEpoch())
            << s.what;
        EXPECT_EQ(QFileInfo(s.written).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0) << s.what;
        if (!s.failed) {
            EXPECT_EQ(stored.text("Thumb::Size").toLongLong(), QFileInfo(s.path).size()) << s.what;
            EXPECT_EQ(stored.text("Thumb::Image::Width"), "300") << s.what;
            EXPECT_EQ(stored.text("Thumb::Image::Height"), "150") << s.what;
        }
    }

    // A picture inside the cache is shown but leaves no entry of its own.
    ASSERT_TRUE(QDir().mkpath(cache.Root() + "/normal"));
    ASSERT_TRUE(QFile::copy(picture, inside));
    EXPECT_FALSE(FindOrMakeThumbnail(cache, inside, ThumbnailSize::Normal).image.isNull());
    EXPECT_FALSE(QFileInfo::exists(cache.ThumbnailPath(inside, ThumbnailSize::Normal)));
    SetPictureFileObserver(nullptr);
}
