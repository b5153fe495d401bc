#include "TIFFGraphic.h"

#include "TIFFDirectory.h"
#include "TIFFFailures.h"
#include "TIFFRows.h"
#include "TIFFStrips.h"
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

// What the directory says of the picture, checked before anything is allocated.
struct TIFFHeader {
    int64_t width = 0, height = 0;
    int photometric = 0;
    int colourSamples = 1;
    uint32_t compression = TIFFStripReader::kNone;
    TIFFSampleLayout layout;
    TIFFYCbCr ycbcr;
    bool chromaOk = true;
    int Planes() const { return layout.planar ? layout.samples : 1; }
};

// Subsampling and the conversion of a YCbCr picture.
void ReadYCbCr(const TIFFDirectory& directory, TIFFHeader& h)
{
    std::vector<uint32_t> subsampling = directory.List(YCbCrSubSampling);
    int sx = subsampling.size() >= 2 ? int(subsampling[0]) : 2;
    int sy = subsampling.size() >= 2 ? int(subsampling[1]) : 2;
    auto valid = [](int s) { return s == 1 || s == 2 || s == 4; };
    // Chroma blocks hold the three samples only: files with one plane a
    // sample or with extra samples are read only without subsampling.
    h.chromaOk = valid(sx) && valid(sy) && (sx * sy == 1 || (!h.layout.planar && h.layout.samples == 3));
    if (h.chromaOk && !h.layout.planar) {
        h.layout.subsampleX = sx;
        h.layout.subsampleY = sy;
    }
    std::vector<double> luma = directory.Rationals(YCbCrCoefficients);
    if (luma.size() == 3)
        std::copy(luma.begin(), luma.end(), h.ycbcr.luma);
    std::vector<double> reference = directory.Rationals(ReferenceBlackWhite);
    if (reference.size() == 6)
        std::copy(reference.begin(), reference.end(), h.ycbcr.reference);
}

TIFFHeader ReadHeader(const TIFFDirectory& directory)
{
    TIFFHeader h;
    h.width = directory.Single(ImageWidth, 0);
    h.height = directory.Single(ImageLength, 0);
    h.photometric = int(directory.Single(Photometric, 0) & 0xFF);
    const int samples = int(directory.Single(SamplesPerPixel, 1) & 0xFF);
    std::vector<uint32_t> bitsList = directory.List(BitsPerSample);
    const uint32_t bits = bitsList.empty() ? 1 : bitsList[0];
    if (h.width == 0 || h.height == 0 || samples == 0 || bits == 0 || bits > 255 || bits * uint32_t(samples) > 255)
        throw Exception(kInvalidTIFF);
    CheckImageSize(h.width, h.height);

    h.layout.width = int(h.width);
    h.layout.bits = int(bits);
    h.layout.samples = samples;
    h.layout.planar = samples > 1 && directory.Single(PlanarConfiguration, 1) == 2;
    h.layout.swap16 = bits == 16 && directory.BigEndian() != (std::endian::native == std::endian::big);
    h.colourSamples = samples - int(std::min<uint32_t>(directory.Count(ExtraSamples, 0), 255));
    if (h.photometric == YCbCr && h.colourSamples == 3)
        ReadYCbCr(directory, h);
    h.layout.predictor = directory.Single(Predictor, 1) == 2 && (bits == 8 || bits == 16)
        && h.layout.subsampleX * h.layout.subsampleY == 1;
    h.compression = directory.Single(Compression, TIFFStripReader::kNone);
    return h;
}

// Rows read straight into the bitmap at once: few reads, and still in the
// cache when they are converted.
constexpr size_t kBandBytes = 256 * 1024;
// Decoded rows are converted while they are in the first-level cache.
constexpr size_t kDecodedPieceBytes = 32 * 1024;

// Buffers above this size are not kept for the next picture.
constexpr size_t kKeptBufferBytes = size_t(4) << 20;

// However a load ends, large strip buffers are not kept.
struct TrimBuffers {
    std::vector<std::vector<uint8_t>>& buffers;
    ~TrimBuffers()
    {
        for (auto& b : buffers)
            if (b.size() > kKeptBufferBytes)
                std::vector<uint8_t>().swap(b);
    }
};

void BlankRows(Bitmap& image, int from, int to)
{
    // A reused block still holds the previous picture.
    for (int y = std::max(from, 0); y < std::min(to, image.Height()); ++y)
        std::memset(image.ScanLine(y), 0, size_t(image.BytesPerLine()));
}

// Walks the strips into the bitmap's rows, a piece of units at a time.
class StripWalk {
public:
    StripWalk(TIFFStripReader& strips, const TIFFHeader& h, TIFFRowWriter& writer, Bitmap& image)
        : strips_(strips)
        , writer_(writer)
        , image_(image)
        , planes_(h.Planes())
        , unitBytes_(h.layout.UnitBytes())
        , unitRows_(h.layout.UnitRows())
        , stripsPerPlane_(std::max<size_t>(1, strips.StripCount() / size_t(planes_)))
        , unit_(size_t(planes_))
    {
        const int64_t height = h.height;
        // Where a stored row is a bitmap row converted in place, the strips go
        // straight into the rows: no strip buffer and no second pass through
        // memory. LZW keeps its buffer, so that a strip that fails half-way
        // leaves its rows as they were.
        direct_ = planes_ == 1 && unitRows_ == 1 && !strips.MayFail() && writer.ConvertsInPlace()
            && size_t(image.BytesPerLine()) == unitBytes_
            && image.ScanLine(int(height) - 1) == image.ScanLine(0) + (height - 1) * unitBytes_;
        // Strips go through in pieces that stay in the cache until converted
        // where they can; LZW strips are decoded whole.
        const size_t pieceBytes = strips.Compressed() ? kDecodedPieceBytes : direct_ ? kBandBytes : size_t(1) << 20;
        piece_ = strips.ReadsInPieces(planes_) ? std::max<size_t>(1, pieceBytes / unitBytes_) : SIZE_MAX;
        lendable_ = planes_ == 1 && !strips.Compressed() && !writer.ChangesSamples();
    }

    size_t StripsPerPlane() const { return stripsPerPlane_; }

    // Rows [row, row + rows) from strip k; a row the strip cuts short stays
    // blank, as those it never reaches do.
    void ReadStrip(size_t k, int row, int64_t rows)
    {
        const size_t units = size_t((rows + unitRows_ - 1) / unitRows_);
        for (size_t done = 0; done < units;) {
            size_t wanted = std::min(units - done, piece_);
            const size_t got = ReadPiece(k, row, done, units, wanted);
            if (got < wanted) {
                BlankRows(image_, row + int((done + got) * size_t(unitRows_)), row + int(rows));
                return;
            }
            done += wanted;
        }
    }

private:
    // Units [done, done + wanted) of strip k; how many arrived. A lent piece
    // may cover more than `wanted`, which then grows to what it covers.
    size_t ReadPiece(size_t k, int row, size_t done, size_t units, size_t& wanted)
    {
        const std::span<const uint8_t> lent
            = lendable_ ? strips_.Lend(k, done, units - done) : std::span<const uint8_t>();
        if (!lent.empty()) {
            // Bytes the stream lends are converted where they lie: nothing is copied first.
            wanted = units - done;
            const size_t got = lent.size() / unitBytes_;
            for (size_t u = 0; u < got; ++u) {
                const uint8_t* stored = lent.data() + u * unitBytes_;
                writer_.Convert(&stored, image_, RowOf(row, done + u));
            }
            return got;
        }
        size_t got = wanted;
        uint8_t* rowsInPlace = direct_ ? image_.ScanLine(row + int(done)) : nullptr;
        if (direct_) {
            got = strips_.FillInto(rowsInPlace, k, done, wanted) / unitBytes_;
        } else {
            for (int p = 0; p < planes_; ++p)
                got = std::min(got, strips_.Fill(p, size_t(p) * stripsPerPlane_ + k, done, wanted));
        }
        for (size_t u = 0; u < got; ++u) {
            for (int p = 0; p < planes_; ++p)
                unit_[size_t(p)] = direct_ ? rowsInPlace + u * unitBytes_ : strips_.Data(p) + u * unitBytes_;
            writer_.Write(unit_.data(), image_, RowOf(row, done + u));
        }
        return got;
    }
    int RowOf(int stripRow, size_t unit) const { return stripRow + int(unit * size_t(unitRows_)); }

    TIFFStripReader& strips_;
    TIFFRowWriter& writer_;
    Bitmap& image_;
    const int planes_;
    const size_t unitBytes_;
    const int unitRows_;
    const size_t stripsPerPlane_;
    std::vector<uint8_t*> unit_;
    bool direct_ = false, lendable_ = false;
    size_t piece_ = SIZE_MAX;
};

// Every strip into the rows; rows no strip reaches stay blank.
void ReadStrips(const TIFFDirectory& directory, TIFFStripReader& strips, const TIFFHeader& h, TIFFRowWriter& writer,
    Bitmap& image)
{
    StripWalk walk(strips, h, writer, image);
    // Strips hold RowsPerStrip rows each (all rows when the tag is missing or
    // there is one strip); planar files have the strips of each plane in turn.
    std::vector<uint32_t> rowsPerStrip = directory.List(RowsPerStrip);
    if (walk.StripsPerPlane() == 1)
        rowsPerStrip.clear();
    int row = 0;
    for (size_t k = 0; k < walk.StripsPerPlane() && row < h.height; ++k) {
        int64_t rows = rowsPerStrip.empty() ? h.height : rowsPerStrip[std::min(k, rowsPerStrip.size() - 1)];
        rows = std::min<int64_t>(rows, h.height - row);
        walk.ReadStrip(k, row, rows);
        row += int(rows);
    }
    BlankRows(image, row, int(h.height));
}

} // namespace

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
    const TIFFHeader h = ReadHeader(directory);
    const Plan plan = ChoosePlan(h.colourSamples, h.photometric, h.layout, h.chromaOk);

    TrimBuffers trim {stripBuffers_};
    TIFFStripReader strips(stream, base, directory.List(StripOffsets), directory.List(StripByteCounts),
        h.compression, h.layout.UnitBytes(), h.Planes(), stripBuffers_);
    const int64_t units = (h.height + h.layout.UnitRows() - 1) / h.layout.UnitRows();
    if (!DataCanFill(int64_t(h.layout.UnitBytes()) * h.Planes() * units, strips.MostBytes()))
        throw EReadError();

    Palette palette;
    if (IsIndexed(plan.format))
        palette = BuildPalette(directory, h.photometric, std::min(h.layout.bits, 8));
    Allocate(plan.format, int(h.width), int(h.height));
    if (!palette.empty())
        SetPalette(std::move(palette));

    TIFFRowWriter writer(plan.kind, h.layout, h.ycbcr);
    ReadStrips(directory, strips, h, writer, *this);
}

} // namespace pelmora
