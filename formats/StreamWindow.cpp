#include "StreamWindow.h"

#include "ReadStop.h"

#include <algorithm>

namespace pelmora {

// No read gives more than the whole stream, so a small file gets a small window.
StreamWindow::StreamWindow(Stream& stream, size_t capacity)
    : stream_(stream)
    , bytes_(std::min<uint64_t>(capacity, uint64_t(std::max<int64_t>(stream.Size(), 0))))
{
}

bool StreamWindow::Holds(int64_t position, size_t count) const
{
    if (position < start_ || position > start_ + int64_t(filled_))
        return false;
    return reachesEnd_ || position + int64_t(count) <= start_ + int64_t(filled_);
}

std::span<const uint8_t> StreamWindow::At(int64_t position, size_t count)
{
    count = std::min(count, bytes_.size());
    if (!Holds(position, count)) {
        // Each refill is a point where a read no longer wanted stops.
        CheckReadStopped();
        stream_.SetPosition(position);
        // A stream in memory lends its bytes: nothing to hold.
        if (std::span<const uint8_t> borrowed = stream_.Borrow(count); !borrowed.empty())
            return borrowed;
        start_ = position;
        filled_ = stream_.Read(bytes_.data(), bytes_.size());
        reachesEnd_ = filled_ < bytes_.size();
    }
    size_t offset = size_t(position - start_);
    return {bytes_.data() + offset, std::min(count, filled_ - offset)};
}

} // namespace pelmora
