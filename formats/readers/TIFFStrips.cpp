#include "TIFFStrips.h"

#include "TIFFFailures.h"
#include "formats/Exception.h"
#include "formats/Stream.h"
#include "formats/codecs/LZW.h"

#include <algorithm>

namespace pelmora {

namespace {

// No LZW code of 9 bits or more yields more than 4096 bytes.
constexpr size_t kLZWExpansion = 4096 * 8 / 9 + 1;
// A PackBits run gives 128 bytes for two.
constexpr int64_t kPackBitsExpansion = 64;

// Grows a buffer that is too small; one kept from an earlier picture is
// used as it is, so a picture read again touches no fresh memory.
uint8_t* Reserve(std::vector<uint8_t>& buffer, size_t size)
{
    if (buffer.size() < std::max<size_t>(size, 1)) {
        buffer.clear();
        buffer.shrink_to_fit();
        buffer.resize(std::max<size_t>(size, 1));
    }
    return buffer.data();
}

} // namespace

TIFFStripReader::TIFFStripReader(Stream& stream, int64_t base, std::vector<uint32_t> offsets,
    std::vector<uint32_t> counts, uint32_t compression, size_t unitBytes, int planes,
    std::vector<std::vector<uint8_t>>& buffers)
    : stream_(stream)
    , base_(base)
    , offsets_(std::move(offsets))
    , counts_(std::move(counts))
    , unitBytes_(unitBytes)
    , buffers_(buffers)
{
    buffers_.resize(std::max(buffers_.size(), size_t(planes) + 1));
    if (offsets_.empty())
        throw Exception(kInvalidTIFF);
    switch (compression) {
    case kNone: break;
    case kLZW: decoder_ = std::make_unique<TTIFFLZW>(); break;
    case kPackBits: packBits_ = true; break;
    default: throw Exception(kUnknownTIFFCompression);
    }
}

TIFFStripReader::~TIFFStripReader() = default;

size_t TIFFStripReader::Fill(int plane, size_t strip, size_t firstUnit, size_t units)
{
    auto buffer = [&](size_t size) { return Reserve(Plane(plane), size); };
    return Load(strip, firstUnit, units, buffer) / unitBytes_;
}

size_t TIFFStripReader::FillInto(uint8_t* destination, size_t strip, size_t firstUnit, size_t units)
{
    return Load(strip, firstUnit, units, [&](size_t) { return destination; });
}

int64_t TIFFStripReader::MostBytes() const
{
    // Far above any picture, and no sum of strips can overflow on the way there.
    constexpr int64_t kEnough = int64_t(1) << 50;
    const int64_t expansion = decoder_ ? int64_t(kLZWExpansion) : packBits_ ? kPackBitsExpansion : 1;
    int64_t most = 0;
    for (size_t strip = 0; strip < offsets_.size() && most < kEnough; ++strip) {
        const int64_t room = stream_.Size() - (base_ + offsets_[strip]);
        if (room <= 0)
            continue;
        // Uncompressed strips are read as far as the file goes, whatever their count says.
        const int64_t packed
            = Compressed() ? std::min<int64_t>(room, strip < counts_.size() ? counts_[strip] : 0) : room;
        most += packed * expansion;
    }
    return most;
}

std::span<const uint8_t> TIFFStripReader::Lend(size_t strip, size_t firstUnit, size_t units)
{
    if (Compressed() || !MoveTo(strip, firstUnit))
        return {};
    size_t want = std::min(units, size_t(stream_.Remaining()) / unitBytes_) * unitBytes_;
    std::span<const uint8_t> lent = stream_.Borrow(want);
    return lent.first(lent.size() / unitBytes_ * unitBytes_);
}

// Moves the stream to unit `firstUnit` of strip `strip`; false when that lies outside the file.
bool TIFFStripReader::MoveTo(size_t strip, size_t firstUnit)
{
    if (strip >= offsets_.size())
        return false;
    int64_t at = base_ + offsets_[strip] + int64_t(firstUnit * unitBytes_);
    if (at >= stream_.Size())
        return false;
    stream_.SetPosition(at);
    return true;
}

// The packed bytes of the strip the stream stands at, as far as the file
// goes: lent by a stream in memory, else read into the first buffer.
const uint8_t* TIFFStripReader::Packed(size_t strip, size_t& size)
{
    size = std::min(size_t(strip < counts_.size() ? counts_[strip] : 0), size_t(stream_.Remaining()));
    if (std::span<const uint8_t> borrowed = stream_.Borrow(size); !borrowed.empty()) {
        size = borrowed.size();
        return borrowed.data();
    }
    size = stream_.Read(Reserve(buffers_[0], size), size);
    return buffers_[0].data();
}

// Reads or decodes into the memory `where(size)` gives for `size` bytes.
template <class Where> size_t TIFFStripReader::Load(size_t strip, size_t firstUnit, size_t units, Where where)
{
    if (packBits_)
        return LoadPackBits(strip, firstUnit, units, where);
    if (!MoveTo(strip, firstUnit))
        return 0;
    if (!decoder_) {
        // Whole units only: the bytes of a unit the file cuts short are of no use.
        size_t want = std::min(units, size_t(stream_.Remaining()) / unitBytes_) * unitBytes_;
        return stream_.Read(where(want), want);
    }
    size_t packed = 0;
    const uint8_t* source = Packed(strip, packed);
    size_t capacity = std::min(units * unitBytes_, packed * kLZWExpansion);
    return decoder_->Decode({source, packed}, {where(capacity), capacity});
}

template <class Where> size_t TIFFStripReader::LoadPackBits(size_t strip, size_t firstUnit, size_t units, Where where)
{
    if (firstUnit == 0) {
        cursor_ = {};
        cursorStrip_ = strip;
        size_t packed = 0;
        if (MoveTo(strip, 0)) {
            const uint8_t* source = Packed(strip, packed);
            cursor_ = PackbitsCursor(source, packed);
        }
    } else if (strip != cursorStrip_) {
        return 0;
    }
    size_t capacity = std::min(units * unitBytes_, cursor_.MostLeft());
    return cursor_.Decode(where(capacity), capacity);
}

} // namespace pelmora
