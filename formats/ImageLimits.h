// The one size check every reader makes before it allocates from header fields.
#pragma once

#include <cstdint>

namespace pelmora {

constexpr int64_t kMaxImageSide = 65535;
#ifdef PELMORA_FUZZ_PIXEL_LIMIT
// Fuzz builds stop at 2^22 pixels: the largest picture a format allows
// stays far under the fuzzer's allocation limit, so any allocation above it
// is one sized from something no check looked at, and the runs a second are
// spent on the readers' logic rather than on filling huge blank pictures.
constexpr int64_t kMaxImagePixels = int64_t(1) << 22;
#else
constexpr int64_t kMaxImagePixels = int64_t(1) << 28;
#endif

// A file cut short keeps its size, the rows its data cannot reach left
// blank; one whose data can fill less than a sixteenth of its picture is
// damaged, not cut short. Readers refuse that before they allocate, so that
// a few bytes cannot make them allocate a gigabyte.
bool DataCanFill(int64_t pictureBytes, int64_t mostBytesTheDataGives);

// Throws "Image dimensions too large." for a side above 65535 or more than
// kMaxImagePixels (or the calling thread's lower limit, below), and
// "Invalid image dimensions." for a negative side.
void CheckImageSize(int64_t width, int64_t height);

// The most pixels a picture may have on the calling thread (kMaxImagePixels
// or the lower limit below).
int64_t PixelLimit();

// Lowers the pixel limit of the calling thread while it lives, for a host
// program that reads through our readers under a memory limit of its own.
class ThreadPixelLimit {
public:
    explicit ThreadPixelLimit(int64_t pixels);
    ~ThreadPixelLimit();
    ThreadPixelLimit(const ThreadPixelLimit&) = delete;
    ThreadPixelLimit& operator=(const ThreadPixelLimit&) = delete;

private:
    int64_t previous_;
};

// Bytes of one row of `width` pixels of `bitsPerPixel`, padded to `alignment`
// bytes; width and bits are small enough after CheckImageSize that this cannot overflow.
inline int64_t RowBytes(int64_t width, int bitsPerPixel, int alignment = 4)
{
    int64_t bits = width * bitsPerPixel;
    int64_t bytes = (bits + 7) / 8;
    return (bytes + alignment - 1) / alignment * alignment;
}

} // namespace pelmora
