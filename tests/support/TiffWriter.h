// Writes small TIFF files for the reader's tests: either byte order, strips
// of any height, no compression, LZW or PackBits, the predictor, planes, and
// any tag added, changed or left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace pelmora::test {

enum TiffType : uint16_t { kTiffByte = 1, kTiffShort = 3, kTiffLong = 4, kTiffRational = 5 };

class TiffWriter {
public:
    bool bigEndian = false;
    int width = 0, height = 0;
    int bitsPerSample = 8;
    int samplesPerPixel = 1;
    int photometric = 1;
    int compression = 1; // 1, 5 (LZW), 32773 (PackBits) or anything to store as the tag
    int rowsPerStrip = 0; // 0: one strip
    bool planar = false; // the data holds one plane after the other
    bool predictor = false; // difference 8 or 16-bit samples before compressing
    uint16_t stripTableType = kTiffLong; // StripOffsets and StripByteCounts as SHORT or LONG
    // Rows of one stored unit and its bytes; 0: one row of packed samples.
    int unitRows = 1;
    size_t unitBytes = 0;
    // The stored samples, unit after unit (plane after plane when planar);
    // 16-bit samples as values in the machine's order.
    std::vector<uint8_t> data;

    // Adds or replaces an entry; RATIONAL values go as numerator, denominator pairs.
    void SetTag(uint16_t tag, uint16_t type, std::vector<uint32_t> values);
    void RemoveTag(uint16_t tag) { removed_.push_back(tag); }

    std::vector<uint8_t> Build() const;

private:
    struct Tag {
        uint16_t type;
        std::vector<uint32_t> values;
    };
    std::map<uint16_t, Tag> extra_;
    std::vector<uint16_t> removed_;
};

// 16-bit samples as the bytes of `values` in the machine's order.
std::vector<uint8_t> Samples16(const std::vector<uint16_t>& values);

} // namespace pelmora::test
