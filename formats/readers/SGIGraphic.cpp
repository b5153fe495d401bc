// Failures: "Not a valid sgi, bw or rgb(a) image." for a wrong magic number,
// bytes a sample other than 1 or 2, row tables that do not fit in the file,
// and plain pixel data that is not all there. A run-length row that is cut
// short or points outside the file keeps what it had.
#include "SGIGraphic.h"

#include "formats/ByteCursor.h"
#include "formats/ColorConverters.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/StreamWindow.h"
#include "formats/codecs/RunLength.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

namespace pelmora {

namespace {

const char* const kNotSgi = "Not a valid sgi, bw or rgb(a) image.";

constexpr int kHeaderSize = 512;
constexpr int kMagic = 474;
constexpr size_t kWindowBytes = 256 * 1024;

struct SgiHeader {
    int magic = 0;
    bool runLength = false;
    int bytesPerSample = 0;
    int width = 0;
    int height = 0;
    int channels = 0;

    // Files with no channel count still hold one channel.
    int StoredChannels() const { return std::max(channels, 1); }
    // Red, green, blue (and alpha); any other count is grey from channel 0.
    int UsedChannels() const { return channels == 3 || channels == 4 ? channels : 1; }
};

SgiHeader ReadHeader(Stream& stream)
{
    uint8_t bytes[kHeaderSize] = {};
    stream.Read(bytes, sizeof bytes);
    ByteCursor c(bytes);
    SgiHeader h;
    h.magic = c.U16BE();
    h.runLength = c.U8() == 1;
    h.bytesPerSample = c.U8();
    c.Skip(2); // dimension
    h.width = c.U16BE();
    h.height = c.U16BE();
    h.channels = c.U16BE();
    return h;
}

// Reads channel c of file row r into width bytes, one byte a sample. Each
// channel's rows lie together in the file, so each channel keeps a window of
// its own; a row another window holds is taken from there.
class ChannelRows {
public:
    ChannelRows(Stream& stream, int64_t base, const SgiHeader& h)
        : base_(base)
        , h_(h)
        , decoder_(uint8_t(h.bytesPerSample))
    {
        if (h.runLength)
            ReadTables(stream);
        const size_t capacity = std::max(kWindowBytes, MostRowBytes());
        for (int c = 0; c < h.UsedChannels(); ++c)
            windows_.emplace_back(stream, capacity);
    }

    // Row r of channel c as the file holds it, where it is plain, one byte
    // a sample and all there: no copy. Channels are asked in order within a
    // row; a window is refilled only for its own channel's rows, and a row
    // of channel c lies before any row a window of a later channel starts
    // at, so the rows handed out for one picture row stay valid together.
    const uint8_t* PlainRow(int c, int r)
    {
        if (h_.runLength || h_.bytesPerSample != 1)
            return nullptr;
        const auto rowBytes = size_t(h_.width);
        std::span<const uint8_t> row
            = Bytes(c, base_ + kHeaderSize + (int64_t(c) * h_.height + r) * int64_t(rowBytes), rowBytes);
        return row.size() == rowBytes ? row.data() : nullptr;
    }

    void Read(int c, int r, uint8_t* out)
    {
        size_t got = h_.runLength ? ReadPacked(c, r, out) : ReadPlain(c, r, out);
        std::memset(out + got, 0, size_t(h_.width) - got);
    }

private:
    // A plain row, or the most packed bytes a row can put to use: one sample
    // a packet, with the control of the last.
    size_t MostRowBytes() const
    {
        return (h_.runLength ? 2 * size_t(h_.width) + 2 : size_t(h_.width)) * size_t(h_.bytesPerSample);
    }

    // Both tables run over all stored channels; only the rows of the used ones are kept.
    void ReadTables(Stream& stream)
    {
        const size_t used = size_t(h_.UsedChannels()) * size_t(h_.height);
        const int64_t tableBytes = int64_t(h_.StoredChannels()) * h_.height * 4;
        starts_ = ReadTable(stream, base_ + kHeaderSize, used);
        lengths_ = ReadTable(stream, base_ + kHeaderSize + tableBytes, used);
    }

    static std::vector<uint32_t> ReadTable(Stream& stream, int64_t at, size_t count)
    {
        std::vector<uint8_t> bytes(count * 4);
        stream.SetPosition(at);
        stream.ReadBuffer(bytes.data(), bytes.size());
        std::vector<uint32_t> table(count);
        ByteCursor c(bytes);
        for (auto& v : table)
            v = c.U32BE();
        return table;
    }

    std::span<const uint8_t> Bytes(int c, int64_t position, size_t count)
    {
        for (StreamWindow& w : windows_)
            if (w.Holds(position, count))
                return w.At(position, count);
        return windows_[size_t(c)].At(position, count);
    }

    size_t ReadPacked(int c, int r, uint8_t* out)
    {
        size_t i = size_t(c) * size_t(h_.height) + size_t(r);
        size_t wanted = size_t(std::min<uint64_t>(uint64_t(lengths_[i]) * uint64_t(h_.bytesPerSample), MostRowBytes()));
        return decoder_.Decode(Bytes(c, base_ + starts_[i], wanted), {out, size_t(h_.width)});
    }

    size_t ReadPlain(int c, int r, uint8_t* out)
    {
        const int64_t rowBytes = int64_t(h_.width) * h_.bytesPerSample;
        std::span<const uint8_t> row
            = Bytes(c, base_ + kHeaderSize + (int64_t(c) * h_.height + r) * rowBytes, size_t(rowBytes));
        if (h_.bytesPerSample == 1) {
            std::memcpy(out, row.data(), row.size());
            return row.size();
        }
        size_t got = row.size() / 2;
        for (size_t x = 0; x < got; ++x)
            out[x] = row[2 * x]; // the most significant byte
        return got;
    }

    int64_t base_;
    const SgiHeader h_;
    TSGIRLE decoder_;
    std::vector<uint32_t> starts_, lengths_;
    std::vector<StreamWindow> windows_;
};

// The bytes the file must hold beyond the header: the two row tables, or all
// plain rows of the channels read.
int64_t LeastDataBytes(const SgiHeader& h)
{
    if (h.runLength)
        return 2 * int64_t(h.StoredChannels()) * h.height * 4;
    return int64_t(h.UsedChannels()) * h.height * h.width * h.bytesPerSample;
}

} // namespace

void TSGIGraphic::LoadFromStream(Stream& stream)
{
    const int64_t base = stream.Position();
    const SgiHeader h = ReadHeader(stream);
    // A file that fails leaves the graphic empty; one that loads into the
    // same size again keeps the block (Allocate), so no fresh memory is touched.
    try {
        if (h.magic != kMagic || (h.bytesPerSample != 1 && h.bytesPerSample != 2))
            throw Exception(kNotSgi);
        CheckImageSize(h.width, h.height);
        if (LeastDataBytes(h) > stream.Size() - base - kHeaderSize)
            throw Exception(kNotSgi);
    } catch (...) {
        Release();
        throw;
    }

    const int used = h.UsedChannels();
    const PixelFormat format = used == 3 ? PixelFormat::Rgb24 : used == 4 ? PixelFormat::Rgb32 : PixelFormat::Indexed8;
    Allocate(format, h.width, h.height);
    if (format == PixelFormat::Indexed8)
        SetPalette(GreyRamp(256));
    if (IsEmpty())
        return;

    ChannelRows channels(stream, base, h);
    std::vector<uint8_t> planes(used == 1 ? 0 : size_t(used) * size_t(h.width));
    const void* sources[4] = {};
    for (int r = 0; r < h.height; ++r) {
        uint8_t* row = ScanLine(h.height - 1 - r);
        if (used == 1) {
            channels.Read(0, r, row);
            continue;
        }
        for (int c = 0; c < used; ++c) {
            sources[c] = channels.PlainRow(c, r);
            if (!sources[c]) {
                uint8_t* plane = planes.data() + size_t(c) * size_t(h.width);
                channels.Read(c, r, plane);
                sources[c] = plane;
            }
        }
        if (used == 3)
            RGBToBGRPlanar(sources, row, 8, size_t(h.width) * 3);
        else
            RGBAToBGRAPlanar(sources, row, 8, size_t(h.width) * 4);
    }
}

} // namespace pelmora
