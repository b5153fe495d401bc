// The display window's neighbours decoded ahead: while one picture is
// looked at, the worker reads the entries a step away, so the step shows
// a picture already in memory instead of waiting for the file.
#pragma once

#include "app/PictureLoader.h"

#include <QObject>
#include <QStringList>

#include <set>
#include <vector>

namespace pelmora {

class NeighbourPictures : public QObject {
    Q_OBJECT
public:
    explicit NeighbourPictures(QObject* parent = nullptr);

    // Keeps or reads ahead exactly these files, the first first; whatever
    // else is held is let go, and a read of another file under way stops.
    // What would take more than `budgetBytes` of decoded pixels together is
    // not kept.
    void Preload(const QStringList& paths, qint64 budgetBytes);
    // Moves the decoded picture of `path` into `picture` when one is held and
    // the file is as it was read (same size and time); false otherwise.
    bool Take(const QString& path, Picture& picture);
    // Lets everything go and drops what waits to be read.
    void Clear();

    int Held() const { return int(held_.size()); }
    qint64 HeldBytes() const;

private:
    void Loaded(const LoadedPicture& loaded);

    PictureLoader* loader_;
    QStringList wanted_;
    std::set<quint64> asked_; // the tags of reads still of use
    std::vector<LoadedPicture> held_;
    qint64 budget_ = 0;
};

} // namespace pelmora
