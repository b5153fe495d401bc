// Failures: "Targa: invalid image" for a header this reader cannot decode (an
// image type other than 1, 2, 3, 9, 10, 11 or a pixel size other than 8, 15,
// 16, 24, 32 bits) and for pixel data too short to fill the picture even when
// packed as tightly as the encoding allows; "Targa: could not write image
// data" when the stream stores fewer bytes than given. A run-length row cut
// short by the end of the file is black beyond it.
#include "TargaGraphic.h"

#include "formats/ByteCursor.h"
#include "formats/Confirmation.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/StreamWindow.h"
#include "formats/codecs/TargaPackets.h"
#include "formats/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace pelmora {

namespace {

const char* const kInvalidImage = "Targa: invalid image";
const char* const kWriteFailed = "Targa: could not write image data";
const char* const kConvertQuestion = "Targa image: 1 or 4 bit color depth not allowed. Convert to 256 colors?";

constexpr int kHeaderSize = 18;
constexpr uint8_t kTopRowFirst = 0x20;
constexpr size_t kWindowBytes = 256 * 1024;

struct TargaHeader {
    int idLength = 0;
    int colorMapType = 0;
    int imageType = 0;
    int colorMapLength = 0;
    int colorMapEntryBits = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int descriptor = 0;

    bool IsGrey() const { return imageType == 3 || imageType == 11; }
    bool IsRunLength() const { return imageType >= 9 && imageType <= 11; }
    bool HasPixels() const { return (imageType >= 1 && imageType <= 3) || IsRunLength(); }
    int BytesPerPixel() const { return (bitsPerPixel + 7) / 8; }
    // Colour map entries of 24 and 32 bits are bytes; anything else is a 5-5-5 word.
    int ColorMapEntryBytes() const { return colorMapEntryBits == 24 ? 3 : colorMapEntryBits == 32 ? 4 : 2; }
};

// A header cut short reads as zeros from where it ends.
TargaHeader ReadHeader(Stream& stream)
{
    uint8_t bytes[kHeaderSize] = {};
    stream.Read(bytes, sizeof bytes);
    ByteCursor c(bytes);
    TargaHeader h;
    h.idLength = c.U8();
    h.colorMapType = c.U8();
    h.imageType = c.U8();
    c.Skip(2); // first colour map index
    h.colorMapLength = c.U16LE();
    h.colorMapEntryBits = c.U8();
    c.Skip(4); // origin
    h.width = c.U16LE();
    h.height = c.U16LE();
    h.bitsPerPixel = c.U8();
    h.descriptor = c.U8();
    return h;
}

std::optional<PixelFormat> FormatFor(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 8: return PixelFormat::Indexed8;
    case 15:
    case 16: return PixelFormat::Rgb15;
    case 24: return PixelFormat::Rgb24;
    case 32: return PixelFormat::Rgb32;
    default: return std::nullopt;
    }
}

// Reads the whole colour map and keeps its first 256 entries.
Palette ReadColorMap(Stream& stream, const TargaHeader& h)
{
    const int entryBytes = h.ColorMapEntryBytes();
    std::vector<uint8_t> map(size_t(h.colorMapLength) * size_t(entryBytes));
    stream.Read(map.data(), map.size());
    Palette palette(size_t(std::min(h.colorMapLength, 256)));
    for (size_t i = 0; i < palette.size(); ++i) {
        const uint8_t* p = &map[i * size_t(entryBytes)];
        if (entryBytes >= 3) {
            palette[i] = { p[2], p[1], p[0], 0 };
        } else {
            unsigned v = LoadU16LE(p);
            palette[i] = { uint8_t((v >> 10 & 31) * 8), uint8_t((v >> 5 & 31) * 8), uint8_t((v & 31) * 8), 0 };
        }
    }
    return palette;
}

// The fewest bytes that can fill every row: run packets of 128 pixels, none crossing a row.
int64_t LeastPixelBytes(const TargaHeader& h)
{
    int64_t rowBytes = int64_t(h.width) * h.BytesPerPixel();
    if (!h.IsRunLength())
        return rowBytes * h.height;
    return int64_t(h.height) * ((h.width + 127) / 128) * (1 + h.BytesPerPixel());
}

void Put(Stream& stream, const void* bytes, size_t count)
{
    if (count && stream.Write(bytes, count) != count)
        throw Exception(kWriteFailed);
}

// The picture as it goes into the file: the bitmap itself, an 8-bit copy of a
// 1- or 4-bit one (if the user agrees), or a 5-5-5 copy of a 5-6-5 one, whose
// words Targa cannot hold; nullptr when nothing is to be written.
const Bitmap* ImageToWrite(const Bitmap& image, Bitmap& copy)
{
    if (image.IsEmpty())
        return nullptr;
    PixelFormat format = image.GetPixelFormat();
    PixelFormat target = format;
    if (format == PixelFormat::Indexed1 || format == PixelFormat::Indexed4) {
        if (!Confirm(kConvertQuestion))
            return nullptr;
        target = PixelFormat::Indexed8;
    } else if (format == PixelFormat::Rgb16) {
        target = PixelFormat::Rgb15;
    }
    if (target == format)
        return &image;
    copy.Assign(image);
    copy.SetPixelFormat(target);
    return &copy;
}

void WriteTarga(const Bitmap& image, const std::string& identification, Stream& stream)
{
    // Device and Custom pictures are stored with the display's 24 bits.
    const int bytesPerPixel = BitsPerPixel(StorageFormat(image.GetPixelFormat())) / 8;
    const bool mapped = bytesPerPixel == 1;
    const size_t idLength = std::min<size_t>(identification.size(), 255);
    const int width = image.Width(), height = image.Height();

    std::vector<uint8_t> head;
    auto u8 = [&](unsigned v) { head.push_back(uint8_t(v)); };
    auto u16 = [&](unsigned v) { u8(v), u8(v >> 8); };
    u8(unsigned(idLength));
    u8(mapped ? 1 : 0);
    u8(mapped ? 9 : 10);
    u16(0); // first colour map index
    u16(256); // colour map length
    u8(24); // colour map entry bits
    u16(0), u16(0); // origin
    u16(unsigned(width)), u16(unsigned(height));
    u8(unsigned(8 * bytesPerPixel));
    u8(kTopRowFirst);
    head.insert(head.end(), identification.begin(), identification.begin() + ptrdiff_t(idLength));
    if (mapped) {
        for (int i = 0; i < 256; ++i) {
            PaletteEntry e = image.PaletteColor(i);
            head.insert(head.end(), { e.blue, e.green, e.red });
        }
    }
    Put(stream, head.data(), head.size());

    std::vector<uint8_t> packed(size_t(width) * size_t(bytesPerPixel + 1));
    for (int y = 0; y < height; ++y) {
        size_t n = EncodeTargaRow(image.ScanLine(y), packed.data(), width, bytesPerPixel);
        Put(stream, packed.data(), n);
    }
}

} // namespace

void TTargaGraphic::Assign(const Graphic& source)
{
    RegisteredGraphic::Assign(source);
    if (!source.Is(StaticClass()))
        identification_.clear();
}

void TTargaGraphic::CopyFrom(const TTargaGraphic& other)
{
    Bitmap::CopyFrom(other);
    identification_ = other.identification_;
}

void TTargaGraphic::LoadFromStream(Stream& stream)
{
    const TargaHeader h = ReadHeader(stream);
    identification_.assign(size_t(h.idLength), '\0');
    identification_.resize(stream.Read(identification_.data(), identification_.size()));

    std::optional<PixelFormat> format = FormatFor(h.bitsPerPixel);
    if (!h.HasPixels() || !format)
        throw Exception(kInvalidImage);

    std::optional<Palette> palette;
    if (h.IsGrey()) {
        // A colour map in a grey file says nothing about the grey levels; only its bytes are passed.
        if (h.colorMapType == 1)
            stream.Seek(int64_t(h.colorMapLength) * h.ColorMapEntryBytes());
        palette = GreyRamp(256);
    } else if (h.colorMapType == 1) {
        palette = ReadColorMap(stream, h);
    }

    CheckImageSize(h.width, h.height);
    if (LeastPixelBytes(h) > stream.Remaining())
        throw Exception(kInvalidImage);
    // Every row is written below (a run-length row cut short is cleared first),
    // so a reused block need not be cleared.
    Allocate(*format, h.width, h.height, PixelFill::Overwritten);
    if (palette && IsIndexed(*format))
        SetPalette(std::move(*palette));
    if (IsEmpty())
        return;

    const size_t rowBytes = size_t(h.width) * size_t(h.BytesPerPixel());
    const bool topFirst = h.descriptor & kTopRowFirst;
    // A run-length row takes at most twice its bytes; the stream ends up just past the packets used.
    const size_t most = h.IsRunLength() ? 2 * rowBytes : rowBytes;
    StreamWindow window(stream, std::max<size_t>(most, kWindowBytes));
    int64_t at = stream.Position();
    for (int k = 0; k < h.height; ++k) {
        uint8_t* row = ScanLine(topFirst ? k : h.height - 1 - k);
        std::span<const uint8_t> bytes = window.At(at, most);
        if (h.IsRunLength()) {
            // Packets of at most twice a row's bytes always fill it; fewer, at
            // the end of the file, may not, and what they leave reads as black.
            if (bytes.size() < most)
                std::memset(row, 0, rowBytes);
            at += int64_t(DecodeTargaRow(bytes.data(), bytes.size(), row, rowBytes, h.bitsPerPixel));
            continue;
        }
        if (bytes.size() < rowBytes) {
            Release();
            throw Exception(kInvalidImage);
        }
        std::memcpy(row, bytes.data(), rowBytes);
        at += int64_t(rowBytes);
    }
    stream.SetPosition(at);
}

void TTargaGraphic::SaveToStream(Stream& stream) const
{
    Bitmap copy;
    if (const Bitmap* image = ImageToWrite(*this, copy))
        WriteTarga(*image, identification_, stream);
}

void TTargaGraphic::SaveToFile(const std::string& path) const
{
    Bitmap copy;
    const Bitmap* image = ImageToWrite(*this, copy);
    if (!image)
        return;
    FileStream stream(path, FileStream::Mode::Create);
    WriteTarga(*image, identification_, stream);
    stream.Close();
}

} // namespace pelmora
