#include "ThumbnailMaker.h"

#include "Platform.h"

#include <QMetaObject>

namespace pelmora {

ThumbnailMaker::ThumbnailMaker(ThumbnailCache cache, int workers, QObject* parent)
    : QObject(parent)
    , cache_(std::move(cache))
{
    static const int registered = qRegisterMetaType<ThumbnailSize>();
    Q_UNUSED(registered);
    for (int i = 0; i < std::max(1, workers); ++i)
        workers_.emplace_back([this] { Work(); });
}

ThumbnailMaker::~ThumbnailMaker()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void ThumbnailMaker::Want(const QStringList& paths, ThumbnailSize size)
{
    {
        std::lock_guard lock(mutex_);
        waiting_.clear();
        for (const QString& path : paths)
            if (!making_.contains(path))
                waiting_.push_back(path);
        size_ = size;
    }
    wake_.notify_all();
}

bool ThumbnailMaker::Idle() const
{
    std::lock_guard lock(mutex_);
    return waiting_.empty() && making_.isEmpty();
}

void ThumbnailMaker::Work()
{
    platform::LowerThreadPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_)
            return;
        QString path = std::move(waiting_.front());
        waiting_.pop_front();
        if (making_.contains(path))
            continue;
        ThumbnailSize size = size_;
        making_.insert(path);
        lock.unlock();
        ThumbnailCache::Entry entry = FindOrMakeThumbnail(cache_, path, size);
        // Handed over on the maker's thread; a maker gone by then takes nothing.
        QMetaObject::invokeMethod(
            this,
            [this, path, size, entry] {
                {
                    std::lock_guard delivered(mutex_);
                    making_.remove(path);
                }
                emit Made(path, size, entry.image, entry.failed);
            },
            Qt::QueuedConnection);
        lock.lock();
    }
}

} // namespace pelmora
