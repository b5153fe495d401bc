// Reading pictures off the interface thread. A window asks for files; one
// worker reads them in turn and hands back a value holding the picture or
// the error, tagged with the request it answers. The window shows a value
// only while its tag is still the one it waits for, so a slow file never
// paints over the picture of a file asked for later.
#pragma once

#include "formats/Graphic.h"
#include "formats/Picture.h"

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace pelmora {

// A file as it was when it was read: a later change in size or time means
// what was read from it is out of date.
struct FileStamp {
    qint64 size = -1;
    QDateTime modified;

    static FileStamp Of(const QString& path);
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

struct LoadedPicture;

inline bool SameDecodeSize(DecodeSize a, DecodeSize b)
{
    return a.width == b.width && a.height == b.height;
}

struct PictureRequest {
    QString path;
    // "At least width x height": formats that can read reduced do so; none reads full size.
    DecodeSize decodeSize;
    // Runs on the worker after a good read, with the picture in hand: what a
    // window would otherwise do on its own thread (scaling a preview, say).
    std::function<void(LoadedPicture& loaded)> finish;
};

struct LoadedPicture {
    quint64 tag = 0; // the request's, from PictureLoader::Load
    QString path;
    DecodeSize decodeSize; // the request's
    FileStamp stamp; // taken before the read
    // Decoded to a bitmap wherever the graphic turns into one; null on failure
    // or when the finishing step let it go.
    std::shared_ptr<Picture> picture;
    QSize fullSize; // the picture's size as the file holds it, even when read reduced
    PixelFormat format = PixelFormat::Device;
    QImage image; // what the finishing step made, if anything
    QString error; // "name: message"; empty when the read succeeded

    bool Failed() const { return !error.isEmpty(); }
    // The bytes the decoded pixels take.
    qint64 PixelBytes() const;
};

// Reads one file on the calling thread, as the worker does: the way a window
// reads when it cannot wait. Failures come back in the value, not thrown.
LoadedPicture ReadPicture(const PictureRequest& request, quint64 tag = 0);

class PictureLoader : public QObject {
    Q_OBJECT
public:
    explicit PictureLoader(QObject* parent = nullptr);
    ~PictureLoader() override;

    // Replaces the requests still waiting by these, read in this order (the
    // latest wish wins). Returns their tags. A read under way of one of these
    // files (at the same size) goes on and its tag stands for that request;
    // any other read under way is stopped and hands nothing over.
    std::vector<quint64> Load(std::vector<PictureRequest> requests);
    quint64 Load(PictureRequest request) { return Load(std::vector {std::move(request)}).front(); }
    // Drops the requests still waiting and stops the read under way.
    void Cancel() { Load(std::vector<PictureRequest> {}); }
    // Waits for the read under way of `path` at `decodeSize` and hands its
    // value over here instead of through Loaded: the caller waits less than a
    // read of its own would take. None when that file is not being read (or
    // its read is being stopped).
    std::optional<LoadedPicture> Join(const QString& path, DecodeSize decodeSize);
    // For tests: a Join is waiting (on another thread).
    bool Joining() const;
    // The path being read right now, empty when the worker waits.
    QString Reading() const;
    // Nothing waiting, nothing being read, nothing read and not yet handed over.
    bool Idle() const;

    // For tests: runs the event loop until every loader is idle (at most
    // `timeoutMs`), so that what was asked for has arrived. False on time-out.
    static bool WaitForIdle(int timeoutMs = 10000);

signals:
    // On the loader's own thread, once for every request that was read.
    void Loaded(const pelmora::LoadedPicture& loaded);

private:
    struct Queued {
        quint64 tag;
        PictureRequest request;
    };
    void Work();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable joined_; // a read someone waits for in Join has ended
    std::deque<Queued> waiting_;
    QString reading_;
    DecodeSize readingSize_;
    quint64 readingTag_ = 0;
    quint64 joinTag_ = 0; // the read Join waits for
    std::optional<LoadedPicture> joinedValue_;
    std::atomic<bool> stopReading_ {false}; // the read under way is no longer wanted
    int undelivered_ = 0; // read, and on their way to this thread
    bool stopping_ = false;
    quint64 nextTag_ = 1;
    std::thread worker_;
};

} // namespace pelmora

Q_DECLARE_METATYPE(pelmora::LoadedPicture)
