// The first image file directory of a TIFF file: its entries as stored, and
// the values of a tag read by the entry's own type and the file's byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora {

class Stream;

class TIFFDirectory {
public:
    // Reads the 8-byte header at the stream's position (the base every file
    // offset is counted from) and the first directory. Throws "Invalid TIFF
    // file." for a magic other than 42, "Stream read error" when cut short.
    explicit TIFFDirectory(Stream& stream);

    bool BigEndian() const { return bigEndian_; }
    bool Has(uint16_t tag) const { return Find(tag) != nullptr; }

    // A tag's one value: BYTE, SHORT or LONG (or their signed kinds) by type;
    // `fallback` when the tag is missing, has another count or another type.
    uint32_t Single(uint16_t tag, uint32_t fallback) const;
    // A tag's count of values, or `fallback` when missing.
    uint32_t Count(uint16_t tag, uint32_t fallback) const;
    // All values of a BYTE, SHORT or LONG tag, from the entry itself when they
    // fit in its 4 bytes, else from the offset it holds; empty when missing or
    // of another type. "Stream read error" when the values lie past the end.
    std::vector<uint32_t> List(uint16_t tag) const;
    // The bytes of a BYTE or UNDEFINED tag (an ICC profile, say); empty when
    // missing, of another type or cut short.
    std::vector<uint8_t> Bytes(uint16_t tag) const;
    // All values of a RATIONAL tag; empty when missing, of another type or cut short.
    std::vector<double> Rationals(uint16_t tag) const;

    uint16_t U16(const uint8_t* p) const;
    uint32_t U32(const uint8_t* p) const;

private:
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        uint8_t value[4]; // the value or offset field as stored
    };
    const Entry* Find(uint16_t tag) const;
    // Reads `bytes` bytes at base + offset; false when the stream is too short.
    bool ReadAt(uint32_t offset, uint8_t* into, size_t bytes) const;

    Stream& stream_;
    int64_t base_ = 0;
    bool bigEndian_ = false;
    std::vector<Entry> entries_; // sorted by tag
};

} // namespace pelmora
