#include "PNGIdatInflater.h"

#include "formats/Exception.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace pelmora {

namespace {

// PNG's own bound on a chunk's length.
constexpr uint32_t kMostChunkLength = 0x7FFFFFFF;

[[noreturn]] void Refuse(const char* invalid)
{
    throw EInvalidGraphic(invalid);
}

uint32_t Big32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// A chunk's length and type, as read before its data.
struct ChunkHeader {
    uint8_t bytes[8] = {};
    uint32_t Length() const { return Big32(bytes); }
    const uint8_t* Type() const { return bytes + 4; }
    bool Is(const char* type) const { return std::memcmp(Type(), type, 4) == 0; }
    // Critical chunks have an upper-case first letter.
    bool Critical() const { return (bytes[4] & 0x20) == 0; }
};

// A chunk's length, checked against PNG's bound and against what the file
// has left for the data and the CRC, before anything is read or allocated from it.
uint32_t CheckedLength(uint32_t length, PngFileBytes& file, const char* invalid)
{
    if (length > kMostChunkLength || int64_t(length) + 4 > file.Left())
        Refuse(invalid);
    return length;
}

// Reads the CRC after a chunk's data and compares it with `crc`, the one of its type and data.
bool CrcMatches(PngFileBytes& file, uint32_t crc)
{
    uint8_t stored[4];
    return file.Read(stored, 4) && Big32(stored) == crc;
}

// Reads a chunk's data and CRC when its data are of no use here; the CRC of
// a critical chunk must match, as libpng requires (it only warns for others).
void PassChunk(PngFileBytes& file, const ChunkHeader& chunk, const char* invalid)
{
    uint32_t left = CheckedLength(chunk.Length(), file, invalid);
    uint32_t crc = libdeflate_crc32(0, chunk.Type(), 4);
    uint8_t piece[4096];
    while (left > 0) {
        const uint32_t count = left < sizeof piece ? left : uint32_t(sizeof piece);
        if (!file.Read(piece, count))
            Refuse(invalid);
        crc = libdeflate_crc32(crc, piece, count);
        left -= count;
    }
    if (!CrcMatches(file, crc) && chunk.Critical())
        Refuse(invalid);
}

// The chunks after the picture data up to IEND, refused where libpng refuses
// them: cut short, a damaged critical chunk, one out of place. IDAT chunks
// after others are passed over, as libpng does.
void WalkToEnd(PngFileBytes& file, ChunkHeader chunk, const char* invalid)
{
    for (;;) { // each chunk read moves at least 12 bytes on through the file
        const bool end = chunk.Is("IEND");
        if (chunk.Critical() && !end && !chunk.Is("IDAT"))
            Refuse(invalid);
        PassChunk(file, chunk, invalid);
        if (end)
            return;
        if (!file.Read(chunk.bytes, 8))
            Refuse(invalid);
    }
}

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

} // namespace

PixelBlock InflatePngData(PngFileBytes& file, uint32_t firstLength, size_t inflatedSize, const char* invalid)
{
    // Room for the joined data: what the file has left, and no more than a
    // stream of stored blocks takes for the picture (whose size is checked
    // already), so a file of much else costs no more. Data past that room
    // are left to libpng.
    const int64_t left = file.Left();
    const size_t room = size_t(std::clamp<int64_t>(left, 0, int64_t(inflatedSize + inflatedSize / 8 + 65536)));
    PixelBlock joined = AllocatePixels(room > 0 ? room : 1, PixelFill::Overwritten);
    if (!joined)
        throw EOutOfResources("Out of memory while reading a PNG file");
    size_t size = 0;
    ChunkHeader chunk;
    std::memcpy(chunk.bytes, "\0\0\0\0IDAT", 8);
    for (uint32_t length = CheckedLength(firstLength, file, invalid);;) {
        if (length > room - size)
            return {};
        uint8_t* data = joined.get() + size;
        if (!file.Read(data, length)
            || !CrcMatches(file, libdeflate_crc32(libdeflate_crc32(0, "IDAT", 4), data, length)))
            Refuse(invalid);
        size += length;
        if (!file.Read(chunk.bytes, 8))
            Refuse(invalid);
        if (!chunk.Is("IDAT"))
            break;
        length = CheckedLength(chunk.Length(), file, invalid);
    }

    PixelBlock inflated = AllocatePixels(inflatedSize, PixelFill::Overwritten);
    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(libdeflate_alloc_decompressor());
    if (!inflated || !decompressor)
        throw EOutOfResources("Out of memory while reading a PNG file");
    // The zlib header and the Adler-32 are checked; a stream that ends
    // before `inflatedSize` bytes or runs past them is not returned.
    const libdeflate_result result
        = libdeflate_zlib_decompress(decompressor.get(), joined.get(), size, inflated.get(), inflatedSize, nullptr);
    joined.reset();
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE)
        return {};
    if (result != LIBDEFLATE_SUCCESS)
        Refuse(invalid);
    WalkToEnd(file, chunk, invalid);
    return inflated;
}

} // namespace pelmora
