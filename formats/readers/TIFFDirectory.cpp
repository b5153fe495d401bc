#include "TIFFDirectory.h"

#include "TIFFFailures.h"
#include "formats/ByteOrder.h"
#include "formats/Exception.h"
#include "formats/Stream.h"

#include <algorithm>

namespace pelmora {

namespace {

enum Type : uint16_t {
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    SByte = 6,
    Undefined = 7,
    SShort = 8,
    SLong = 9
};

// Bytes of one value of the integer types the reader uses; 0 for the others.
size_t IntegerSize(uint16_t type)
{
    switch (type) {
    case Byte:
    case Ascii:
    case SByte:
    case Undefined: return 1;
    case Short:
    case SShort: return 2;
    case Long:
    case SLong: return 4;
    default: return 0;
    }
}

} // namespace

TIFFDirectory::TIFFDirectory(Stream& stream)
    : stream_(stream)
    , base_(stream.Position())
{
    uint8_t header[8];
    stream.ReadBuffer(header, sizeof header);
    // "MM" is Motorola order; anything else is taken as Intel.
    bigEndian_ = header[0] == 'M' && header[1] == 'M';
    if (U16(header + 2) != 42)
        throw Exception(kInvalidTIFF);
    stream.SetPosition(base_ + U32(header + 4));
    uint8_t countBytes[2];
    stream.ReadBuffer(countBytes, 2);
    size_t count = U16(countBytes);
    if (int64_t(count * 12) > stream.Remaining())
        throw EReadError();
    std::vector<uint8_t> raw(count * 12);
    stream.ReadBuffer(raw.data(), raw.size());
    entries_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = raw.data() + i * 12;
        entries_[i] = { U16(p), U16(p + 2), U32(p + 4), { p[8], p[9], p[10], p[11] } };
    }
    // Tags are meant to come in ascending order; a writer that broke the rule
    // must not hide tags from the search. The first of two equal tags counts.
    std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
}

uint16_t TIFFDirectory::U16(const uint8_t* p) const
{
    return bigEndian_ ? LoadU16BE(p) : LoadU16LE(p);
}

uint32_t TIFFDirectory::U32(const uint8_t* p) const
{
    return bigEndian_ ? LoadU32BE(p) : LoadU32LE(p);
}

const TIFFDirectory::Entry* TIFFDirectory::Find(uint16_t tag) const
{
    auto it
        = std::lower_bound(entries_.begin(), entries_.end(), tag, [](const Entry& e, uint16_t t) { return e.tag < t; });
    return it != entries_.end() && it->tag == tag ? &*it : nullptr;
}

uint32_t TIFFDirectory::Single(uint16_t tag, uint32_t fallback) const
{
    const Entry* e = Find(tag);
    if (!e || e->count != 1)
        return fallback;
    switch (IntegerSize(e->type)) {
    case 1: return e->type == Ascii || e->type == Undefined ? fallback : e->value[0];
    case 2: return U16(e->value);
    case 4: return U32(e->value);
    default: return fallback;
    }
}

uint32_t TIFFDirectory::Count(uint16_t tag, uint32_t fallback) const
{
    const Entry* e = Find(tag);
    return e ? e->count : fallback;
}

bool TIFFDirectory::ReadAt(uint32_t offset, uint8_t* into, size_t bytes) const
{
    int64_t at = base_ + offset;
    if (at > stream_.Size() || int64_t(bytes) > stream_.Size() - at)
        return false;
    stream_.SetPosition(at);
    stream_.ReadBuffer(into, bytes);
    return true;
}

std::vector<uint32_t> TIFFDirectory::List(uint16_t tag) const
{
    const Entry* e = Find(tag);
    size_t size = e ? IntegerSize(e->type) : 0;
    if (!size || !e->count)
        return {};
    size_t bytes = size * e->count;
    std::vector<uint8_t> raw;
    const uint8_t* values = e->value;
    if (bytes > 4) {
        // Checked against the stream before the buffer is made.
        raw.resize(bytes <= size_t(stream_.Size()) ? bytes : 0);
        if (raw.empty() || !ReadAt(U32(e->value), raw.data(), bytes))
            throw EReadError();
        values = raw.data();
    }
    std::vector<uint32_t> list(e->count);
    for (size_t i = 0; i < list.size(); ++i) {
        const uint8_t* p = values + i * size;
        list[i] = size == 1 ? p[0] : size == 2 ? U16(p) : U32(p);
    }
    return list;
}

std::vector<double> TIFFDirectory::Rationals(uint16_t tag) const
{
    const Entry* e = Find(tag);
    if (!e || e->type != Rational || e->count == 0 || e->count > 64)
        return {};
    std::vector<uint8_t> raw(size_t(e->count) * 8);
    if (!ReadAt(U32(e->value), raw.data(), raw.size()))
        return {};
    std::vector<double> values(e->count);
    for (size_t i = 0; i < values.size(); ++i) {
        uint32_t denominator = U32(&raw[i * 8 + 4]);
        values[i] = denominator ? double(U32(&raw[i * 8])) / denominator : 0;
    }
    return values;
}

} // namespace pelmora
