#include "PSDGraphic.h"

#include "formats/ByteCursor.h"
#include "formats/ByteOrder.h"
#include "formats/ColorConverters.h"
#include "formats/ColorProfile.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/codecs/RunLength.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pelmora {

namespace {

enum ColorMode : int { Bitmap1 = 0, Greyscale = 1, Indexed = 2, RGB = 3, CMYK = 4, Duotone = 8, Lab = 9 };

constexpr uint16_t kPackBits = 1;

struct PSDHeader {
    int channels = 0;
    int64_t width = 0, height = 0;
    int bits = 0;
    int mode = 0;
};

const char* const kNotPSD = "Not a valid psd file.";
const char* const kUnsupported = "PSD: colour mode or sample size not supported.";

PSDHeader ReadHeader(Stream& stream)
{
    uint8_t bytes[26];
    stream.ReadBuffer(bytes, sizeof bytes);
    if (std::memcmp(bytes, "8BPS", 4) != 0)
        throw Exception(kNotPSD);
    ByteCursor cursor(bytes);
    cursor.Skip(12); // signature, version, reserved
    PSDHeader h;
    h.channels = cursor.U16BE();
    h.height = cursor.U32BE();
    h.width = cursor.U32BE();
    h.bits = cursor.U16BE();
    h.mode = cursor.U16BE();
    return h;
}

// Channels the merged image's colours come from; the rest are extras.
int ColorChannels(int mode)
{
    switch (mode) {
    case RGB:
    case Lab: return 3;
    case CMYK: return 4;
    default: return 1;
    }
}

PixelFormat FormatOf(int mode)
{
    switch (mode) {
    case Bitmap1: return PixelFormat::Indexed1;
    case RGB:
    case CMYK:
    case Lab: return PixelFormat::Rgb24;
    default: return PixelFormat::Indexed8;
    }
}

void CheckSupported(const PSDHeader& h)
{
    bool known = h.mode == Bitmap1 || h.mode == Greyscale || h.mode == Indexed || h.mode == RGB || h.mode == CMYK
        || h.mode == Duotone || h.mode == Lab;
    bool bitsFit = h.mode == Bitmap1 ? h.bits == 1 : h.bits == 8 || h.bits == 16;
    if (!known || !bitsFit)
        throw Exception(kUnsupported);
    if (h.channels < ColorChannels(h.mode))
        throw Exception(kNotPSD);
    CheckImageSize(h.width, h.height);
}

void SkipSection(Stream& stream)
{
    stream.Seek(stream.ReadU32BE());
}

// The image resources section, of which only the ICC profile (resource 1039)
// is kept; a resource whose lengths run past the section ends the search.
std::vector<uint8_t> ReadIccProfile(Stream& stream)
{
    constexpr uint16_t kIccProfile = 1039;
    const uint32_t length = stream.ReadU32BE();
    const int64_t end = stream.Position() + length;
    std::vector<uint8_t> profile;
    while (end - stream.Position() >= 12 && stream.Remaining() >= 12) {
        uint8_t signature[4];
        stream.ReadBuffer(signature, 4);
        const uint16_t id = stream.ReadU16BE();
        const int nameLength = stream.ReadByte();
        stream.Seek(nameLength | 1); // the name's length byte and text together fill an even count
        const uint32_t size = stream.ReadU32BE();
        if (std::memcmp(signature, "8BIM", 4) != 0 || size > end - stream.Position() || size > stream.Remaining())
            break;
        if (id == kIccProfile) {
            profile.resize(size);
            stream.ReadBuffer(profile.data(), size);
            break;
        }
        stream.Seek(int64_t(size) + (size & 1));
    }
    stream.SetPosition(end);
    return profile;
}

void RequireBytes(Stream& stream, uint64_t count)
{
    if (uint64_t(stream.Remaining()) < count)
        throw EReadError();
}

// The file's rows of the colour channels, raw or PackBits, handed out one
// channel row at a time as the file stores it (big-endian samples). Each
// channel is read through a window of its own, so a row of every channel is
// at hand without the whole image in memory.
class ChannelRows {
public:
    ChannelRows(Stream& stream, const PSDHeader& h, int channels, size_t rowBytes)
        : stream_(stream)
        , height_(size_t(h.height))
        , rowBytes_(rowBytes)
        , windows_(size_t(channels))
    {
        const size_t rows = size_t(channels) * height_;
        packBits_ = stream.ReadU16BE() == kPackBits;
        if (packBits_) {
            // One byte count a row of every channel, extras included.
            uint64_t allRows = uint64_t(h.channels) * height_;
            RequireBytes(stream, allRows * 2);
            std::vector<uint8_t> counts(rows * 2);
            stream.ReadBuffer(counts.data(), counts.size());
            stream.Seek(int64_t(allRows - rows) * 2);
            offsets_.resize(rows + 1);
            for (size_t r = 0; r < rows; ++r)
                offsets_[r + 1] = offsets_[r] + uint64_t(LoadU16BE(&counts[r * 2]));
            scratch_.resize(size_t(channels) * rowBytes_);
        }
        dataStart_ = stream.Position();
        dataSize_ = packBits_ ? offsets_[rows] : uint64_t(rows) * rowBytes_;
        RequireBytes(stream, dataSize_);
        // Two packed bytes give at most 128: byte counts too small to fill the
        // image at that rate are not a picture worth allocating for.
        if (packBits_ && dataSize_ * 64 < uint64_t(rows) * rowBytes_)
            throw Exception(kNotPSD);
    }

    // Row y of channel c: rowBytes bytes; a packed row that decodes short is
    // padded with zeros.
    const uint8_t* Row(int c, int y)
    {
        size_t r = size_t(c) * height_ + size_t(y);
        if (!packBits_)
            return Bytes(c, uint64_t(r) * rowBytes_, rowBytes_);
        size_t packed = size_t(offsets_[r + 1] - offsets_[r]);
        const uint8_t* in = Bytes(c, offsets_[r], packed);
        uint8_t* out = scratch_.data() + size_t(c) * rowBytes_;
        size_t n = decoder_.Decode({in, packed}, {out, rowBytes_});
        std::memset(out + n, 0, rowBytes_ - n);
        return out;
    }

private:
    static constexpr size_t kWindowBytes = 256 * 1024;

    struct Window {
        std::vector<uint8_t> bytes;
        uint64_t start = 0, end = 0; // from the start of the image data
    };

    // `length` bytes at `offset` of the image data, through channel c's window.
    const uint8_t* Bytes(int c, uint64_t offset, size_t length)
    {
        Window& w = windows_[size_t(c)];
        if (offset < w.start || offset + length > w.end) {
            size_t size = size_t(std::min<uint64_t>(std::max(kWindowBytes, length), dataSize_ - offset));
            if (w.bytes.size() < size)
                w.bytes.resize(size);
            stream_.SetPosition(dataStart_ + int64_t(offset));
            stream_.ReadBuffer(w.bytes.data(), size);
            w.start = offset;
            w.end = offset + size;
        }
        return w.bytes.data() + (offset - w.start);
    }

    Stream& stream_;
    size_t height_, rowBytes_;
    bool packBits_ = false;
    int64_t dataStart_ = 0;
    uint64_t dataSize_ = 0;
    std::vector<uint64_t> offsets_;
    std::vector<Window> windows_;
    std::vector<uint8_t> scratch_;
    TPackbitsRLE decoder_;
};

// The palette the colour mode implies; an indexed image's comes from the
// colour mode data, which `colors` keeps (256 reds, greens, blues).
Palette ReadPalette(Stream& stream, const PSDHeader& h, std::array<uint8_t, 768>& colors)
{
    const uint32_t colorDataLength = stream.ReadU32BE();
    if (h.mode != Indexed) {
        stream.Seek(colorDataLength);
        if (h.mode == Bitmap1)
            return {{255, 255, 255, 0}, {0, 0, 0, 0}};
        // Greyscale, and duotone shown by its first ink's density.
        return FormatOf(h.mode) == PixelFormat::Indexed8 ? GreyRamp() : Palette {};
    }
    colors.fill(0);
    const size_t kept = std::min<size_t>(colorDataLength, colors.size());
    stream.ReadBuffer(colors.data(), kept);
    stream.Seek(int64_t(colorDataLength - kept));
    Palette palette(256);
    for (size_t i = 0; i < 256; ++i)
        palette[i] = {colors[i], colors[256 + i], colors[512 + i], 0};
    return palette;
}

size_t RowBytes(const PSDHeader& h)
{
    return h.mode == Bitmap1 ? (size_t(h.width) + 7) / 8 : size_t(h.width) * size_t(h.bits / 8);
}

// Bitmap, greyscale, indexed and duotone images: the one channel's rows.
void CopyChannel(ChannelRows& rows, const PSDHeader& h, Bitmap& image)
{
    const size_t rowBytes = RowBytes(h);
    for (int y = 0; y < int(h.height); ++y) {
        const uint8_t* from = rows.Row(0, y);
        uint8_t* to = image.ScanLine(y);
        if (h.bits == 16) {
            ReduceBE16To8(from, to, size_t(h.width));
        } else {
            std::memcpy(to, from, rowBytes);
            if (h.mode == Bitmap1 && h.width % 8)
                to[rowBytes - 1] &= uint8_t(0xFF << (8 - h.width % 8)); // bits past the last pixel stay clear
        }
    }
}

// RGB, CMYK and L*a*b* images: a row of each colour plane, converted together.
void ConvertPlanes(ChannelRows& rows, const PSDHeader& h, int channels, Bitmap& image)
{
    // Colour planes, one row each, in the sample size the converter takes:
    // 16-bit CMYK keeps its 16 bits, the others go through their high bytes.
    const size_t samplesPerRow = size_t(h.width);
    const bool keep16 = h.bits == 16 && h.mode == CMYK;
    std::vector<uint8_t> planes8(keep16 ? 0 : samplesPerRow * size_t(channels));
    std::vector<uint16_t> planes16(keep16 ? samplesPerRow * size_t(channels) : 0);
    const void* sources[4];
    for (int y = 0; y < int(h.height); ++y) {
        for (int c = 0; c < channels; ++c) {
            const uint8_t* from = rows.Row(c, y);
            if (keep16) {
                uint16_t* plane = planes16.data() + size_t(c) * samplesPerRow;
                LoadBE16Samples(from, plane, samplesPerRow);
                for (size_t i = 0; i < samplesPerRow; ++i)
                    plane[i] = uint16_t(65535 - plane[i]); // PSD stores CMYK as 0 = full ink
                sources[c] = plane;
                continue;
            }
            if (h.bits == 8 && h.mode != CMYK) {
                sources[c] = from; // each channel's row stays in place until the next row
                continue;
            }
            uint8_t* plane = planes8.data() + size_t(c) * samplesPerRow;
            if (h.bits == 16)
                ReduceBE16To8(from, plane, samplesPerRow);
            else
                std::memcpy(plane, from, samplesPerRow);
            if (h.mode == CMYK)
                for (size_t i = 0; i < samplesPerRow; ++i)
                    plane[i] = uint8_t(255 - plane[i]);
            sources[c] = plane;
        }
        uint8_t* to = image.ScanLine(y);
        const size_t samples = samplesPerRow * size_t(channels);
        switch (h.mode) {
        case RGB: RGBToBGRPlanar(sources, to, 8, samples); break;
        case CMYK: CMYKToBGRPlanar(sources, to, keep16 ? 16 : 8, samples); break;
        case Lab: CIELabToBGRPlanar(sources, to, 8, samples); break; // a and b keep their offset of 128
        }
    }
}

} // namespace

void TPSDGraphic::LoadFromStream(Stream& stream)
{
    const PSDHeader h = ReadHeader(stream);
    CheckSupported(h);
    Palette palette = ReadPalette(stream, h, colors_);
    const std::vector<uint8_t> profile = ReadIccProfile(stream);
    SkipSection(stream); // layer and mask information

    const int channels = ColorChannels(h.mode);
    ChannelRows rows(stream, h, channels, RowBytes(h));
    Allocate(FormatOf(h.mode), int(h.width), int(h.height));
    SetPalette(std::move(palette));
    if (h.width == 0)
        return;
    if (channels == 1)
        CopyChannel(rows, h, *this);
    else
        ConvertPlanes(rows, h, channels, *this);
    // CMYK and L*a*b* pixels are converted to RGB already: their profiles do not fit them.
    if (channels == 1 || h.mode == RGB)
        ConvertToSrgb(*this, profile);
}

} // namespace pelmora
