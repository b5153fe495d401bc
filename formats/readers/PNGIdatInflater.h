// The picture data of a PNG file read past libpng, for the layouts read most
// (a photo's inflating was most of its read through libpng's piecewise
// zlib): every IDAT chunk's CRC is checked, their data joined and inflated
// by libdeflate in one call, its Adler-32 checked, then the chunks after
// them walked to IEND as libpng walks them.
#pragma once

#include "formats/PixelMemory.h"

#include <cstddef>
#include <cstdint>

namespace pelmora {

// The rest of the file, from where libpng stopped.
class PngFileBytes {
public:
    virtual ~PngFileBytes() = default;
    // Exactly `count` bytes into `out`, or false when the file ends first.
    virtual bool Read(uint8_t* out, size_t count) = 0;
    // What the file has left: the most it can still give.
    virtual int64_t Left() const = 0;
};

// libpng stops reading after the first IDAT chunk's length and type; the
// chunks from its data on are read here. Returns the inflated data,
// exactly `inflatedSize` bytes, or an empty block when the stream holds
// more than that or the chunks far more than such a stream takes: libpng
// shows such files with the extra data dropped, so the caller reads them
// through it. Damage (a CRC, the Adler-32, a stream
// that is cut or gives too little, a file cut before IEND) throws
// EInvalidGraphic(invalid).
PixelBlock InflatePngData(PngFileBytes& file, uint32_t firstLength, size_t inflatedSize, const char* invalid);

} // namespace pelmora
