// Windows bitmap files: read every published variant (core and info headers,
// 1/4/8/16/24/32 bits, RLE4, RLE8, bit fields, top-down and bottom-up) and
// write any Bitmap in its present pixel format.
#include "Bitmap.h"

#include "ByteCursor.h"
#include "Exception.h"
#include "ImageLimits.h"
#include "PixelRows.h"
#include "Stream.h"
#include "ByteOrder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace pelmora {

namespace {

const char* const kInvalid = "Bitmap image is not valid";

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct DibHeader {
    int64_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t imageSize = 0;
    uint32_t colorsUsed = 0;
    uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    bool core = false; // OS/2 core header: 3-byte palette entries
    uint32_t headerSize = 0;
};

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(kInvalid);
}

void CheckDibHeader(const DibHeader& h);

// Reads the info header (the file header already consumed) and checks it
// before anything is allocated from it.
DibHeader ReadDibHeader(Stream& stream)
{
    DibHeader h;
    uint8_t sizeBytes[4];
    if (stream.Read(sizeBytes, 4) != 4)
        Invalid();
    h.headerSize = LoadU32LE(sizeBytes);
    if (h.headerSize != 12 && (h.headerSize < 16 || h.headerSize > 124))
        Invalid();
    std::vector<uint8_t> rest(h.headerSize - 4);
    if (stream.Read(rest.data(), rest.size()) != rest.size())
        Invalid();
    ByteCursor c(rest, kInvalid);
    int planes;
    if (h.headerSize == 12) {
        h.core = true;
        h.width = c.U16LE();
        h.height = c.S16LE();
        planes = c.U16LE();
        h.bitCount = c.U16LE();
    } else {
        h.width = c.S32LE();
        h.height = c.S32LE();
        planes = c.U16LE();
        h.bitCount = c.U16LE();
        if (c.Remaining() >= 4)
            h.compression = c.U32LE();
        if (c.Remaining() >= 4)
            h.imageSize = c.U32LE();
        if (c.Remaining() >= 16) {
            c.Skip(8);
            h.colorsUsed = c.U32LE();
            c.Skip(4);
        }
        // OS/2 2.x headers (64 bytes) use 3 and 4 for Huffman and RLE24.
        if (h.headerSize == 64 && h.compression >= 3)
            Invalid();
        for (int i = 0; i < 4 && c.Remaining() >= 4; ++i)
            h.masks[i] = c.U32LE();
    }
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    if (planes != 1)
        Invalid();
    CheckDibHeader(h);
    return h;
}

// The size, and a bit count the compression allows.
void CheckDibHeader(const DibHeader& h)
{
    if (h.width <= 0 || h.height <= 0)
        Invalid();
    switch (h.compression) {
    case kRgb:
        if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24
            && h.bitCount != 32)
            Invalid();
        break;
    case kRle8:
        if (h.bitCount != 8)
            Invalid();
        break;
    case kRle4:
        if (h.bitCount != 4)
            Invalid();
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (h.bitCount != 16 && h.bitCount != 32)
            Invalid();
        break;
    default: Invalid();
    }
    CheckImageSize(h.width, h.height);
}

// Masks that follow a 40-byte header instead of sitting inside it.
void ReadTrailingMasks(Stream& stream, DibHeader& h)
{
    if ((h.compression == kBitFields || h.compression == kAlphaBitFields) && h.headerSize == 40) {
        int count = h.compression == kAlphaBitFields ? 4 : 3;
        uint8_t bytes[16];
        if (stream.Read(bytes, size_t(count) * 4) != size_t(count) * 4)
            Invalid();
        ByteCursor c({bytes, size_t(count) * 4}, kInvalid);
        for (int i = 0; i < count; ++i)
            h.masks[i] = c.U32LE();
    }
    if (h.compression == kRgb && h.bitCount == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F, h.masks[3] = 0;
    }
}

// The colour table; `room` is the number of bytes before the pixels when the
// file says where they start (writers that leave the table short are common).
Palette ReadPalette(Stream& stream, const DibHeader& h, int64_t room)
{
    if (h.bitCount > 8)
        return {};
    uint32_t capacity = 1u << h.bitCount;
    uint32_t count = h.colorsUsed == 0 || h.colorsUsed > capacity ? capacity : h.colorsUsed;
    size_t entrySize = h.core ? 3 : 4;
    if (room >= 0)
        count = uint32_t(std::min<int64_t>(count, room / int64_t(entrySize)));
    std::vector<uint8_t> bytes(count * entrySize);
    if (stream.Read(bytes.data(), bytes.size()) != bytes.size())
        Invalid();
    Palette p(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = &bytes[i * entrySize];
        p[i] = {e[2], e[1], e[0], 0};
    }
    return p;
}

struct MaskShift {
    uint32_t mask = 0;
    int shift = 0, bits = 0;
    explicit MaskShift(uint32_t m)
        : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::popcount(m >> shift);
        }
    }
    // The channel scaled to 0..255.
    uint8_t Extract(uint32_t v) const
    {
        if (!bits)
            return 0;
        uint32_t c = (v & mask) >> shift;
        uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        return uint8_t((uint64_t(c) * 255 + max / 2) / max);
    }
};

// The format a file's pixels land in: its own where the rows match ours,
// otherwise Rgb32 (bit fields that are neither 5-5-5, 5-6-5 nor 8-8-8).
PixelFormat TargetFormat(const DibHeader& h, bool& directRows)
{
    directRows = h.compression == kRgb || h.compression == kBitFields || h.compression == kAlphaBitFields;
    switch (h.bitCount) {
    case 1: return PixelFormat::Indexed1;
    case 4: return PixelFormat::Indexed4;
    case 8: return PixelFormat::Indexed8;
    case 16:
        if (h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F)
            return PixelFormat::Rgb15;
        if (h.masks[0] == 0xF800 && h.masks[1] == 0x07E0 && h.masks[2] == 0x001F)
            return PixelFormat::Rgb16;
        directRows = false;
        return PixelFormat::Rgb32;
    case 24: return PixelFormat::Rgb24;
    default:
        if (h.compression == kRgb
            || (h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF
                && (h.masks[3] == 0 || h.masks[3] == 0xFF000000u)))
            return PixelFormat::Rgb32;
        directRows = false;
        return PixelFormat::Rgb32;
    }
}

void ConvertMaskedRow(const uint8_t* s, uint8_t* d, int width, const DibHeader& h)
{
    MaskShift r(h.masks[0]), g(h.masks[1]), b(h.masks[2]), a(h.masks[3]);
    for (int x = 0; x < width; ++x, d += 4) {
        uint32_t v;
        if (h.bitCount == 16) {
            v = LoadU16LE(s);
            s += 2;
        } else {
            v = LoadU32LE(s);
            s += 4;
        }
        d[0] = b.Extract(v), d[1] = g.Extract(v), d[2] = r.Extract(v), d[3] = h.masks[3] ? a.Extract(v) : 255;
    }
}

// Run-length data of 8 or 4 bits into an Indexed8 or Indexed4 bitmap; rows
// count from the bottom unless the header says top-down. Runs past the row's
// end and deltas past the picture are cut; the data ends at end-of-bitmap or
// when the packed bytes are used up.
void DecodeRle(std::span<const uint8_t> packed, Bitmap& bitmap, bool four, bool topDown)
{
    const int width = bitmap.Width(), height = bitmap.Height();
    PixelFormat format = bitmap.GetPixelFormat();
    size_t i = 0;
    int x = 0, y = 0;
    auto put = [&](int index) {
        if (x < width && y < height)
            SetIndexAt(bitmap.ScanLine(topDown ? y : height - 1 - y), format, x, index);
        ++x;
    };
    while (i + 1 < packed.size() && y < height) {
        int count = packed[i], value = packed[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < width; ++k)
                put(four ? (k & 1 ? value & 15 : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (i + 1 >= packed.size())
                break;
            x += packed[i];
            y += packed[i + 1];
            i += 2;
        } else { // absolute run of `value` pixels, padded to a word
            size_t bytes = four ? (size_t(value) + 1) / 2 : size_t(value);
            size_t available = std::min(bytes, packed.size() - i);
            for (int k = 0; k < value; ++k) {
                size_t at = four ? size_t(k) / 2 : size_t(k);
                if (at >= available)
                    break;
                uint8_t b = packed[i + at];
                put(four ? (k & 1 ? b & 15 : b >> 4) : b);
            }
            i += (bytes + 1) & ~size_t(1);
        }
    }
}

// The file header's offset of the pixel data from its start; 0 when the file
// leaves it unset or has no file header (a bare device-independent bitmap,
// whose info header comes first).
uint32_t ReadFileHeader(Stream& stream)
{
    const int64_t start = stream.Position();
    uint8_t fileHeader[14];
    if (stream.Read(fileHeader, 2) != 2 || fileHeader[0] != 'B' || fileHeader[1] != 'M') {
        stream.SetPosition(start);
        return 0;
    }
    if (stream.Read(fileHeader + 2, 12) != 12)
        Invalid();
    return LoadU32LE(fileHeader + 10);
}

// Rows stored bottom row first go straight to their places in one pass.
void ReadRowsBottomUp(Stream& stream, Bitmap& bitmap, size_t rowBytes)
{
    std::vector<uint8_t*> rows(size_t(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y)
        rows[size_t(y)] = bitmap.ScanLine(bitmap.Height() - 1 - y);
    stream.ReadPieces(rows.data(), rows.size(), rowBytes);
}

} // namespace

void Bitmap::LoadFromStream(Stream& stream)
{
    const int64_t start = stream.Position();
    const uint32_t offBits = ReadFileHeader(stream);
    DibHeader h = ReadDibHeader(stream);
    ReadTrailingMasks(stream, h);
    int64_t room = offBits != 0 ? std::max<int64_t>(0, int64_t(offBits) - (stream.Position() - start)) : -1;
    Palette palette = ReadPalette(stream, h, room);
    if (offBits != 0) {
        if (offBits < stream.Position() - start || offBits > stream.Size() - start)
            Invalid();
        stream.SetPosition(start + offBits);
    }

    bool directRows;
    PixelFormat format = TargetFormat(h, directRows);
    const int width = int(h.width), height = int(h.height);
    const size_t fileRow = size_t(RowBytes(width, h.bitCount));
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    int64_t available = stream.Remaining();
    if (!rle && int64_t(fileRow) * height > available)
        Invalid();
    // A run sets at most 255 pixels with two bytes; skips and ends set none.
    constexpr int64_t kMostPixelsPerRleByte = 128;
    if (rle && (available < 2 || !DataCanFill(int64_t(width) * height, available * kMostPixelsPerRleByte)))
        Invalid();

    Allocate(format, width, height);
    if (IsIndexed(format))
        palette_ = palette.empty() ? DefaultPalette(format) : std::move(palette);

    if (rle) {
        size_t packedSize = h.imageSize && h.imageSize <= available ? h.imageSize : size_t(available);
        std::vector<uint8_t> packed(packedSize);
        stream.ReadBuffer(packed.data(), packed.size());
        std::memset(pixels_.get(), 0, blockSize_);
        DecodeRle(packed, *this, h.compression == kRle4, h.topDown);
        return;
    }
    if (directRows) {
        if (h.topDown)
            stream.ReadBuffer(pixels_.get(), blockSize_);
        else
            ReadRowsBottomUp(stream, *this, fileRow);
        return;
    }
    std::vector<uint8_t> row(fileRow);
    for (int k = 0; k < height; ++k) {
        stream.ReadBuffer(row.data(), fileRow);
        ConvertMaskedRow(row.data(), ScanLine(h.topDown ? k : height - 1 - k), width, h);
    }
}

namespace {

void PutU16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void PutU32(std::vector<uint8_t>& b, uint32_t v)
{
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}

} // namespace

void Bitmap::SaveToStream(Stream& stream) const
{
    SaveBitmapToStream(stream);
}

void Bitmap::SaveBitmapToFile(const std::string& path) const
{
    FileStream stream(path, FileStream::Mode::Create);
    SaveBitmapToStream(stream);
    stream.Close();
}

void Bitmap::SaveBitmapToStream(Stream& stream) const
{
    if (IsEmpty())
        return;
    PixelFormat format = StorageFormat(format_);
    int bits = BitsPerPixel(format);
    bool fields = format == PixelFormat::Rgb16;
    uint32_t colors = IsIndexed(format) ? uint32_t(palette_.size()) : 0;
    uint32_t headerBytes = 14 + 40 + (fields ? 12 : 0) + colors * 4;
    uint32_t imageBytes = uint32_t(stride_) * uint32_t(height_);

    std::vector<uint8_t> h;
    h.reserve(headerBytes);
    h.push_back('B');
    h.push_back('M');
    PutU32(h, headerBytes + imageBytes);
    PutU32(h, 0);
    PutU32(h, headerBytes);
    PutU32(h, 40);
    PutU32(h, uint32_t(width_));
    PutU32(h, uint32_t(height_));
    PutU16(h, 1);
    PutU16(h, uint32_t(bits));
    PutU32(h, fields ? kBitFields : kRgb);
    PutU32(h, imageBytes);
    PutU32(h, 0);
    PutU32(h, 0);
    PutU32(h, colors);
    PutU32(h, 0);
    if (fields) {
        PutU32(h, 0xF800);
        PutU32(h, 0x07E0);
        PutU32(h, 0x001F);
    }
    for (const PaletteEntry& e : palette_)
        if (IsIndexed(format)) {
            h.push_back(e.blue);
            h.push_back(e.green);
            h.push_back(e.red);
            h.push_back(0);
        }
    stream.WriteBuffer(h.data(), h.size());
    for (int y = height_ - 1; y >= 0; --y)
        stream.WriteBuffer(ScanLine(y), size_t(stride_));
}

} // namespace pelmora
