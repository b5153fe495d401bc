#include "PPMGraphic.h"

#include "formats/ColorConverters.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace pelmora {

namespace {

const char* const kNotPPM = "Not a valid ppm file.";
const char* const kReadError = "PPM: Stream read error.";
constexpr int kEnd = -1;

[[noreturn]] void NotAnInteger(const std::string& text)
{
    throw EConvertError("'" + text + "' is not a valid integer value");
}

bool IsSpace(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(int c)
{
    return c >= '0' && c <= '9';
}

// Bytes of the stream through a 4096-byte buffer: one at a time for the text
// of headers and plain pixels, in blocks for binary pixels.
class ByteSource {
public:
    explicit ByteSource(Stream& stream)
        : stream_(stream)
    {
    }

    // The next byte, or kEnd after the last.
    int Next()
    {
        if (position_ == filled_ && !Refill())
            return kEnd;
        return buffer_[position_++];
    }
    int Get()
    {
        int c = Next();
        if (c == kEnd)
            throw Exception(kReadError);
        return c;
    }
    void Unget() { --position_; }

    // Exactly `count` bytes, the buffered ones first.
    void Read(uint8_t* target, size_t count)
    {
        size_t buffered = std::min(count, filled_ - position_);
        std::memcpy(target, buffer_ + position_, buffered);
        position_ += buffered;
        if (buffered < count && stream_.Read(target + buffered, count - buffered) != count - buffered)
            throw Exception(kReadError);
    }

    // The next `count` bytes in place, where none are buffered and the
    // stream lends them all (it holds them in memory); else nullptr and
    // nothing is taken.
    const uint8_t* Lend(size_t count)
    {
        if (position_ != filled_)
            return nullptr;
        const int64_t at = stream_.Position();
        std::span<const uint8_t> lent = stream_.Borrow(count);
        if (lent.size() == count)
            return lent.data();
        stream_.SetPosition(at);
        return nullptr;
    }

    uint64_t Available() const { return filled_ - position_ + uint64_t(stream_.Remaining()); }

    // Skips white space and "#" comments up to the next other byte (kEnd at the end).
    int SkipSpaceAndComments()
    {
        for (;;) {
            int c = Next();
            if (c == '#') {
                do
                    c = Next();
                while (c != '\n' && c != '\r' && c != kEnd);
            }
            if (!IsSpace(c))
                return c;
        }
    }

    // A decimal number after white space and comments; the byte after its last
    // digit (one white space byte before binary pixels) is consumed. Numbers
    // beyond any sensible size saturate rather than wrap.
    int64_t Number()
    {
        int c = SkipSpaceAndComments();
        if (c == kEnd)
            throw Exception(kReadError);
        if (!IsDigit(c)) {
            Unget();
            NotAnInteger(Token());
        }
        int64_t value = 0;
        for (; IsDigit(c); c = Next())
            value = std::min<int64_t>(value * 10 + (c - '0'), int64_t(1) << 40);
        return value;
    }

    // The text up to the next white space, for an error message.
    std::string Token()
    {
        std::string text;
        for (int c = Next(); c != kEnd && !IsSpace(c) && text.size() < 40; c = Next())
            text += char(c);
        return text;
    }

private:
    bool Refill()
    {
        filled_ = stream_.Read(buffer_, sizeof buffer_);
        position_ = 0;
        return filled_ != 0;
    }

    Stream& stream_;
    uint8_t buffer_[4096];
    size_t position_ = 0, filled_ = 0;
};

struct Header {
    int variant = 0;
    int width = 0, height = 0;
    int maxValue = 1;
};

Header ReadHeader(ByteSource& in)
{
    Header h;
    if (in.Next() != 'P')
        throw Exception(kNotPPM);
    int c = in.Next();
    if (!IsDigit(c))
        NotAnInteger(c == kEnd || c == '\n' || c == '\r' ? std::string() : std::string(1, char(c)));
    h.variant = c - '0';
    if (h.variant < 1 || h.variant > 6)
        throw Exception(kNotPPM);
    int64_t width = in.Number();
    int64_t height = in.Number();
    CheckImageSize(width, height);
    h.width = int(width);
    h.height = int(height);
    if (h.variant != 1 && h.variant != 4) {
        int64_t maxValue = in.Number();
        if (maxValue < 1 || maxValue > 65535)
            throw Exception(kNotPPM);
        h.maxValue = int(maxValue);
    }
    return h;
}

// Sample value to 0..255 for a maximum value (values above it count as it).
class SampleScale {
public:
    explicit SampleScale(int maxValue)
        : max_(maxValue)
        , table_(size_t(maxValue) + 1)
    {
        for (int v = 0; v <= maxValue; ++v)
            table_[size_t(v)] = uint8_t((v * 255 + maxValue / 2) / maxValue);
    }
    uint8_t operator()(int64_t v) const { return table_[size_t(std::min<int64_t>(v, max_))]; }
    bool Identity() const { return max_ == 255; }
    bool TwoBytes() const { return max_ > 255; }

private:
    int max_;
    std::vector<uint8_t> table_;
};

// Red, green, blue to blue, green, red, in place.
void SwapRedBlue(uint8_t* row, size_t pixels)
{
    const void* source = row;
    RGBToBGR(&source, row, 8, pixels * 3);
}

// Rows read at once when they lie end to end: large enough to need few
// reads, small enough to be converted while still in the cache.
constexpr size_t kBandBytes = 256 * 1024;

// Binary 8-bit samples read into a row, in place: scaled to 0..255 and, for
// a pixmap, turned to blue, green, red.
void ConvertRow(uint8_t* row, size_t samples, bool rgb, const SampleScale& scale)
{
    if (!scale.Identity())
        for (size_t i = 0; i < samples; ++i)
            row[i] = scale(row[i]);
    if (rgb)
        SwapRedBlue(row, samples / 3);
}

// Whole bands of rows in one read each, where the bitmap's rows lie end to
// end without padding, as the file's do.
bool ReadBands(ByteSource& in, Bitmap& bitmap, size_t rowBytes, bool rgb, const SampleScale& scale)
{
    const int height = bitmap.Height();
    if (size_t(bitmap.BytesPerLine()) != rowBytes
        || bitmap.ScanLine(height - 1) != bitmap.ScanLine(0) + size_t(height - 1) * rowBytes)
        return false;
    const int rowsPerBand = int(std::max<size_t>(1, kBandBytes / rowBytes));
    for (int y = 0; y < height; y += rowsPerBand) {
        size_t bytes = rowBytes * size_t(std::min(rowsPerBand, height - y));
        uint8_t* band = bitmap.ScanLine(y);
        // Bytes in memory turn blue, green, red on their way into the band.
        if (const void* lent = rgb && scale.Identity() ? in.Lend(bytes) : nullptr) {
            RGBToBGR(&lent, band, 8, bytes);
            continue;
        }
        in.Read(band, bytes);
        ConvertRow(band, bytes, rgb, scale);
    }
    return true;
}

// One row at a time, for the plain variants and those the bands do not take.
struct RowReader {
    ByteSource& in;
    int variant;
    size_t width, samples, fileRowBytes;
    bool rgb;
    const SampleScale& scale;
    std::vector<uint8_t> fileRow = std::vector<uint8_t>(variant >= 4 ? fileRowBytes : 0);

    void Read(uint8_t* row)
    {
        switch (variant) {
        case 1: ReadPlainBits(row); break;
        case 2:
        case 3:
            for (size_t i = 0; i < samples; ++i)
                row[i] = scale(in.Number());
            if (rgb)
                SwapRedBlue(row, width);
            break;
        case 4:
            in.Read(row, fileRowBytes);
            if (width % 8)
                row[fileRowBytes - 1] &= uint8_t(0xFF << (8 - width % 8)); // bits past the last pixel stay clear
            break;
        default:
            if (scale.TwoBytes()) {
                in.Read(fileRow.data(), fileRowBytes);
                for (size_t i = 0; i < samples; ++i)
                    row[i] = scale(LoadU16BE(&fileRow[i * 2]));
                if (rgb)
                    SwapRedBlue(row, width);
            } else {
                in.Read(row, fileRowBytes);
                ConvertRow(row, samples, rgb, scale);
            }
            break;
        }
    }
    // One character a pixel; white space between them is optional.
    void ReadPlainBits(uint8_t* row)
    {
        std::memset(row, 0, (width + 7) / 8);
        for (size_t x = 0; x < width; ++x) {
            int c = in.SkipSpaceAndComments();
            if (c == kEnd)
                throw Exception(kReadError);
            if (c != '0' && c != '1') {
                in.Unget();
                NotAnInteger(in.Token());
            }
            if (c == '1')
                row[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
};

} // namespace

void TPPMGraphic::LoadFromStream(Stream& stream)
{
    // No Release first: a bitmap loaded again keeps its block when the size
    // stays, and a header that fails leaves it as it was.
    ByteSource in(stream);
    const Header h = ReadHeader(in);
    const size_t width = size_t(h.width);
    const bool binary = h.variant >= 4;
    const int channels = h.variant == 3 || h.variant == 6 ? 3 : 1;
    const bool bilevel = h.variant == 1 || h.variant == 4;
    const SampleScale scale(h.maxValue);

    // Every pixel needs at least a byte of the file: check before allocating.
    const size_t samples = width * size_t(channels);
    const size_t fileRowBytes = bilevel ? (binary ? (width + 7) / 8 : width) : samples * (scale.TwoBytes() ? 2 : 1);
    if (uint64_t(fileRowBytes) * uint64_t(h.height) > in.Available())
        throw Exception(kReadError);

    Allocate(bilevel        ? PixelFormat::Indexed1
            : channels == 3 ? PixelFormat::Rgb24
                            : PixelFormat::Indexed8,
        h.width, h.height);
    if (bilevel)
        SetPalette({{255, 255, 255, 0}, {0, 0, 0, 0}});
    else if (channels == 1)
        SetPalette(GreyRamp());
    if (width == 0)
        return;

    if (binary && !bilevel && !scale.TwoBytes() && ReadBands(in, *this, fileRowBytes, channels == 3, scale))
        return;
    RowReader rows {in, h.variant, width, samples, fileRowBytes, channels == 3, scale};
    for (int y = 0; y < h.height; ++y)
        rows.Read(ScanLine(y));
}

} // namespace pelmora
