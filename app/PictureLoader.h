// Reading pictures off the interface thread. A window asks for files; its
// workers (one, or one a core for small reads) read them in turn and hand
// back a value holding the picture or the error, tagged with the request it
// answers. The window shows a value only while its tag is still the one it
// waits for, so a slow file never paints over the picture of a file asked
// for later.
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
    // `workers` reads at once at most: more than one only where the pictures
    // read are small (each worker holds one decoded picture at a time).
    explicit PictureLoader(QObject* parent = nullptr, int workers = 1);
    ~PictureLoader() override;

    // Replaces the requests still waiting by these, read in this order (the
    // latest wish wins); the workers take them from the front. Returns their
    // tags. A read under way of one of these files (at the same size), or one
    // read and on its way to this thread, goes on and its tag stands for that
    // request; any other read under way is stopped and hands nothing over.
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
    // A file read or being read, by its tag.
    struct Read {
        QString path; // empty: none
        DecodeSize size;
        quint64 tag = 0;
        bool Is(const PictureRequest& request) const
        {
            return !path.isEmpty() && request.path == path && SameDecodeSize(request.decodeSize, size);
        }
    };
    // One worker thread and the read it has under way.
    struct Worker {
        Read reading;
        std::atomic<bool> stop {false}; // the read under way is no longer wanted
        std::thread thread;
    };
    void Work(Worker& worker);
    // The tag of the read of `request` under way or on its way here, 0 when
    // none; `kept` collects the workers whose reads go on.
    quint64 TagOfReadUnderWay(const PictureRequest& request, std::vector<const Worker*>& kept) const;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable joined_; // a read someone waits for in Join has ended
    std::deque<Queued> waiting_;
    std::vector<Read> delivering_; // read, and on their way to this thread
    quint64 joinTag_ = 0; // the read Join waits for
    std::optional<LoadedPicture> joinedValue_;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
};

} // namespace pelmora

Q_DECLARE_METATYPE(pelmora::LoadedPicture)
