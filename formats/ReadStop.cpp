#include "ReadStop.h"

namespace pelmora {

namespace {

thread_local const std::atomic<bool>* tStop = nullptr;

} // namespace

ReadStopScope::ReadStopScope(const std::atomic<bool>& stop)
    : outer_(tStop)
{
    tStop = &stop;
}

ReadStopScope::~ReadStopScope()
{
    tStop = outer_;
}

void CheckReadStopped()
{
    if (tStop && tStop->load(std::memory_order_relaxed))
        throw EReadStopped();
}

} // namespace pelmora
