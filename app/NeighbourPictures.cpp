#include "NeighbourPictures.h"

#include "Guarded.h"

#include <algorithm>

namespace pelmora {

namespace {

bool IsRead(const LoadedPicture& held, const QString& path, DecodeSize decodeSize)
{
    return held.path == path && SameDecodeSize(held.decodeSize, decodeSize);
}

} // namespace

NeighbourPictures::NeighbourPictures(QObject* parent, PictureLoader* loader)
    : QObject(parent)
    , loader_(loader ? loader : new PictureLoader(this))
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

bool NeighbourPictures::Wanted(const QString& path, DecodeSize decodeSize) const
{
    return std::any_of(wanted_.begin(), wanted_.end(),
        [&](const PictureRequest& r) { return r.path == path && SameDecodeSize(r.decodeSize, decodeSize); });
}

std::vector<quint64> NeighbourPictures::Preload(std::vector<PictureRequest> requests, qint64 budgetBytes)
{
    wanted_ = std::move(requests);
    budget_ = budgetBytes;
    std::erase_if(held_, [&](const LoadedPicture& held) { return !Wanted(held.path, held.decodeSize); });
    // A file being read now goes on being read (its tag comes back); any other read stops.
    std::vector<PictureRequest> reads;
    std::vector<size_t> readFor; // the position in wanted_ of each read
    for (size_t i = 0; i < wanted_.size(); ++i) {
        const PictureRequest& request = wanted_[i];
        bool held = std::any_of(held_.begin(), held_.end(),
            [&](const LoadedPicture& h) { return IsRead(h, request.path, request.decodeSize); });
        if (!held) {
            reads.push_back(request);
            readFor.push_back(i);
        }
    }
    std::vector<quint64> tags = loader_->Load(std::move(reads));
    asked_ = std::set<quint64>(tags.begin(), tags.end());
    std::vector<quint64> byRequest(wanted_.size(), 0);
    for (size_t i = 0; i < tags.size(); ++i)
        byRequest[readFor[i]] = tags[i];
    return byRequest;
}

void NeighbourPictures::Hold(LoadedPicture loaded)
{
    if (loaded.Failed())
        return;
    std::erase_if(held_, [&](const LoadedPicture& held) { return IsRead(held, loaded.path, loaded.decodeSize); });
    held_.push_back(std::move(loaded));
}

void NeighbourPictures::Loaded(const LoadedPicture& loaded)
{
    if (!asked_.erase(loaded.tag) || !Wanted(loaded.path, loaded.decodeSize) || loaded.Failed())
        return;
    // A file that fails is read again when it is stepped to, for its message.
    if (HeldBytes() + loaded.PixelBytes() > budget_)
        return;
    Hold(loaded);
    emit PictureHeld(loaded.path);
}

std::optional<LoadedPicture> NeighbourPictures::Take(const QString& path, DecodeSize decodeSize)
{
    auto found
        = std::find_if(held_.begin(), held_.end(), [&](const LoadedPicture& h) { return IsRead(h, path, decodeSize); });
    if (found == held_.end())
        return std::nullopt;
    LoadedPicture held = std::move(*found);
    held_.erase(found);
    // A file changed since it was read is read again.
    if (FileStamp::Of(path) != held.stamp)
        return std::nullopt;
    return held;
}

std::optional<LoadedPicture> NeighbourPictures::TakeOrJoin(const QString& path, DecodeSize decodeSize)
{
    if (std::optional<LoadedPicture> held = Take(path, decodeSize))
        return held;
    std::optional<LoadedPicture> joined = loader_->Join(path, decodeSize);
    asked_.erase(joined ? joined->tag : 0);
    if (joined && !joined->Failed() && FileStamp::Of(path) == joined->stamp)
        return joined;
    // Read by the caller: the reads ahead would only compete with it.
    if (!joined) {
        loader_->Cancel();
        asked_.clear();
    }
    return std::nullopt;
}

void NeighbourPictures::Clear()
{
    loader_->Cancel();
    wanted_.clear();
    asked_.clear();
    held_.clear();
}

} // namespace pelmora
