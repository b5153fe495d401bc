#include "formats/StreamWindow.h"
#include "formats/Stream.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

// Reading through the window gives what a read of the stream there gives,
// whatever the order of the requests and wherever the window stands.
TEST(StreamWindow, GivesTheStreamsBytes)
{
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7);
    MemoryStream stream(bytes);
    StreamWindow window(stream, 64);
    struct Request {
        int64_t position;
        size_t count;
    } requests[] = { { 0, 10 }, { 5, 59 }, { 60, 30 }, { 500, 64 }, { 10, 5 }, { 990, 20 }, { 1000, 4 }, { 2000, 4 },
        { 995, 3 } };
    for (const Request& r : requests) {
        std::span<const uint8_t> got = window.At(r.position, r.count);
        std::vector<uint8_t> expected(r.count);
        stream.SetPosition(r.position);
        expected.resize(stream.Read(expected.data(), r.count));
        EXPECT_EQ(std::vector<uint8_t>(got.begin(), got.end()), expected) << "at " << r.position;
    }
}

} // namespace
} // namespace pelmora
