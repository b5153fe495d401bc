#include "PictureLoader.h"

#include "PictureFile.h"
#include "formats/Metafile.h"
#include "formats/ReadStop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <atomic>
#include <set>

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

PictureLoader::PictureLoader(QObject* parent)
    : QObject(parent)
{
    static const int registered = qRegisterMetaType<LoadedPicture>();
    Q_UNUSED(registered);
    Loaders().insert(this);
    worker_ = std::thread([this] { Work(); });
}

PictureLoader::~PictureLoader()
{
    Loaders().erase(this);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        stopReading_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    worker_.join();
}

std::vector<quint64> PictureLoader::Load(std::vector<PictureRequest> requests)
{
    std::vector<quint64> tags;
    {
        std::lock_guard lock(mutex_);
        waiting_.clear();
        bool keepReading = false;
        for (PictureRequest& request : requests) {
            if (!keepReading && !reading_.isEmpty() && request.path == reading_
                && SameDecodeSize(request.decodeSize, readingSize_)) {
                keepReading = true;
                tags.push_back(readingTag_);
                continue;
            }
            quint64 tag = gNextTag++;
            tags.push_back(tag);
            waiting_.push_back({tag, std::move(request)});
        }
        // The latest request need not wait for a read nobody wants any more.
        if (!reading_.isEmpty() && !keepReading)
            stopReading_ = true;
    }
    wake_.notify_all();
    return tags;
}

std::optional<LoadedPicture> PictureLoader::Join(const QString& path, DecodeSize decodeSize)
{
    std::unique_lock lock(mutex_);
    if (reading_.isEmpty() || reading_ != path || !SameDecodeSize(readingSize_, decodeSize) || stopReading_)
        return std::nullopt;
    joinTag_ = readingTag_;
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

QString PictureLoader::Reading() const
{
    std::lock_guard lock(mutex_);
    return reading_;
}

bool PictureLoader::Idle() const
{
    std::lock_guard lock(mutex_);
    return waiting_.empty() && reading_.isEmpty() && undelivered_ == 0;
}

void PictureLoader::Work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_)
            return;
        Queued next = std::move(waiting_.front());
        waiting_.pop_front();
        reading_ = next.request.path;
        readingSize_ = next.request.decodeSize;
        readingTag_ = next.tag;
        stopReading_ = false;
        lock.unlock();
        LoadedPicture loaded;
        {
            ReadStopScope stop(stopReading_);
            loaded = ReadPicture(next.request, next.tag);
        }
        lock.lock();
        reading_.clear();
        if (stopping_)
            return;
        if (joinTag_ == next.tag) {
            joinedValue_ = std::move(loaded);
            joined_.notify_all();
            continue;
        }
        if (stopReading_)
            continue;
        ++undelivered_;
        // Handed over on the loader's thread; a loader gone by then takes nothing.
        QMetaObject::invokeMethod(
            this,
            [this, loaded = std::move(loaded)] {
                {
                    std::lock_guard delivered(mutex_);
                    --undelivered_;
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
