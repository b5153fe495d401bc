#include "GIFGraphic.h"

#include "formats/ByteCursor.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/codecs/LZW.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace pelmora {

namespace {

const char* const kNotGif = "Not a valid GIF file.";

constexpr uint8_t kExtensionIntroducer = '!';
constexpr uint8_t kImageSeparator = ',';
constexpr uint8_t kTrailer = ';';
constexpr uint8_t kHasColorTable = 0x80;
constexpr uint8_t kInterlaced = 0x40;

// A colour table of 2 << (flags AND 7) entries of red, green, blue. Indices
// past a short table show its last entry, so the table is filled up to 256
// with that entry: nothing that draws the bitmap can look beyond it.
Palette ReadColorTable(Stream& stream, uint8_t flags)
{
    size_t count = size_t(2) << (flags & 7);
    uint8_t bytes[256 * 3];
    stream.ReadBuffer(bytes, count * 3);
    Palette palette(256);
    for (size_t i = 0; i < 256; ++i) {
        size_t from = std::min(i, count - 1) * 3;
        palette[i] = { bytes[from], bytes[from + 1], bytes[from + 2], 0 };
    }
    return palette;
}

// Skips the sub-blocks of an extension: length bytes and their data, up to the
// zero length. A zero byte inside the data (a delay of 0, say) does not end it.
void SkipSubBlocks(Stream& stream)
{
    uint8_t length;
    while (stream.Read(&length, 1) == 1 && length != 0)
        stream.Seek(length);
}

// All data sub-blocks of the image, concatenated. The data ends at a zero
// length or at the end of the file; a sub-block cut short is a read error.
std::vector<uint8_t> ReadImageData(Stream& stream)
{
    std::vector<uint8_t> data;
    data.reserve(size_t(std::min<int64_t>(stream.Remaining(), int64_t(1) << 26)));
    uint8_t length;
    while (stream.Read(&length, 1) == 1 && length != 0) {
        size_t at = data.size();
        data.resize(at + length);
        stream.ReadBuffer(data.data() + at, length);
    }
    return data;
}

// The most bytes `packed` bytes of LZW data can expand to. Every code takes
// at least codeSize + 1 bits, and each table entry is at most one byte longer
// than the longest before it, so the k-th code gives at most k bytes (and
// never more than the 4096 an entry can hold).
size_t MaxDecodedSize(size_t packed, int codeSize)
{
    constexpr size_t kLongest = 4096;
    const size_t codes = packed * 8 / size_t(std::max(codeSize + 1, 1)) + 1;
    const size_t growing = std::min(codes, kLongest);
    return growing * (growing + 1) / 2 + (codes - growing) * kLongest;
}

// Row of the k-th decoded line: in order, or in the four interlace passes
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
class LineOrder {
public:
    LineOrder(int height, bool interlaced)
        : height_(height)
        , interlaced_(interlaced)
    {
    }
    // The next row, or -1 past the last.
    int Next()
    {
        static constexpr int kStart[] = { 0, 4, 2, 1 };
        static constexpr int kStep[] = { 8, 8, 4, 2 };
        if (!interlaced_)
            return row_ < height_ ? row_++ : -1;
        while (pass_ < 4) {
            if (row_ < height_) {
                int row = row_;
                row_ += kStep[pass_];
                return row;
            }
            if (++pass_ < 4)
                row_ = kStart[pass_];
        }
        return -1;
    }

private:
    int height_;
    bool interlaced_;
    int pass_ = 0;
    int row_ = 0;
};

} // namespace

void TGIFGraphic::LoadFromStream(Stream& stream)
{
    Release();
    SetPixelFormat(PixelFormat::Indexed8);

    uint8_t signature[6];
    stream.ReadBuffer(signature, sizeof signature);
    auto upper = [](uint8_t c) { return c >= 'a' && c <= 'z' ? uint8_t(c - 32) : c; };
    if (upper(signature[0]) != 'G' || upper(signature[1]) != 'I' || upper(signature[2]) != 'F')
        throw Exception(kNotGif);
    uint8_t screenBytes[7];
    stream.ReadBuffer(screenBytes, sizeof screenBytes);
    ByteCursor screen(screenBytes);
    int screenWidth = screen.U16LE();
    int screenHeight = screen.U16LE();
    uint8_t screenFlags = screen.U8();

    // Without any colour table the indices are shown as greys.
    Palette palette = GreyRamp();
    if (screenFlags & kHasColorTable)
        palette = ReadColorTable(stream, screenFlags);

    // Blocks up to the first image; stray bytes between blocks are skipped.
    for (;;) {
        uint8_t introducer;
        if (stream.Read(&introducer, 1) != 1 || introducer == kTrailer) {
            SetPalette(palette);
            return;
        }
        if (introducer == kImageSeparator)
            break;
        if (introducer == kExtensionIntroducer) {
            uint8_t label;
            if (stream.Read(&label, 1) == 1)
                SkipSubBlocks(stream);
        }
    }

    uint8_t descriptorBytes[9];
    stream.ReadBuffer(descriptorBytes, sizeof descriptorBytes);
    ByteCursor descriptor(descriptorBytes);
    descriptor.Skip(4); // the image's position on the screen
    int width = descriptor.U16LE();
    int height = descriptor.U16LE();
    uint8_t imageFlags = descriptor.U8();
    if (width == 0)
        width = screenWidth;
    if (height == 0)
        height = screenHeight;
    CheckImageSize(width, height);
    if (imageFlags & kHasColorTable)
        palette = ReadColorTable(stream, imageFlags);

    uint8_t codeSize = stream.ReadByte();
    std::vector<uint8_t> packed = ReadImageData(stream);

    if (!DataCanFill(int64_t(width) * height, int64_t(MaxDecodedSize(packed.size(), codeSize))))
        throw EReadError();
    Allocate(PixelFormat::Indexed8, width, height);
    SetPalette(std::move(palette));
    size_t pixels = size_t(width) * size_t(height);
    // A short or corrupt stream cannot fill more than this; the rows past
    // what it fills stay as they are.
    size_t wanted = std::min(pixels, MaxDecodedSize(packed.size(), codeSize));
    if (wanted == 0)
        return;

    auto lzw = std::make_unique<TGIFLZW>();
    lzw->initialCodeSize = codeSize;
    const uint8_t* source = packed.data();
    bool interlaced = imageFlags & kInterlaced;
    // Rows without padding can take the decoded lines in place.
    if (!interlaced && BytesPerLine() == width) {
        lzw->Decode(source, Bits(), packed.size(), wanted);
        return;
    }
    std::vector<uint8_t> lines(wanted);
    size_t decoded = lzw->Decode(source, lines.data(), packed.size(), wanted);
    LineOrder order(height, interlaced);
    for (size_t at = 0; at < decoded; at += size_t(width)) {
        int row = order.Next();
        std::memcpy(ScanLine(row), lines.data() + at, std::min(size_t(width), decoded - at));
    }
}

} // namespace pelmora
