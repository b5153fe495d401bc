#include "TIFFGraphic.h"

#include "TIFFDirectory.h"
#include "TIFFRows.h"
#include "TIFFStrips.h"
#include "formats/ColorProfile.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>

namespace pelmora {

namespace {

enum Tag : uint16_t {
    ImageWidth = 256,
    ImageLength = 257,
    BitsPerSample = 258,
    Compression = 259,
    Photometric = 262,
    StripOffsets = 273,
    SamplesPerPixel = 277,
    RowsPerStrip = 278,
    StripByteCounts = 279,
    PlanarConfiguration = 284,
    Predictor = 317,
    ColorMap = 320,
    ExtraSamples = 338,
    YCbCrCoefficients = 529,
    YCbCrSubSampling = 530,
    ReferenceBlackWhite = 532,
    IccProfile = 34675,
};

enum Photometric : int {
    WhiteIsZero = 0,
    BlackIsZero = 1,
    RGB = 2,
    PaletteColour = 3,
    Separated = 5,
    YCbCr = 6,
    CIELab = 8
};

struct Plan {
    PixelFormat format = PixelFormat::Device;
    TIFFRowKind kind = TIFFRowKind::Copy;
};

// The pixel format and row conversion for the file's colour model.
Plan ChoosePlan(int colourSamples, int photometric, const TIFFSampleLayout& layout, bool chromaOk)
{
    const int bits = layout.bits;
    const bool eightOr16 = bits == 8 || bits == 16;
    const bool extra = layout.samples > colourSamples;
    if (colourSamples == 1) {
        switch (bits) {
        case 1: return {PixelFormat::Indexed1, TIFFRowKind::Copy};
        case 2: return {PixelFormat::Indexed4, TIFFRowKind::Expand2To4};
        case 4: return {PixelFormat::Indexed4, TIFFRowKind::Copy};
        case 8: return {PixelFormat::Indexed8, extra || layout.planar ? TIFFRowKind::Grey : TIFFRowKind::Copy};
        case 16: return {PixelFormat::Indexed8, TIFFRowKind::Grey};
        default: return {};
        }
    }
    if (colourSamples == 3 && photometric == RGB && eightOr16)
        return extra ? Plan {PixelFormat::Rgb32, TIFFRowKind::RGBA} : Plan {PixelFormat::Rgb24, TIFFRowKind::RGB};
    if (colourSamples == 3 && photometric == YCbCr && bits == 8 && chromaOk)
        return {PixelFormat::Rgb24, TIFFRowKind::YCbCr};
    if (colourSamples == 3 && photometric == CIELab && bits == 8)
        return {PixelFormat::Rgb24, TIFFRowKind::Lab};
    if (colourSamples == 4 && photometric == RGB && eightOr16)
        return {PixelFormat::Rgb32, TIFFRowKind::RGBA};
    if (colourSamples == 4 && photometric == Separated && eightOr16)
        return {PixelFormat::Rgb24, TIFFRowKind::CMYK};
    return {};
}

// Grey levels for index i of `count`, black first, spread over the whole range.
Palette GreyPalette(int count, bool whiteIsZero)
{
    Palette palette(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto v = uint8_t(i * 255 / (count - 1));
        palette[size_t(whiteIsZero ? count - 1 - i : i)] = {v, v, v, 0};
    }
    return palette;
}

// The palette of a one-sample image of 1, 2, 4 or 8 bits (16-bit grey uses 8).
Palette BuildPalette(const TIFFDirectory& directory, int photometric, int indexBits)
{
    const int count = 1 << indexBits;
    if (photometric == PaletteColour && directory.Has(ColorMap)) {
        std::vector<uint32_t> map = directory.List(ColorMap);
        if (map.size() >= size_t(count) * 3) {
            // Some writers store 8-bit levels in the 16-bit map: no value above 255 tells.
            bool eightBit = std::all_of(map.begin(), map.begin() + count * 3, [](uint32_t v) { return v < 256; });
            int shift = eightBit ? 0 : 8;
            Palette palette(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i)
                palette[size_t(i)] = {uint8_t(map[size_t(i)] >> shift), uint8_t(map[size_t(count + i)] >> shift),
                    uint8_t(map[size_t(2 * count + i)] >> shift), 0};
            return palette;
        }
    }
    return GreyPalette(count, photometric == WhiteIsZero);
}

// Rows read straight into the bitmap at once: few reads, and still in the
// cache when they are converted.
constexpr size_t kBandBytes = 256 * 1024;
// Decoded rows are converted while they are in the first-level cache.
constexpr size_t kDecodedPieceBytes = 32 * 1024;

// Buffers above this size are not kept for the next picture.
constexpr size_t kKeptBufferBytes = size_t(4) << 20;

} // namespace

const GraphicClass& TTIFFGraphic::StaticClass()
{
    static const GraphicClass c = DescribeGraphicClass<TTIFFGraphic>("TTIFFGraphic", Bitmap::StaticClass());
    return c;
}

TTIFFGraphic::TTIFFGraphic()
{
    SetPixelFormat(PixelFormat::Rgb24);
}

void TTIFFGraphic::LoadFromStream(Stream& stream)
{
    // No Release first: a bitmap that is read again keeps its block when the
    // size stays (Allocate), and a file that fails keeps the previous picture.
    const int64_t base = stream.Position();
    const TIFFDirectory directory(stream);

    const int64_t width = directory.Single(ImageWidth, 0), height = directory.Single(ImageLength, 0);
    const int photometric = int(directory.Single(Photometric, 0) & 0xFF);
    const int samples = int(directory.Single(SamplesPerPixel, 1) & 0xFF);
    std::vector<uint32_t> bitsList = directory.List(BitsPerSample);
    const uint32_t bits = bitsList.empty() ? 1 : bitsList[0];
    if (width == 0 || height == 0 || samples == 0 || bits == 0 || bits > 255 || bits * uint32_t(samples) > 255)
        throw Exception("Invalid TIFF file.");
    CheckImageSize(width, height);

    TIFFSampleLayout layout;
    layout.width = int(width);
    layout.bits = int(bits);
    layout.samples = samples;
    layout.planar = samples > 1 && directory.Single(PlanarConfiguration, 1) == 2;
    layout.swap16 = bits == 16 && directory.BigEndian() != (std::endian::native == std::endian::big);

    const int colourSamples = samples - int(std::min<uint32_t>(directory.Count(ExtraSamples, 0), 255));
    TIFFYCbCr ycbcr;
    bool chromaOk = true;
    if (photometric == YCbCr && colourSamples == 3) {
        std::vector<uint32_t> subsampling = directory.List(YCbCrSubSampling);
        int sx = subsampling.size() >= 2 ? int(subsampling[0]) : 2;
        int sy = subsampling.size() >= 2 ? int(subsampling[1]) : 2;
        auto valid = [](int s) { return s == 1 || s == 2 || s == 4; };
        // Chroma blocks hold the three samples only: files with one plane a
        // sample or with extra samples are read only without subsampling.
        chromaOk = valid(sx) && valid(sy) && (sx * sy == 1 || (!layout.planar && samples == 3));
        if (chromaOk && !layout.planar) {
            layout.subsampleX = sx;
            layout.subsampleY = sy;
        }
        std::vector<double> luma = directory.Rationals(YCbCrCoefficients);
        if (luma.size() == 3)
            std::copy(luma.begin(), luma.end(), ycbcr.luma);
        std::vector<double> reference = directory.Rationals(ReferenceBlackWhite);
        if (reference.size() == 6)
            std::copy(reference.begin(), reference.end(), ycbcr.reference);
    }
    const Plan plan = ChoosePlan(colourSamples, photometric, layout, chromaOk);
    layout.predictor = directory.Single(Predictor, 1) == 2 && (bits == 8 || bits == 16)
        && layout.subsampleX * layout.subsampleY == 1;

    const uint32_t compression = directory.Single(Compression, TIFFStripReader::kNone);
    const size_t unitBytes = layout.UnitBytes();
    const int planes = layout.planar ? samples : 1;
    // However the load ends, large strip buffers are not kept.
    struct TrimBuffers {
        std::vector<std::vector<uint8_t>>& buffers;
        ~TrimBuffers()
        {
            for (auto& b : buffers)
                if (b.size() > kKeptBufferBytes)
                    std::vector<uint8_t>().swap(b);
        }
    } trim {stripBuffers_};
    TIFFStripReader strips(stream, base, directory.List(StripOffsets), directory.List(StripByteCounts), compression,
        unitBytes, planes, stripBuffers_);

    const int64_t storedBytes = int64_t(unitBytes) * planes * ((int64_t(height) + layout.UnitRows() - 1) / layout.UnitRows());
    if (!DataCanFill(storedBytes, strips.MostBytes()))
        throw EReadError();

    Palette palette;
    if (IsIndexed(plan.format))
        palette = BuildPalette(directory, photometric, std::min<int>(int(bits), 8));
    Allocate(plan.format, int(width), int(height));
    if (!palette.empty())
        SetPalette(std::move(palette));

    // Strips hold RowsPerStrip rows each (all rows when the tag is missing or
    // there is one strip); planar files have the strips of each plane in turn.
    std::vector<uint32_t> rowsPerStrip = directory.List(RowsPerStrip);
    const size_t stripsPerPlane = std::max<size_t>(1, strips.StripCount() / size_t(planes));
    if (stripsPerPlane == 1)
        rowsPerStrip.clear();
    const int unitRows = layout.UnitRows();
    TIFFRowWriter writer(plan.kind, layout, ycbcr);
    // Where a stored row is a bitmap row converted in place, the strips go
    // straight into the rows: no strip buffer and no second pass through
    // memory. LZW keeps its buffer, so that a strip that fails half-way
    // leaves its rows as they were.
    const bool direct = planes == 1 && unitRows == 1 && !strips.MayFail() && writer.ConvertsInPlace()
        && size_t(BytesPerLine()) == unitBytes && ScanLine(int(height) - 1) == ScanLine(0) + (height - 1) * unitBytes;
    // Strips go through in pieces that stay in the cache until converted
    // where they can; LZW strips are decoded whole.
    const size_t pieceBytes = strips.Compressed() ? kDecodedPieceBytes : direct ? kBandBytes : size_t(1) << 20;
    const size_t piece = strips.ReadsInPieces(planes) ? std::max<size_t>(1, pieceBytes / unitBytes) : SIZE_MAX;

    const bool lendable = planes == 1 && !strips.Compressed() && !writer.ChangesSamples();
    std::vector<uint8_t*> unit(static_cast<size_t>(planes));
    int row = 0;
    for (size_t k = 0; k < stripsPerPlane && row < height; ++k) {
        int64_t rows = rowsPerStrip.empty() ? height : rowsPerStrip[std::min(k, rowsPerStrip.size() - 1)];
        rows = std::min<int64_t>(rows, height - row);
        const size_t units = size_t((rows + unitRows - 1) / unitRows);
        for (size_t done = 0; done < units;) {
            size_t wanted = std::min(units - done, piece), got = wanted;
            const std::span<const uint8_t> lent
                = lendable ? strips.Lend(k, done, units - done) : std::span<const uint8_t>();
            if (!lent.empty()) {
                // Bytes the stream lends are converted where they lie: nothing is copied first.
                wanted = units - done;
                got = lent.size() / unitBytes;
                for (size_t u = 0; u < got; ++u) {
                    const uint8_t* stored = lent.data() + u * unitBytes;
                    writer.Convert(&stored, *this, row + int((done + u) * size_t(unitRows)));
                }
            } else {
                uint8_t* rowsInPlace = direct ? ScanLine(row + int(done)) : nullptr;
                if (direct) {
                    got = strips.FillInto(rowsInPlace, k, done, wanted) / unitBytes;
                } else {
                    for (int p = 0; p < planes; ++p)
                        got = std::min(got, strips.Fill(p, size_t(p) * stripsPerPlane + k, done, wanted));
                }
                for (size_t u = 0; u < got; ++u) {
                    for (int p = 0; p < planes; ++p)
                        unit[size_t(p)] = direct ? rowsInPlace + u * unitBytes : strips.Data(p) + u * unitBytes;
                    writer.Write(unit.data(), *this, row + int((done + u) * size_t(unitRows)));
                }
            }
            if (got < wanted) {
                // A row the strip cuts short stays blank, as those it never reaches do.
                BlankRows(row + int((done + got) * size_t(unitRows)), row + int(rows));
                break;
            }
            done += wanted;
        }
        row += int(rows);
    }
    BlankRows(row, int(height));
    ConvertToSrgb(*this, directory.Bytes(IccProfile));
}

void TTIFFGraphic::BlankRows(int from, int to)
{
    // A reused block still holds the previous picture.
    for (int y = std::max(from, 0); y < std::min(to, Height()); ++y)
        std::memset(ScanLine(y), 0, size_t(BytesPerLine()));
}

} // namespace pelmora
