// Entries a step away decoded ahead: while one picture is looked at, the
// worker reads the entries next to it, so a step shows a picture already in
// memory instead of waiting for the file. The display window keeps its
// neighbours at full size, the browser its previews at the panel's size.
#pragma once

#include "PictureLoader.h"

#include <QObject>

#include <optional>
#include <set>
#include <vector>

namespace pelmora {

class NeighbourPictures : public QObject {
    Q_OBJECT
public:
    // Reads through `loader` (one of its own when none), which the owner may
    // use for reads of its own: those replace the reads ahead still waiting
    // and stop the one under way, so a read ahead never delays them.
    explicit NeighbourPictures(QObject* parent = nullptr, PictureLoader* loader = nullptr);

    // Keeps or reads ahead exactly these requests (file and decode size), the
    // first first; whatever else is held is let go, and a read of another
    // file under way stops. What would take more than `budgetBytes` of
    // decoded pixels together is not kept. Returns the tag each request is
    // read under (see PictureLoader::Load), 0 for one held already.
    std::vector<quint64> Preload(std::vector<PictureRequest> requests, qint64 budgetBytes);
    // Holds a value read elsewhere (the one shown last) as if it had been read
    // ahead: the next Preload keeps it when it is among those wanted.
    void Hold(LoadedPicture loaded);
    // The value of `path` read at `decodeSize`, handed over, when one is held
    // and the file is as it was read (same size and time); none otherwise.
    std::optional<LoadedPicture> Take(const QString& path, DecodeSize decodeSize = {});
    // Take, or else waits for the read of `path` under way and takes that:
    // shorter than a read of the caller's own. When neither, the reads ahead
    // stop, so that the caller's own read of the file has the machine to itself.
    std::optional<LoadedPicture> TakeOrJoin(const QString& path, DecodeSize decodeSize = {});
    // Lets everything go and drops what waits to be read.
    void Clear();

    int Held() const { return int(held_.size()); }
    const PictureLoader& Loader() const { return *loader_; }
    qint64 HeldBytes() const;

signals:
    // A read ahead has ended and its picture is held.
    void PictureHeld(const QString& path);

private:
    void Loaded(const LoadedPicture& loaded);
    bool Wanted(const QString& path, DecodeSize decodeSize) const;

    PictureLoader* loader_;
    std::vector<PictureRequest> wanted_;
    std::set<quint64> asked_; // the tags of reads still of use
    std::vector<LoadedPicture> held_;
    qint64 budget_ = 0;
};

} // namespace pelmora
