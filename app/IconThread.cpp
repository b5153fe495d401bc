#include "IconThread.h"

#include "Platform.h"

#include <QElapsedTimer>

namespace pelmora {

namespace {

// A batch goes out after this many names or this long, whichever comes
// first: the list fills steadily without an event for every entry.
constexpr int kBatchNames = 256;
constexpr int kBatchMilliseconds = 40;

} // namespace

TIconThread::TIconThread(QString folder, QStringList names, quint64 generation)
    : folder_(std::move(folder))
    , names_(std::move(names))
    , generation_(generation)
{
}

void TIconThread::run()
{
    QStringList batch;
    int first = 0;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    for (int i = 0; i < names_.size(); ++i) {
        if (isInterruptionRequested())
            return;
        batch.append(platform::FileTypeName(folder_ + names_[i]));
        if (batch.size() >= kBatchNames || sinceBatch.elapsed() >= kBatchMilliseconds) {
            emit TypeNamesFound(generation_, first, batch);
            first = i + 1;
            batch.clear();
            sinceBatch.restart();
        }
    }
    if (!batch.isEmpty())
        emit TypeNamesFound(generation_, first, batch);
}

} // namespace pelmora
