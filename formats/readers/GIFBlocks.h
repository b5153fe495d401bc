// The pieces of a GIF file both GIF readers walk: the first image's reader
// (GIFGraphic) and the frames of an animation (GIFFrames).
#pragma once

#include "formats/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora {

class Stream;

namespace gif {

inline constexpr const char* kNotGif = "Not a valid GIF file.";

constexpr uint8_t kExtensionIntroducer = '!';
constexpr uint8_t kImageSeparator = ',';
constexpr uint8_t kTrailer = ';';
constexpr uint8_t kHasColorTable = 0x80;
constexpr uint8_t kInterlaced = 0x40;

// "GIF" in any case opens the file: writers that wrote it in lower case exist.
constexpr bool HasSignature(const uint8_t* bytes)
{
    auto upper = [](uint8_t c) { return c >= 'a' && c <= 'z' ? uint8_t(c - 32) : c; };
    return upper(bytes[0]) == 'G' && upper(bytes[1]) == 'I' && upper(bytes[2]) == 'F';
}

// The screen descriptor after the signature: the screen's size and whether
// a colour table for all images follows.
struct ScreenDescriptor {
    int width = 0, height = 0;
    uint8_t flags = 0;
};

// Reads the signature and the screen descriptor: "Not a valid GIF file." when
// the file does not start with "GIF".
ScreenDescriptor ReadScreenDescriptor(Stream& stream);

// A colour table of 2 << (flags AND 7) entries of red, green, blue. Indices
// past a short table show its last entry, so the table is filled up to 256
// with that entry: nothing that draws the bitmap can look beyond it.
Palette ReadColorTable(Stream& stream, uint8_t flags);

// Skips the sub-blocks of an extension: length bytes and their data, up to the
// zero length. A zero byte inside the data (a delay of 0, say) does not end it.
void SkipSubBlocks(Stream& stream);

// Walks the blocks up to the next image separator, skipping extensions and
// stray bytes between blocks; false at the trailer or the end of the file.
bool SkipToImage(Stream& stream);

// The image descriptor that follows an image separator.
struct ImageDescriptor {
    int left = 0, top = 0; // the image's place on the screen
    int width = 0, height = 0;
    uint8_t flags = 0;
};

// Reads the descriptor; a side of 0 is the screen's. "Image dimensions too
// large." (CheckImageSize) for a size no bitmap may have.
ImageDescriptor ReadImageDescriptor(Stream& stream, int screenWidth, int screenHeight);

// All data sub-blocks of the image, concatenated into `data` (whose memory is
// reused). The data ends at a zero length or at the end of the file; a
// sub-block cut short is a read error.
void ReadImageData(Stream& stream, std::vector<uint8_t>& data);

// The most bytes `packed` bytes of LZW data can expand to. Every code takes
// at least codeSize + 1 bits, and each table entry is at most one byte longer
// than the longest before it, so the k-th code gives at most k bytes (and
// never more than the 4096 an entry can hold).
size_t MaxDecodedSize(size_t packed, int codeSize);

// Row of the k-th decoded line: in order, or in the four interlace passes
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
class LineOrder {
public:
    LineOrder(int height, bool interlaced)
        : height_(height)
        , interlaced_(interlaced)
    {
    }
    // The next row, or -1 past the last.
    int Next()
    {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        if (!interlaced_)
            return row_ < height_ ? row_++ : -1;
        while (pass_ < 4) {
            if (row_ < height_) {
                int row = row_;
                row_ += kStep[pass_];
                return row;
            }
            if (++pass_ < 4)
                row_ = kStart[pass_];
        }
        return -1;
    }

private:
    int height_;
    bool interlaced_;
    int pass_ = 0;
    int row_ = 0;
};

} // namespace gif
} // namespace pelmora
