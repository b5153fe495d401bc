#include "Metafile.h"

#include "ByteCursor.h"
#include "Exception.h"
#include "Stream.h"

#include <cmath>

namespace pelmora {

namespace {

const char* const kInvalid = "Metafile is not valid";
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr int kPixelsPerInch = 96;
constexpr int kHundredthMillimetresPerInch = 2540;

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(kInvalid);
}

int Scale(int64_t value, int64_t numerator, int64_t denominator)
{
    if (denominator == 0)
        Invalid();
    return int(std::llround(double(value) * double(numerator) / double(denominator)));
}

// The 18-byte header every Windows metafile starts with.
void CheckWmfHeader(ByteCursor& c)
{
    uint16_t type = c.U16LE(), headerWords = c.U16LE(), version = c.U16LE();
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x300 && version != 0x100))
        Invalid();
    c.Skip(12);
}

// Without a placeable header the size is the window extent a record sets.
bool FindWindowExtent(ByteCursor& c, int& width, int& height)
{
    while (c.Remaining() >= 6) {
        uint64_t words = c.U32LE();
        uint16_t function = c.U16LE();
        if (words < 3 || (words - 3) * 2 > c.Remaining())
            return false;
        if (function == 0x020C && words >= 5) { // SetWindowExt: y, then x
            height = std::abs(int(c.S16LE()));
            width = std::abs(int(c.S16LE()));
            return true;
        }
        if (function == 0)
            return false;
        c.Skip(size_t(words - 3) * 2);
    }
    return false;
}

} // namespace

void TMetafile::CopyFrom(const TMetafile& other)
{
    data_ = other.data_;
    recordsStart_ = other.recordsStart_;
    enhanced_ = other.enhanced_;
    width_ = other.width_;
    height_ = other.height_;
}

void TMetafile::LoadFromStream(Stream& stream)
{
    int64_t size = stream.Remaining();
    if (size < 18 || size > (int64_t(1) << 30))
        Invalid();
    std::vector<uint8_t> file(static_cast<size_t>(size));
    stream.ReadBuffer(file.data(), file.size());
    ByteCursor c(file, kInvalid);
    uint32_t first = c.U32LE();

    int width = 0, height = 0;
    size_t recordsStart = 0;
    bool enhanced = false;
    if (first == 1 && file.size() >= 88) { // EMR_HEADER
        c.SetPosition(24);
        int32_t left = c.S32LE(), top = c.S32LE(), right = c.S32LE(), bottom = c.S32LE();
        c.SetPosition(40);
        if (c.U32LE() != kEmfSignature)
            Invalid();
        // The frame is in hundredths of a millimetre and inclusive.
        width = Scale(int64_t(right) - left, kPixelsPerInch, kHundredthMillimetresPerInch);
        height = Scale(int64_t(bottom) - top, kPixelsPerInch, kHundredthMillimetresPerInch);
        enhanced = true;
    } else if (first == kPlaceableKey) {
        c.SetPosition(0);
        uint16_t words[11];
        for (uint16_t& w : words)
            w = c.U16LE();
        uint16_t checksum = 0;
        for (int i = 0; i < 10; ++i)
            checksum ^= words[i];
        if (checksum != words[10])
            Invalid();
        auto left = int16_t(words[3]), top = int16_t(words[4]), right = int16_t(words[5]), bottom = int16_t(words[6]);
        int inch = words[7];
        width = Scale(int64_t(right) - left, kPixelsPerInch, inch);
        height = Scale(int64_t(bottom) - top, kPixelsPerInch, inch);
        recordsStart = 22;
        CheckWmfHeader(c);
    } else {
        c.SetPosition(0);
        CheckWmfHeader(c);
        if (!FindWindowExtent(c, width, height))
            Invalid();
    }
    if (width <= 0 || height <= 0)
        Invalid();
    data_ = std::move(file);
    recordsStart_ = recordsStart;
    enhanced_ = enhanced;
    width_ = width;
    height_ = height;
}

void TMetafile::SaveToStream(Stream& stream) const
{
    stream.WriteBuffer(data_.data(), data_.size());
}

} // namespace pelmora
