// The strips of a TIFF image: their bytes read, borrowed from a stream in
// memory, or decoded (LZW, PackBits), a stored unit (a row, or a row of
// chroma blocks) at a time or a whole strip at once.
#pragma once

#include "formats/codecs/RunLength.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pelmora {

class Stream;
class TDecoder;

// Reads or decodes the units of one strip into a buffer a plane. The
// buffers (the packed bytes first, then one a plane) come from the caller.
class TIFFStripReader {
public:
    static constexpr uint32_t kNone = 1, kLZW = 5, kPackBits = 32773;

    // Offsets count from `base`. Throws "Invalid TIFF file." without strips
    // and "TIFF: Unknown compression scheme" for another compression.
    TIFFStripReader(Stream& stream, int64_t base, std::vector<uint32_t> offsets, std::vector<uint32_t> counts,
        uint32_t compression, size_t unitBytes, int planes, std::vector<std::vector<uint8_t>>& buffers);
    ~TIFFStripReader();

    size_t StripCount() const { return offsets_.size(); }
    bool Compressed() const { return decoder_ != nullptr || packBits_; }
    // LZW stops with an error inside a strip; the others only run out.
    bool MayFail() const { return decoder_ != nullptr; }
    // Whether a strip may be read in pieces, each from where the last ended,
    // while the planes take turns: uncompressed strips always, PackBits
    // ones with a single plane; LZW strips are decoded whole.
    bool ReadsInPieces(int planes) const { return !Compressed() || (packBits_ && planes == 1); }
    uint8_t* Data(int plane) { return Plane(plane).data(); }
    // The most bytes all strips together can give, as far as the file holds
    // them: checked against the picture before anything is allocated for it.
    int64_t MostBytes() const;

    // Fills plane `plane` with up to `units` units of strip `strip`, starting
    // `firstUnit` units in (0 for a compressed strip, unless it goes on
    // where the last piece of the same strip ended); returns the complete
    // units it holds.
    size_t Fill(int plane, size_t strip, size_t firstUnit, size_t units);
    // The same straight into `destination`, which has room for `units`
    // units; returns the bytes written, which may end in part of a unit.
    size_t FillInto(uint8_t* destination, size_t strip, size_t firstUnit, size_t units);
    // Up to `units` whole stored units of uncompressed strip `strip` from
    // `firstUnit` on, in place, when the stream lends its bytes; otherwise
    // (or past the end) nothing.
    std::span<const uint8_t> Lend(size_t strip, size_t firstUnit, size_t units);

private:
    bool MoveTo(size_t strip, size_t firstUnit);
    const uint8_t* Packed(size_t strip, size_t& size);
    template <class Where> size_t Load(size_t strip, size_t firstUnit, size_t units, Where where);
    template <class Where> size_t LoadPackBits(size_t strip, size_t firstUnit, size_t units, Where where);
    std::vector<uint8_t>& Plane(int plane) { return buffers_[size_t(plane) + 1]; }

    Stream& stream_;
    int64_t base_;
    std::vector<uint32_t> offsets_, counts_;
    size_t unitBytes_;
    std::unique_ptr<TDecoder> decoder_; // LZW
    bool packBits_ = false;
    PackbitsCursor cursor_; // where the PackBits strip cursorStrip_ has got to
    size_t cursorStrip_ = SIZE_MAX;
    std::vector<std::vector<uint8_t>>& buffers_;
};

} // namespace pelmora
