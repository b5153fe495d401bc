#include "NeighbourPictures.h"

#include "app/Guarded.h"

#include <algorithm>

namespace pelmora {

NeighbourPictures::NeighbourPictures(QObject* parent)
    : QObject(parent)
    , loader_(new PictureLoader(this))
{
    connect(loader_, &PictureLoader::Loaded, this,
        GuardWithArguments([this](const LoadedPicture& loaded) { Loaded(loaded); }));
}

qint64 NeighbourPictures::HeldBytes() const
{
    qint64 bytes = 0;
    for (const LoadedPicture& held : held_)
        bytes += held.PixelBytes();
    return bytes;
}

void NeighbourPictures::Preload(const QStringList& paths, qint64 budgetBytes)
{
    wanted_ = paths;
    budget_ = budgetBytes;
    std::erase_if(held_, [&](const LoadedPicture& held) { return !wanted_.contains(held.path); });
    // A file being read now goes on being read (its tag comes back); any other read stops.
    std::vector<PictureRequest> requests;
    for (const QString& path : wanted_) {
        bool held = std::any_of(held_.begin(), held_.end(), [&](const LoadedPicture& h) { return h.path == path; });
        if (!held)
            requests.push_back({path, {}, nullptr});
    }
    std::vector<quint64> tags = loader_->Load(std::move(requests));
    asked_ = std::set<quint64>(tags.begin(), tags.end());
}

void NeighbourPictures::Loaded(const LoadedPicture& loaded)
{
    if (!asked_.erase(loaded.tag) || !wanted_.contains(loaded.path) || loaded.Failed())
        return;
    // A file that fails is read again when it is stepped to, for its message.
    if (HeldBytes() + loaded.PixelBytes() > budget_)
        return;
    std::erase_if(held_, [&](const LoadedPicture& held) { return held.path == loaded.path; });
    held_.push_back(loaded);
}

bool NeighbourPictures::Take(const QString& path, Picture& picture)
{
    auto found = std::find_if(held_.begin(), held_.end(), [&](const LoadedPicture& h) { return h.path == path; });
    if (found == held_.end())
        return false;
    LoadedPicture held = std::move(*found);
    held_.erase(found);
    // A file changed since it was read is read again.
    if (!held.picture || FileStamp::Of(path) != held.stamp)
        return false;
    picture = std::move(*held.picture);
    return true;
}

void NeighbourPictures::Clear()
{
    loader_->Cancel();
    wanted_.clear();
    asked_.clear();
    held_.clear();
}

} // namespace pelmora
