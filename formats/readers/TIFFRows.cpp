#include "TIFFRows.h"

#include "formats/ByteOrder.h"
#include "formats/ColorConverters.h"
#include "formats/ImageLimits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pelmora {

size_t TIFFSampleLayout::UnitBytes() const
{
    auto w = size_t(width);
    if (subsampleX * subsampleY > 1) {
        // Blocks of sx x sy luma samples followed by one Cb and one Cr.
        size_t blocks = (w + size_t(subsampleX) - 1) / size_t(subsampleX);
        return blocks * size_t(subsampleX * subsampleY + 2);
    }
    size_t bitsPerUnit = w * size_t(bits) * size_t(planar ? 1 : samples);
    return (bitsPerUnit + 7) / 8;
}

void UndoHorizontalPredictor(uint8_t* row, int width, int samplesPerPixel, int bits)
{
    if (width < 2)
        return;
    const size_t n = size_t(width) * size_t(samplesPerPixel);
    const auto stride = size_t(samplesPerPixel);
    if (bits == 8 && samplesPerPixel == 3) {
        // The common case keeps the three running sums in registers.
        uint8_t r = row[0], g = row[1], b = row[2];
        for (size_t i = 3; i < n; i += 3) {
            row[i] = r = uint8_t(r + row[i]);
            row[i + 1] = g = uint8_t(g + row[i + 1]);
            row[i + 2] = b = uint8_t(b + row[i + 2]);
        }
    } else if (bits == 8) {
        for (size_t i = stride; i < n; ++i)
            row[i] = uint8_t(row[i] + row[i - stride]);
    } else if (bits == 16) {
        // Strip buffers start aligned and 16-bit units have an even size.
        auto* samples = reinterpret_cast<uint16_t*>(row);
        for (size_t i = stride; i < n; ++i)
            samples[i] = uint16_t(samples[i] + samples[i - stride]);
    }
}

TIFFRowWriter::TIFFRowWriter(TIFFRowKind kind, const TIFFSampleLayout& layout, const TIFFYCbCr& ycbcr)
    : kind_(kind)
    , layout_(layout)
{
    switch (kind) {
    case TIFFRowKind::Grey: channels_ = 1; break;
    case TIFFRowKind::RGBA:
    case TIFFRowKind::CMYK: channels_ = 4; break;
    case TIFFRowKind::RGB:
    case TIFFRowKind::Lab:
    case TIFFRowKind::YCbCr: channels_ = 3; break;
    default: channels_ = layout.samples; break;
    }
    bool gather = layout.planar || layout.samples != channels_;
    if (gather)
        gathered_.resize(size_t(layout.width) * size_t(channels_) * size_t(layout.bits / 8));

    // Reference black and white scale each component; a zero range counts as one.
    auto level = [&](int v, int component, double codingRange) {
        double black = ycbcr.reference[component * 2], white = ycbcr.reference[component * 2 + 1];
        double range = white - black != 0 ? white - black : 1;
        return (v - black) * codingRange / range;
    };
    const double red = ycbcr.luma[0], green = ycbcr.luma[1] != 0 ? ycbcr.luma[1] : 1, blue = ycbcr.luma[2];
    for (int v = 0; v < 256; ++v) {
        luma_[v] = level(v, 0, 255);
        double cb = level(v, 1, 127), cr = level(v, 2, 127);
        redFromCr_[v] = cr * (2 - 2 * red);
        blueFromCb_[v] = cb * (2 - 2 * blue);
        greenFromCb_[v] = -cb * blue * (2 - 2 * blue) / green;
        greenFromCr_[v] = -cr * red * (2 - 2 * red) / green;
    }
}

const uint8_t* TIFFRowWriter::ColourSamples(const uint8_t* const* planes)
{
    if (gathered_.empty())
        return planes[0];
    const auto width = size_t(layout_.width);
    const auto channels = size_t(channels_);
    const auto samples = size_t(layout_.samples);
    // Samples are copied as bytes: lent 16-bit ones may be unaligned.
    auto gather = [&]<class Sample>(Sample) {
        constexpr size_t size = sizeof(Sample);
        uint8_t* out = gathered_.data();
        for (size_t c = 0; c < channels; ++c) {
            const uint8_t* in = layout_.planar ? planes[c] : planes[0];
            size_t step = layout_.planar ? 1 : samples;
            size_t first = layout_.planar ? 0 : c;
            for (size_t x = 0; x < width; ++x)
                std::memcpy(out + (x * channels + c) * size, in + (x * step + first) * size, size);
        }
    };
    if (layout_.bits == 16)
        gather(uint16_t());
    else
        gather(uint8_t());
    return gathered_.data();
}

bool TIFFRowWriter::ConvertsInPlace() const
{
    const bool oneRow = !layout_.planar && layout_.subsampleX * layout_.subsampleY == 1;
    return oneRow && (kind_ == TIFFRowKind::Copy || (kind_ == TIFFRowKind::RGB && layout_.bits == 8));
}

void TIFFRowWriter::Write(uint8_t* const* planes, Bitmap& bitmap, int row)
{
    const int planeCount = layout_.planar ? layout_.samples : 1;
    const size_t unit = layout_.UnitBytes();
    for (int p = 0; p < planeCount; ++p) {
        if (layout_.swap16)
            SwapWords(planes[p], unit / 2);
        if (layout_.predictor)
            UndoHorizontalPredictor(planes[p], layout_.width, layout_.planar ? 1 : layout_.samples, layout_.bits);
    }
    Convert(planes, bitmap, row);
}

void TIFFRowWriter::Convert(const uint8_t* const* planes, Bitmap& bitmap, int row)
{
    if (row >= bitmap.Height())
        return;
    if (kind_ == TIFFRowKind::YCbCr) {
        WriteYCbCr(ColourSamples(planes), bitmap, row);
        return;
    }
    uint8_t* target = bitmap.ScanLine(row);
    const int width = layout_.width;
    const void* source = nullptr;
    switch (kind_) {
    case TIFFRowKind::Copy: {
        auto rowBytes = size_t(RowBytes(width, BitsPerPixel(StorageFormat(bitmap.GetPixelFormat())), 1));
        if (target != planes[0])
            std::memcpy(target, planes[0], std::min(layout_.UnitBytes(), rowBytes));
        return;
    }
    case TIFFRowKind::Expand2To4:
        for (int x = 0; x < width; x += 2) {
            auto index = [&](int i) { return planes[0][i >> 2] >> (6 - 2 * (i & 3)) & 3; };
            target[x >> 1] = uint8_t(index(x) << 4 | (x + 1 < width ? index(x + 1) : 0));
        }
        return;
    case TIFFRowKind::Grey:
        source = ColourSamples(planes);
        if (layout_.bits == 16)
            Reduce16To8(source, target, size_t(width));
        else
            std::memcpy(target, source, size_t(width));
        return;
    default: source = ColourSamples(planes); break;
    }
    const size_t count = size_t(width) * size_t(channels_);
    switch (kind_) {
    case TIFFRowKind::RGB: RGBToBGR(&source, target, layout_.bits, count); break;
    case TIFFRowKind::RGBA: RGBAToBGRA(&source, target, layout_.bits, count); break;
    case TIFFRowKind::CMYK: CMYKToBGR(&source, target, layout_.bits, count); break;
    case TIFFRowKind::Lab: CIELabToBGR(&source, target, layout_.bits, count); break;
    default: break;
    }
}

void TIFFRowWriter::WriteYCbCr(const uint8_t* unit, Bitmap& bitmap, int row)
{
    const int sx = layout_.subsampleX, sy = layout_.subsampleY;
    const int width = layout_.width;
    const int blockBytes = sx * sy + 2;
    auto toByte = [](double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); };
    for (int dy = 0; dy < sy && row + dy < bitmap.Height(); ++dy) {
        uint8_t* out = bitmap.ScanLine(row + dy);
        for (int x0 = 0, block = 0; x0 < width; x0 += sx, ++block) {
            const uint8_t* samples = unit + size_t(block) * size_t(blockBytes);
            const uint8_t cb = samples[sx * sy], cr = samples[sx * sy + 1];
            for (int dx = 0; dx < sx && x0 + dx < width; ++dx) {
                double y = luma_[samples[dy * sx + dx]];
                uint8_t* pixel = out + size_t(x0 + dx) * 3;
                pixel[0] = toByte(y + blueFromCb_[cb]);
                pixel[1] = toByte(y + greenFromCb_[cb] + greenFromCr_[cr]);
                pixel[2] = toByte(y + redFromCr_[cr]);
            }
        }
    }
}

} // namespace pelmora
