// Photo-CD packs laid out from a short description, so that the fuzzer
// reaches every choice of the reader from inputs of a few bytes instead of
// whole packs of 786 KB:
//   byte 0     the resolution selector, signed (only 0, 1 and 2 name an image)
//   byte 1     the orientation byte
//   byte 2     XORed into the signature byte that byte 3 names (mod 7): 0 leaves it whole
//   byte 4     how many bytes come before the pack in the stream
//   bytes 5-7  where the file ends, counted from the pack's start (little-endian, taken modulo one
//              more than the pack's size, which leaves the pack whole)
//   the rest   the image's lines: these bytes over and over (zeros without any)
// Missing description bytes count as 0.
#include "Harness.h"
#include "HarnessLoad.h"

#include "formats/readers/PCDGraphic.h"
#include "tests/support/PcdFile.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

namespace pelmora::fuzz {

namespace {

// A pack in one buffer shared by every run, cut where the file ends. The
// buffer is all zero between runs: what a run writes is cleared when it ends,
// so no input sees what an earlier one left and none pays to clear the rest.
class PackBuffer {
public:
    explicit PackBuffer(size_t end)
        : end_(end)
    {
    }
    ~PackBuffer()
    {
        for (auto [from, to] : written_)
            std::memset(&Bytes()[from], 0, to - from);
    }

    void Put(size_t at, const uint8_t* bytes, size_t count)
    {
        if (at >= end_)
            return;
        count = std::min(count, end_ - at);
        std::memcpy(&Bytes()[at], bytes, count);
        written_.push_back({at, at + count});
    }

    // Fills [from, to) with `pattern` over and over, doubling what is filled.
    void Repeat(size_t from, size_t to, std::span<const uint8_t> pattern)
    {
        to = std::min(to, end_);
        if (pattern.empty() || from >= to)
            return;
        uint8_t* region = &Bytes()[from];
        size_t filled = std::min(pattern.size(), to - from);
        std::memcpy(region, pattern.data(), filled);
        for (; filled < to - from; filled *= 2)
            std::memcpy(region + filled, region, std::min(filled, to - from - filled));
        written_.push_back({from, to});
    }

    std::span<const uint8_t> File() const { return {Bytes().data(), end_}; }

private:
    // Room for the largest pack and the most bytes before it.
    static std::vector<uint8_t>& Bytes()
    {
        static std::vector<uint8_t> bytes(255 + test::kPcdImages[2].PackSize());
        return bytes;
    }

    size_t end_;
    std::vector<std::pair<size_t, size_t>> written_;
};

} // namespace

bool PcdLayout(const uint8_t* data, size_t size)
{
    uint8_t head[8] = {};
    const size_t headSize = std::min(size, sizeof head);
    if (headSize > 0)
        std::memcpy(head, data, headSize);
    const std::span<const uint8_t> lines(data + headSize, size - headSize);
    const int selector = int8_t(head[0]);
    const test::PcdImage& image = test::kPcdImages[selector >= 0 && selector <= 2 ? selector : 0];
    const size_t leadIn = head[4];
    // A whole pack costs a hundred times a cut one: a random end is a cut.
    const size_t end = size_t(head[5] | head[6] << 8 | head[7] << 16) % (image.PackSize() + 1);
    PackBuffer pack(leadIn + end);

    uint8_t signature[7];
    std::memcpy(signature, "PCD_IPI", sizeof signature);
    signature[head[3] % 7] ^= head[2];
    pack.Put(leadIn + test::kPcdSignatureOffset, signature, sizeof signature);
    pack.Put(leadIn + test::kPcdOrientationOffset, &head[1], 1);
    pack.Repeat(leadIn + image.dataStart, leadIn + image.DataEnd(), lines);

    MemoryStream stream {pack.File()};
    stream.SetPosition(int64_t(leadIn));
    TPCDGraphic pcd;
    pcd.SetResolution(selector);
    try {
        pcd.LoadFromStream(stream);
        TouchRows(pcd);
    } catch (const Exception&) {
    }
    return true;
}

} // namespace pelmora::fuzz
