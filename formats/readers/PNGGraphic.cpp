#include "PNGGraphic.h"

#include "formats/ColorProfile.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/readers/PNGIdatInflater.h"
#include "formats/readers/PNGUnfilter.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <exception>
#include <optional>
#include <vector>

namespace pelmora {

namespace {

const char* const kInvalid = "Invalid PNG file.";
const char* const kOutOfMemory = "Out of memory while reading a PNG file";

// Chunks the reader has no use for, which libpng would otherwise read whole
// into memory of the size their length field claims (text can claim 2 GB).
// Only the picture, its palette, transparency and colour chunks are read.
constexpr png_byte kSkippedChunks[] = "tEXt\0zTXt\0iTXt\0sPLT\0pCAL\0sCAL\0eXIf\0hIST\0tIME\0pHYs\0oFFs\0sBIT\0bKGD";
constexpr int kSkippedChunkCount = int(sizeof kSkippedChunks / 5);

// Deflate gives at most 1032 bytes for one: a file that cannot fill its
// picture even so is refused before anything is allocated.
constexpr int64_t kMostBytesPerByte = 1032;

// The file as libpng reads it, and as the picture data are read past it:
// from a buffer, or straight from the stream, which spares a photo's copy of
// its whole file.
class Source final : public PngFileBytes {
public:
    Source(std::span<const uint8_t> data, Stream* stream, int64_t size, int signatureRead)
        : data_(data)
        , stream_(stream)
        , start_(stream ? stream->Position() : 0)
        , size_(size)
        , signatureRead_(signatureRead)
        , read_(signatureRead)
    {
    }

    bool Read(uint8_t* out, size_t count) override
    {
        size_t got = 0;
        if (stream_) {
            try { // no exception may cross libpng's frames
                got = stream_->Read(out, count);
            } catch (const std::exception&) {
            }
        } else if (count <= data_.size() - at_) {
            std::memcpy(out, data_.data() + at_, count);
            at_ += count;
            got = count;
        }
        read_ += int64_t(got);
        if (got >= 8) {
            std::memcpy(last8_, out + got - 8, 8);
        } else {
            std::memmove(last8_, last8_ + got, 8 - got);
            std::memcpy(last8_ + 8 - got, out, got);
        }
        return got == count;
    }

    int64_t Left() const override { return size_ - read_; }
    int SignatureRead() const { return signatureRead_; }
    int64_t Size() const { return size_; }

    // The length of the IDAT chunk libpng has read the length and type of
    // last, where it stops before the picture data; nothing otherwise.
    std::optional<uint32_t> IdatAtHand() const
    {
        if (std::memcmp(last8_ + 4, "IDAT", 4) != 0)
            return std::nullopt;
        return uint32_t(last8_[0]) << 24 | uint32_t(last8_[1]) << 16 | uint32_t(last8_[2]) << 8 | last8_[3];
    }

    // Back to where libpng first read.
    void Rewind()
    {
        if (stream_)
            stream_->SetPosition(start_);
        at_ = 0;
        read_ = signatureRead_;
        std::memset(last8_, 0, 8);
    }

private:
    std::span<const uint8_t> data_;
    size_t at_ = 0;
    Stream* stream_;
    int64_t start_;
    int64_t size_; // of the file, for the check of what its data can fill
    int signatureRead_; // bytes of the signature checked already
    int64_t read_; // of the file, the signature included
    uint8_t last8_[8] = {};
};

void ReadFromSource(png_structp png, png_bytep out, size_t count)
{
    if (!static_cast<Source*>(png_get_io_ptr(png))->Read(out, count))
        png_error(png, "cut short");
}

// libpng's errors jump back to Guarded, quietly; warnings are not errors.
[[noreturn]] void JumpBack(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) { }

class Reader {
public:
    Reader()
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, IgnoreWarning);
        if (png)
            info = png_create_info_struct(png);
        if (!png || !info) {
            png_destroy_read_struct(&png, &info, nullptr);
            throw EOutOfResources(kOutOfMemory);
        }
    }
    ~Reader() { png_destroy_read_struct(&png, &info, nullptr); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    png_structp png = nullptr;
    png_infop info = nullptr;
};

// Runs `step` with libpng's error jump landing here; the step owns nothing
// that needs a destructor (only libpng calls and plain data).
template <class Step> void Guarded(Reader& r, const char* invalid, Step step)
{
    if (setjmp(png_jmpbuf(r.png)))
        throw EInvalidGraphic(invalid);
    step();
}

enum class Output { Indexed, Grey, Rgb, Rgba };

// What the gAMA and cHRM chunks say, as a profile, as browsers read them:
// nothing to do for the gamma of 1/2.2 every screen is taken to have (within
// libpng's 5 %) over sRGB's primaries, or without a gAMA chunk at all.
std::vector<uint8_t> GammaChunksProfile(Reader& r)
{
    double gamma = 0;
    if (!png_get_gAMA(r.png, r.info, &gamma))
        return {};
    Chromaticities c;
    const bool primaries = png_get_cHRM(r.png, r.info, &c.white[0], &c.white[1], &c.red[0], &c.red[1], &c.green[0],
        &c.green[1], &c.blue[0], &c.blue[1]);
    constexpr Chromaticities kSrgb = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}, {0.3127, 0.3290}};
    auto near = [](const double a[2], const double b[2]) {
        return std::abs(a[0] - b[0]) < 0.001 && std::abs(a[1] - b[1]) < 0.001;
    };
    const bool srgbPrimaries = !primaries
        || (near(c.red, kSrgb.red) && near(c.green, kSrgb.green) && near(c.blue, kSrgb.blue)
            && near(c.white, kSrgb.white));
    if (srgbPrimaries && std::abs(gamma * 2.2 - 1) < 0.05)
        return {};
    return GammaProfile(gamma, primaries ? &c : nullptr);
}

// The header fields the decoding is planned from.
struct PngHeader {
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0;
    bool interlaced = false;
    bool transparent = false; // a tRNS chunk
};

PngHeader ReadHeader(Reader& r, Source& source, const char* invalid)
{
    PngHeader h;
    Guarded(r, invalid, [&] {
        png_set_read_fn(r.png, &source, ReadFromSource);
        png_set_sig_bytes(r.png, source.SignatureRead());
        // Compressed data read in pieces of 64 KB rather than 8.
        png_set_compression_buffer_size(r.png, 1 << 16);
        png_set_user_limits(r.png, kMaxImageSide, kMaxImageSide);
        png_set_keep_unknown_chunks(r.png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
        png_set_option(r.png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
        png_read_info(r.png, r.info);
        int interlace = 0;
        png_get_IHDR(r.png, r.info, &h.width, &h.height, &h.depth, &h.colorType, &interlace, nullptr, nullptr);
        h.interlaced = interlace != PNG_INTERLACE_NONE;
        h.transparent = png_get_valid(r.png, r.info, PNG_INFO_tRNS);
    });
    return h;
}

// The size against the pixel limit, and against what the compressed data can give.
void CheckHeader(const Reader& r, const PngHeader& h, int64_t fileSize, const char* invalid)
{
    CheckImageSize(h.width, h.height);
    const int channels = h.colorType == PNG_COLOR_TYPE_PALETTE ? 1 : png_get_channels(r.png, r.info);
    const int64_t packedRow = (int64_t(h.width) * channels * h.depth + 7) / 8 + 1;
    if (!DataCanFill(packedRow * h.height, fileSize * kMostBytesPerByte))
        throw EInvalidGraphic(invalid);
}

Output PlanOutput(const PngHeader& h, bool bgra)
{
    if (bgra || h.colorType & PNG_COLOR_MASK_ALPHA || h.transparent)
        return Output::Rgba;
    if (h.colorType == PNG_COLOR_TYPE_PALETTE)
        return Output::Indexed;
    return h.colorType == PNG_COLOR_TYPE_GRAY ? Output::Grey : Output::Rgb;
}

// libpng's transformations to the rows of `output`; the palette and the
// colour profile the file gives.
void SetTransforms(Reader& r, Output output, const char* invalid, Palette& palette, std::vector<uint8_t>& profile)
{
    Guarded(r, invalid, [&] {
        png_set_scale_16(r.png);
        png_set_packing(r.png);
        if (output == Output::Grey)
            png_set_expand_gray_1_2_4_to_8(r.png);
        if (output == Output::Rgba) {
            png_set_expand(r.png);
            png_set_gray_to_rgb(r.png);
            png_set_add_alpha(r.png, 0xFF, PNG_FILLER_AFTER);
        }
        png_set_bgr(r.png);
        png_set_interlace_handling(r.png);
        png_read_update_info(r.png, r.info);
        png_charp name;
        int compression;
        png_bytep data;
        png_uint_32 length;
        if (png_get_iCCP(r.png, r.info, &name, &compression, &data, &length))
            profile.assign(data, data + length);
        png_colorp colours;
        int count;
        if (output == Output::Indexed && png_get_PLTE(r.png, r.info, &colours, &count))
            for (int i = 0; i < count; ++i)
                palette.push_back({colours[i].red, colours[i].green, colours[i].blue, 0});
    });
    if (!png_get_valid(r.png, r.info, PNG_INFO_iCCP) && !png_get_valid(r.png, r.info, PNG_INFO_sRGB))
        profile = GammaChunksProfile(r);
}

// The image in the pixel format of `output`, with its palette.
void AllocateImage(const PngHeader& h, Output output, Palette palette, Bitmap& image, PixelFill fill)
{
    const PixelFormat formats[]
        = {PixelFormat::Indexed8, PixelFormat::Indexed8, PixelFormat::Rgb24, PixelFormat::Rgb32};
    image.Allocate(formats[int(output)], int(h.width), int(h.height), fill);
    if (output == Output::Indexed || output == Output::Grey)
        image.SetPalette(output == Output::Indexed ? std::move(palette) : GreyRamp(256));
    image.SetHasAlpha(output == Output::Rgba);
}

void DecodeRows(Reader& r, const PngHeader& h, Output output, Palette palette, Bitmap& image, const char* invalid)
{
    AllocateImage(h, output, std::move(palette), image, PixelFill::Zeroed);
    std::vector<png_bytep> rows(h.height);
    for (png_uint_32 y = 0; y < h.height; ++y)
        rows[y] = image.ScanLine(int(y));
    Guarded(r, invalid, [&] {
        png_read_image(r.png, rows.data());
        png_read_end(r.png, nullptr);
    });
}

// The samples a pixel has in the layouts whose picture data are read past
// libpng (8 bits, not interlaced, stored as the output wants them but for
// the order of red and blue, or without the alpha an icon adds); 0 for the
// others, which libpng's transformations serve.
int SamplesReadPastLibpng(const PngHeader& h, Output output)
{
    if (h.depth != 8 || h.interlaced)
        return 0;
    switch (h.colorType) {
    case PNG_COLOR_TYPE_PALETTE: return output == Output::Indexed ? 1 : 0;
    case PNG_COLOR_TYPE_GRAY: return output == Output::Grey ? 1 : 0;
    case PNG_COLOR_TYPE_RGB: return h.transparent ? 0 : 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 0;
    }
}

// False when the file must be read again from its start through libpng
// alone (its picture data run past the picture).
bool Decode(Source& source, Bitmap& image, const char* invalid, bool bgra, bool pastLibpng)
{
    Reader r;
    const PngHeader header = ReadHeader(r, source, invalid);
    CheckHeader(r, header, source.Size(), invalid);
    const Output output = PlanOutput(header, bgra);
    Palette palette;
    std::vector<uint8_t> profile;
    SetTransforms(r, output, invalid, palette, profile);
    const int samples = pastLibpng ? SamplesReadPastLibpng(header, output) : 0;
    const std::optional<uint32_t> firstLength = source.IdatAtHand();
    if (samples > 0 && firstLength) {
        // Within the limits CheckHeader has enforced: no overflow.
        const size_t rowBytes = size_t(header.width) * size_t(samples) + 1;
        const PixelBlock rows = InflatePngData(source, *firstLength, rowBytes * header.height, invalid);
        if (!rows)
            return false;
        AllocateImage(header, output, std::move(palette), image, PixelFill::Overwritten);
        UnfilterPngRows(rows.get(), samples, image, invalid);
    } else {
        DecodeRows(r, header, output, std::move(palette), image, invalid);
    }
    ConvertToSrgb(image, profile);
    return true;
}

void Decode(Source& source, Bitmap& image, const char* invalid, bool bgra)
{
    if (!Decode(source, image, invalid, bgra, true)) {
        source.Rewind();
        Decode(source, image, invalid, bgra, false);
    }
}

} // namespace

void DecodePng(std::span<const uint8_t> file, Bitmap& image, const char* invalid, bool bgra)
{
    if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0)
        throw EInvalidGraphic(invalid);
    Source source(file, nullptr, int64_t(file.size()), 0);
    Decode(source, image, invalid, bgra);
}

void TPNGGraphic::LoadFromStream(Stream& stream)
{
    uint8_t signature[8];
    if (stream.Read(signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0)
        throw EInvalidGraphic(kInvalid);
    Source source({}, &stream, stream.Remaining() + 8, 8);
    Decode(source, *this, kInvalid, false);
}

} // namespace pelmora
