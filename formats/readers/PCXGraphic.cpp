// Failures: "Not a PCX or SCR file." for a maker byte other than 10 or 205;
// "PCX: wrong pixel format" for bits and planes other than 1x1, 1x4, 8x1,
// 8x3; "PCX: invalid image" for lines too short for the width and for data
// too short to fill the picture even when packed as tightly as the encoding
// allows. Lines the data does not reach keep what they had.
#include "PCXGraphic.h"

#include "formats/ByteCursor.h"
#include "formats/ColorConverters.h"
#include "formats/Confirmation.h"
#include "formats/Exception.h"
#include "formats/HugePages.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/codecs/RunLength.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace pelmora {

namespace {

const char* const kNotPcx = "Not a PCX or SCR file.";
const char* const kWrongPixelFormat = "PCX: wrong pixel format";
const char* const kInvalidImage = "PCX: invalid image";

constexpr int kHeaderSize = 128;
constexpr int kPaletteTrailer = 769; // the marker 12 and 256 red-green-blue triples

struct PcxHeader {
    int maker = 0;
    int version = 0;
    int encoding = 0;
    int bitsPerPixel = 0;
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    uint8_t colors16[48] = {};
    int planes = 0;
    int bytesPerLine = 0;
    int paletteInfo = 0;

    int Width() const { return xMax - xMin + 1; }
    int Height() const { return yMax - yMin + 1; }
    bool Greyscale() const { return paletteInfo == 2; }
    int64_t LineSize() const { return int64_t(planes) * bytesPerLine; }
};

PcxHeader ParseHeader(const uint8_t (&bytes)[kHeaderSize])
{
    ByteCursor c(bytes);
    PcxHeader h;
    h.maker = c.U8();
    h.version = c.U8();
    h.encoding = c.U8();
    h.bitsPerPixel = c.U8();
    h.xMin = c.U16LE();
    h.yMin = c.U16LE();
    h.xMax = c.U16LE();
    h.yMax = c.U16LE();
    c.Skip(4); // resolution
    c.Copy(h.colors16, sizeof h.colors16);
    c.Skip(1);
    h.planes = c.U8();
    h.bytesPerLine = c.U16LE();
    h.paletteInfo = c.U16LE();
    return h;
}

std::optional<PixelFormat> FormatFor(const PcxHeader& h)
{
    if (h.bitsPerPixel == 1 && h.planes == 1)
        return PixelFormat::Indexed1;
    if (h.bitsPerPixel == 1 && h.planes == 4)
        return PixelFormat::Indexed4;
    if (h.bitsPerPixel == 8 && h.planes == 1)
        return PixelFormat::Indexed8;
    if (h.bitsPerPixel == 8 && h.planes == 3)
        return PixelFormat::Rgb24;
    return std::nullopt;
}

Palette RgbTriples(const uint8_t* rgb, size_t count)
{
    Palette p(count);
    for (size_t i = 0; i < count; ++i)
        p[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 0};
    return p;
}

// The 256 colours at the end of the file after the marker 12; otherwise a
// grey ramp (after a beep unless the header asks for grey).
Palette ReadTrailerPalette(Stream& stream, const PcxHeader& h)
{
    const int64_t here = stream.Position();
    uint8_t marker = 0;
    if (stream.Size() >= kPaletteTrailer) {
        stream.SetPosition(stream.Size() - kPaletteTrailer);
        stream.Read(&marker, 1);
    }
    Palette palette;
    if (marker == 12) {
        uint8_t rgb[768];
        stream.ReadBuffer(rgb, sizeof rgb);
        palette = RgbTriples(rgb, 256);
    } else {
        if (!h.Greyscale())
            Beep();
        palette = GreyRamp(256);
    }
    stream.SetPosition(here);
    return palette;
}

Palette PaletteFor(Stream& stream, const PcxHeader& h, PixelFormat format)
{
    if (format == PixelFormat::Indexed1)
        return DefaultPalette(PixelFormat::Indexed1);
    if (h.version == 3) // no palette in the file: the standard display colours
        return DefaultPalette(PixelFormat::Indexed4);
    if (format == PixelFormat::Indexed4) {
        if (!h.Greyscale())
            return RgbTriples(h.colors16, 16);
        Palette grey(16);
        for (int i = 0; i < 16; ++i)
            grey[size_t(i)] = {uint8_t(i * 16), uint8_t(i * 16), uint8_t(i * 16), 0};
        return grey;
    }
    return ReadTrailerPalette(stream, h);
}

// Bytes of one plane that hold `width` pixels.
int64_t PlaneBytes(PixelFormat format, int width)
{
    return format == PixelFormat::Indexed1 || format == PixelFormat::Indexed4 ? (int64_t(width) + 7) / 8 : width;
}

// Each bit of a byte moved to the lowest bit of its pixel's nibble, laid out
// as the four bytes of an Indexed4 row: bit 7 (the first pixel) to the high
// nibble of the first byte.
const std::array<uint32_t, 256>& NibbleSpread()
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t {};
        for (int b = 0; b < 256; ++b) {
            uint8_t bytes[4] = {};
            for (int x = 0; x < 8; ++x)
                if (b >> (7 - x) & 1)
                    bytes[x / 2] |= uint8_t(x % 2 ? 0x01 : 0x10);
            std::memcpy(&t[size_t(b)], bytes, 4);
        }
        return t;
    }();
    return table;
}

// Four bit planes of `planeBytes` each, to 4-bit pixels: plane 3 gives the
// highest bit. Writes 4 bytes for each plane byte.
void CombinePlanes(const uint8_t* line, int64_t planeBytes, int groups, uint8_t* row)
{
    const auto& spread = NibbleSpread();
    for (int i = 0; i < groups; ++i) {
        uint32_t v = spread[line[i]] | spread[line[i + planeBytes]] << 1 | spread[line[i + 2 * planeBytes]] << 2
            | spread[line[i + 3 * planeBytes]] << 3;
        std::memcpy(row + 4 * i, &v, 4);
    }
}

// Zeroes the bits of a row from pixel `width` to the row's end.
void ClearPastWidth(uint8_t* row, int bitsPerPixel, int width, ptrdiff_t rowBytes)
{
    int64_t bits = int64_t(width) * bitsPerPixel;
    int64_t full = bits / 8;
    if (bits % 8)
        row[full++] &= uint8_t(0xFF << (8 - bits % 8));
    std::memset(row + full, 0, size_t(rowBytes - full));
}

// The pixel format of the header's bits and planes, once it is a PCX file at all.
PixelFormat CheckFormat(const PcxHeader& h)
{
    if (h.maker != 10 && h.maker != 205)
        throw Exception(kNotPcx);
    const std::optional<PixelFormat> format = FormatFor(h);
    if (!format)
        throw Exception(kWrongPixelFormat);
    return *format;
}

// The bytes of packed or plain lines after the header (an 8-bit picture's
// palette trailer not among them), checked to hold lines of the width and
// enough data to fill the picture.
int64_t CheckDataSize(const PcxHeader& h, PixelFormat format, int64_t afterHeader)
{
    const int64_t dataSize
        = format == PixelFormat::Indexed8 ? std::max<int64_t>(0, afterHeader - kPaletteTrailer) : afterHeader;
    const int width = h.Width(), height = h.Height();
    CheckImageSize(width, height);
    const int64_t pictureBytes = h.LineSize() * height;
    const int64_t leastData = h.encoding == 1 ? (pictureBytes + 62) / 63 * 2 : pictureBytes;
    if (PlaneBytes(format, width) > h.bytesPerLine || leastData > dataSize)
        throw Exception(kInvalidImage);
    return dataSize;
}

// One line of the file (its planes one after the other) into row `row`.
void ConvertLine(const PcxHeader& h, PixelFormat format, int width, const uint8_t* line, uint8_t* row)
{
    const int64_t planeBytes = h.bytesPerLine;
    switch (format) {
    case PixelFormat::Indexed1: std::memcpy(row, line, size_t(PlaneBytes(format, width))); break;
    case PixelFormat::Indexed4: CombinePlanes(line, planeBytes, int(PlaneBytes(format, width)), row); break;
    case PixelFormat::Indexed8: std::memcpy(row, line, size_t(width)); break;
    default: {
        const void* planes[3] = {line, line + planeBytes, line + 2 * planeBytes};
        RGBToBGRPlanar(planes, row, 8, size_t(width) * 3);
        break;
    }
    }
}

// Reads `dataSize` bytes of lines into the rows of `target`. Lines the data
// does not reach keep what they had.
void ReadLines(Stream& stream, const PcxHeader& h, int64_t dataSize, Bitmap& target)
{
    auto data = std::make_unique_for_overwrite<uint8_t[]>(size_t(dataSize));
    AdviseHugePages(data.get(), size_t(dataSize));
    stream.ReadBuffer(data.get(), size_t(dataSize));
    // Packed lines are unpacked one at a time into a buffer the cache keeps,
    // and each is turned into its row straight away.
    PcxCursor packed(data.get(), size_t(dataSize));
    const int64_t lineSize = h.LineSize();
    std::vector<uint8_t> unpacked(h.encoding == 1 ? size_t(lineSize) : 0);
    const PixelFormat format = target.GetPixelFormat();
    const int width = target.Width(), height = target.Height();
    const int bits = BitsPerPixel(format);
    const ptrdiff_t stride = target.BytesPerLine();
    for (int y = 0; y < height; ++y) {
        const uint8_t* line;
        if (h.encoding == 1) {
            size_t got = packed.Decode(unpacked.data(), unpacked.size());
            // The line the data ends in shows what it reached, the rest black.
            if (got == 0)
                break;
            std::memset(unpacked.data() + got, 0, unpacked.size() - got);
            line = unpacked.data();
        } else {
            if ((y + 1) * lineSize > dataSize)
                break;
            line = data.get() + y * lineSize;
        }
        uint8_t* row = target.ScanLine(y);
        ConvertLine(h, format, width, line, row);
        ClearPastWidth(row, bits, width, stride);
    }
}

} // namespace

void TPCXGraphic::SaveToStream(Stream&) const
{
    throw EInvalidOperation("PCX images cannot be saved");
}

void TPCXGraphic::SaveToFile(const std::string&) const
{
    throw EInvalidOperation("PCX images cannot be saved");
}

void TPCXGraphic::LoadFromStream(Stream& stream)
{
    Release();
    uint8_t bytes[kHeaderSize] = {};
    stream.Read(bytes, sizeof bytes);
    const int64_t afterHeader = stream.Remaining();
    const PcxHeader h = ParseHeader(bytes);
    const PixelFormat format = CheckFormat(h);
    std::optional<Palette> palette;
    if (format != PixelFormat::Rgb24)
        palette = PaletteFor(stream, h, format);
    const int64_t dataSize = CheckDataSize(h, format, afterHeader);

    Allocate(format, h.Width(), h.Height());
    if (palette)
        SetPalette(std::move(*palette));
    if (!IsEmpty())
        ReadLines(stream, h, dataSize, *this);
}

} // namespace pelmora
