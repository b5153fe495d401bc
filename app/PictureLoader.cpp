#include "PictureLoader.h"

#include "PictureFile.h"
#include "formats/Metafile.h"
#include "formats/ReadStop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <set>
#include <utility>

namespace pelmora {

namespace {

// Tags are unique over all loaders, so a value can never pass for another's.
std::atomic<quint64> gNextTag {1};

// The loaders alive, for WaitForIdle; touched on the interface thread only.
std::set<PictureLoader*>& Loaders()
{
    static std::set<PictureLoader*> loaders;
    return loaders;
}

} // namespace

FileStamp FileStamp::Of(const QString& path)
{
    QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified()};
}

qint64 LoadedPicture::PixelBytes() const
{
    qint64 bytes = image.sizeInBytes();
    if (picture && picture->GetGraphic() && picture->GetGraphic()->Is(Bitmap::StaticClass())) {
        const auto& bitmap = static_cast<const Bitmap&>(*picture->GetGraphic());
        bytes += qint64(bitmap.BytesPerLine()) * bitmap.Height();
    }
    return bytes;
}

LoadedPicture ReadPicture(const PictureRequest& request, quint64 tag)
{
    LoadedPicture loaded;
    loaded.tag = tag;
    loaded.path = request.path;
    loaded.decodeSize = request.decodeSize;
    loaded.stamp = FileStamp::Of(request.path);
    try {
        auto picture = std::make_shared<Picture>();
        picture->SetDecodeSize(request.decodeSize);
        LoadPictureFile(*picture, request.path);
        CheckReadStopped();
        // An icon gives its image; a metafile stays as it is, to be drawn at
        // whatever size it is shown (fit and zoom draw it afresh).
        if (!picture->GetGraphic()->Is(TMetafile::StaticClass()))
            DecodeToBitmap(*picture);
        if (Graphic* graphic = picture->GetGraphic()) {
            loaded.fullSize = QSize(graphic->FullWidth(), graphic->FullHeight());
            if (graphic->Is(Bitmap::StaticClass()))
                loaded.format = static_cast<Bitmap*>(graphic)->GetPixelFormat();
        }
        loaded.picture = std::move(picture);
        if (request.finish)
            request.finish(loaded);
    } catch (const std::exception& e) {
        loaded.picture.reset();
        loaded.image = QImage();
        loaded.error = QString::fromUtf8(e.what());
    }
    return loaded;
}

PictureLoader::PictureLoader(QObject* parent, int workers)
    : QObject(parent)
{
    static const int registered = qRegisterMetaType<LoadedPicture>();
    Q_UNUSED(registered);
    Loaders().insert(this);
    for (int i = 0; i < std::max(workers, 1); ++i)
        workers_.push_back(std::make_unique<Worker>());
    for (auto& worker : workers_)
        worker->thread = std::thread([this, w = worker.get()] { Work(*w); });
}

PictureLoader::~PictureLoader()
{
    Loaders().erase(this);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (auto& worker : workers_)
            worker->stop = true;
        waiting_.clear();
    }
    wake_.notify_all();
    for (auto& worker : workers_)
        worker->thread.join();
}

quint64 PictureLoader::TagOfReadUnderWay(const PictureRequest& request, std::vector<const Worker*>& kept) const
{
    // A read told to stop hands nothing over, even when its file is wanted again.
    for (const auto& worker : workers_)
        if (worker->reading.Is(request) && !worker->stop
            && std::find(kept.begin(), kept.end(), worker.get()) == kept.end()) {
            kept.push_back(worker.get());
            return worker->reading.tag;
        }
    for (const Read& read : delivering_)
        if (read.Is(request))
            return read.tag;
    return 0;
}

std::vector<quint64> PictureLoader::Load(std::vector<PictureRequest> requests)
{
    std::vector<quint64> tags;
    {
        std::lock_guard lock(mutex_);
        waiting_.clear();
        std::vector<const Worker*> kept;
        std::vector<quint64> taken; // a value on its way answers one request only
        for (PictureRequest& request : requests) {
            quint64 tag = TagOfReadUnderWay(request, kept);
            if (tag && std::find(taken.begin(), taken.end(), tag) == taken.end()) {
                taken.push_back(tag);
                tags.push_back(tag);
                continue;
            }
            tag = gNextTag++;
            tags.push_back(tag);
            waiting_.push_back({tag, std::move(request)});
        }
        // The latest requests need not wait for reads nobody wants any more.
        for (auto& worker : workers_)
            if (!worker->reading.path.isEmpty() && std::find(kept.begin(), kept.end(), worker.get()) == kept.end())
                worker->stop = true;
    }
    wake_.notify_all();
    return tags;
}

std::optional<LoadedPicture> PictureLoader::Join(const QString& path, DecodeSize decodeSize)
{
    std::unique_lock lock(mutex_);
    auto reading = std::find_if(workers_.begin(), workers_.end(), [&](const auto& worker) {
        return worker->reading.Is({path, decodeSize, nullptr}) && !worker->stop;
    });
    if (reading == workers_.end())
        return std::nullopt;
    joinTag_ = (*reading)->reading.tag;
    joined_.wait(lock, [this] { return joinedValue_.has_value() || stopping_; });
    joinTag_ = 0;
    std::optional<LoadedPicture> value = std::move(joinedValue_);
    joinedValue_.reset();
    return value;
}

bool PictureLoader::Joining() const
{
    std::lock_guard lock(mutex_);
    return joinTag_ != 0;
}

bool PictureLoader::Idle() const
{
    std::lock_guard lock(mutex_);
    return waiting_.empty() && delivering_.empty()
        && std::all_of(workers_.begin(), workers_.end(), [](const auto& w) { return w->reading.path.isEmpty(); });
}

void PictureLoader::Work(Worker& worker)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_)
            return;
        Queued next = std::move(waiting_.front());
        waiting_.pop_front();
        worker.reading = {next.request.path, next.request.decodeSize, next.tag};
        worker.stop = false;
        lock.unlock();
        LoadedPicture loaded;
        {
            ReadStopScope stop(worker.stop);
            loaded = ReadPicture(next.request, next.tag);
        }
        lock.lock();
        Read done = std::exchange(worker.reading, {});
        if (stopping_)
            return;
        if (joinTag_ == next.tag) {
            joinedValue_ = std::move(loaded);
            joined_.notify_all();
            continue;
        }
        if (worker.stop)
            continue;
        delivering_.push_back(done);
        // Handed over on the loader's thread; a loader gone by then takes nothing.
        QMetaObject::invokeMethod(
            this,
            [this, loaded = std::move(loaded)] {
                {
                    std::lock_guard delivered(mutex_);
                    std::erase_if(delivering_, [&](const Read& read) { return read.tag == loaded.tag; });
                }
                emit Loaded(loaded);
            },
            Qt::QueuedConnection);
    }
}

bool PictureLoader::WaitForIdle(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        bool idle = true;
        for (PictureLoader* loader : Loaders())
            idle = idle && loader->Idle();
        if (idle)
            return true;
        if (waited.elapsed() > timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace pelmora
