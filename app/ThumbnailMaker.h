// Thumbnails made off the interface thread: two workers take the pictures
// asked for, in the order asked (the tiles on the screen first), from the
// desktop's thumbnail cache or, when it has none that is current, by reading
// the picture reduced and writing the cache. Each answer reaches the
// interface thread as a signal.
#pragma once

#include "ThumbnailCache.h"

#include <QObject>
#include <QSet>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace pelmora {

class ThumbnailMaker : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailMaker(ThumbnailCache cache = ThumbnailCache(), int workers = 2, QObject* parent = nullptr);
    ~ThumbnailMaker() override;

    // Replaces the pictures still waiting by these, made in this order: the
    // latest wish wins, what is being made runs to its end (and is not made
    // twice when it is asked for again meanwhile).
    void Want(const QStringList& paths, ThumbnailSize size);
    void Cancel() { Want({}, ThumbnailSize::Normal); }
    // Nothing waiting, being made, or on its way to the interface thread.
    bool Idle() const;
    const ThumbnailCache& Cache() const { return cache_; }

signals:
    // A null image with `failed` set for a picture that cannot be read.
    void Made(const QString& path, pelmora::ThumbnailSize size, const QImage& image, bool failed);

private:
    void Work();

    const ThumbnailCache cache_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<QString> waiting_;
    ThumbnailSize size_ = ThumbnailSize::Normal;
    QSet<QString> making_; // being made, or made and not yet handed over
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace pelmora
