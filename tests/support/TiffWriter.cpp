#include "TiffWriter.h"

#include "ByteWriter.h"
#include "LzwEncoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pelmora::test {

std::vector<uint8_t> Samples16(const std::vector<uint16_t>& values)
{
    std::vector<uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

void TiffWriter::SetTag(uint16_t tag, uint16_t type, std::vector<uint32_t> values)
{
    extra_[tag] = { type, std::move(values) };
}

namespace {

size_t TypeSize(uint16_t type)
{
    return type == kTiffByte ? 1 : type == kTiffShort ? 2 : type == kTiffRational ? 8 : 4;
}

// Forward horizontal differencing of one unit, as an encoder does it.
void Difference(uint8_t* unit, int width, int samples, int bits)
{
    size_t n = size_t(width) * size_t(samples);
    if (bits == 8)
        for (size_t i = n; i-- > size_t(samples);)
            unit[i] = uint8_t(unit[i] - unit[i - size_t(samples)]);
    if (bits == 16) {
        auto* s = reinterpret_cast<uint16_t*>(unit);
        for (size_t i = n; i-- > size_t(samples);)
            s[i] = uint16_t(s[i] - s[i - size_t(samples)]);
    }
}

} // namespace

std::vector<uint8_t> TiffWriter::Build() const
{
    const int planes = planar ? samplesPerPixel : 1;
    const size_t unit = unitBytes
        ? unitBytes
        : (size_t(width) * size_t(bitsPerSample) * size_t(planar ? 1 : samplesPerPixel) + 7) / 8;
    const int rps = rowsPerStrip > 0 ? rowsPerStrip : height;
    const int stripsPerPlane = (height + rps - 1) / rps;
    const size_t unitsPerPlane = size_t((height + unitRows - 1) / unitRows);

    ByteWriter out;
    out.bigEndian = bigEndian;
    out.Text(bigEndian ? "MM" : "II").U16(42).U32(0);

    std::vector<uint32_t> offsets, counts;
    for (int p = 0; p < planes; ++p) {
        for (int s = 0; s < stripsPerPlane; ++s) {
            size_t first = size_t(s * rps / unitRows);
            size_t last = std::min(unitsPerPlane, size_t(((s + 1) * rps + unitRows - 1) / unitRows));
            size_t begin = size_t(p) * unitsPerPlane * unit + first * unit;
            size_t bytes = (last - first) * unit;
            std::vector<uint8_t> strip(bytes);
            if (begin < data.size())
                std::copy_n(data.begin() + long(begin), std::min(bytes, data.size() - begin), strip.begin());
            for (size_t u = 0; predictor && u < last - first; ++u)
                Difference(strip.data() + u * unit, width, planar ? 1 : samplesPerPixel, bitsPerSample);
            if (bitsPerSample == 16 && bigEndian != (std::endian::native == std::endian::big))
                for (size_t i = 0; i + 1 < strip.size(); i += 2)
                    std::swap(strip[i], strip[i + 1]);
            if (compression == 5)
                strip = EncodeTiffLzw(strip);
            else if (compression == 32773)
                strip = EncodePackBits(strip, unit);
            offsets.push_back(uint32_t(out.Size()));
            counts.push_back(uint32_t(strip.size()));
            out.Bytes(strip);
        }
    }

    std::map<uint16_t, Tag> tags;
    tags[256] = { kTiffLong, { uint32_t(width) } };
    tags[257] = { kTiffLong, { uint32_t(height) } };
    tags[258] = { kTiffShort, std::vector<uint32_t>(size_t(samplesPerPixel), uint32_t(bitsPerSample)) };
    tags[259] = { kTiffShort, { uint32_t(compression) } };
    tags[262] = { kTiffShort, { uint32_t(photometric) } };
    tags[273] = { stripTableType, offsets };
    tags[277] = { kTiffShort, { uint32_t(samplesPerPixel) } };
    tags[278] = { kTiffLong, { uint32_t(rps) } };
    tags[279] = { stripTableType, counts };
    if (planar)
        tags[284] = { kTiffShort, { 2 } };
    if (predictor)
        tags[317] = { kTiffShort, { 2 } };
    for (const auto& [tag, value] : extra_)
        tags[tag] = value;
    for (uint16_t tag : removed_)
        tags.erase(tag);

    auto put = [&](uint16_t type, uint32_t v) {
        if (type == kTiffByte)
            out.U8(v);
        else if (type == kTiffShort)
            out.U16(v);
        else
            out.U32(v);
    };
    // Values that do not fit in an entry go before the directory.
    std::map<uint16_t, uint32_t> valueOffsets;
    for (const auto& [tag, value] : tags) {
        size_t count = value.type == kTiffRational ? value.values.size() / 2 : value.values.size();
        if (count * TypeSize(value.type) <= 4)
            continue;
        if (out.Size() % 2)
            out.U8(0);
        valueOffsets[tag] = uint32_t(out.Size());
        for (uint32_t v : value.values)
            put(value.type, v);
    }
    if (out.Size() % 2)
        out.U8(0);
    out.PatchU32(4, uint32_t(out.Size()));
    out.U16(unsigned(tags.size()));
    for (const auto& [tag, value] : tags) {
        size_t count = value.type == kTiffRational ? value.values.size() / 2 : value.values.size();
        out.U16(tag).U16(value.type).U32(uint32_t(count));
        auto found = valueOffsets.find(tag);
        if (found != valueOffsets.end()) {
            out.U32(found->second);
            continue;
        }
        size_t used = 0;
        for (uint32_t v : value.values) {
            put(value.type, v);
            used += TypeSize(value.type);
        }
        out.Fill(4 - used, 0);
    }
    out.U32(0);
    return out.data;
}

} // namespace pelmora::test
