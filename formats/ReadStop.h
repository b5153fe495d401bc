// Telling a read on a worker thread to stop: a newer request has made its
// result useless, and the newer one should not wait for it. The reader
// checks between rows or blocks; a stopped read ends with EReadStopped,
// like any failure, and leaves nothing half-read behind.
#pragma once

#include "Exception.h"

#include <atomic>

namespace pelmora {

class EReadStopped : public Exception {
public:
    EReadStopped()
        : Exception("Reading stopped")
    {
    }
};

// While it lives, reads on this thread stop once `stop` is true.
class ReadStopScope {
public:
    explicit ReadStopScope(const std::atomic<bool>& stop);
    ~ReadStopScope();
    ReadStopScope(const ReadStopScope&) = delete;
    ReadStopScope& operator=(const ReadStopScope&) = delete;

private:
    const std::atomic<bool>* outer_;
};

// Throws EReadStopped when the read on this thread has been told to stop.
void CheckReadStopped();

} // namespace pelmora
