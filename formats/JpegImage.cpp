#include "JpegImage.h"

#include "ColorProfile.h"
#include "Exception.h"
#include "ImageLimits.h"
#include "Orientation.h"
#include "ReadStop.h"
#include "Stream.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace pelmora {

namespace {

int gDisplayBits = 24;

// libjpeg reports errors through a callback that must not return; we jump
// back to the decoding function and throw from there, in C++ frames only.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (damaged or cut data) are not errors: libjpeg fills in and goes on.
void OutputMessage(j_common_ptr) { }

[[noreturn]] void ThrowJpegError(int code)
{
    throw EJPEG("JPEG error #" + std::to_string(code));
}

constexpr int64_t kMostPixelsPerByte = 64 * 8;

// A decompressor over the held bytes that is destroyed whatever happens.
class Decompressor {
public:
    explicit Decompressor(const std::vector<uint8_t>& data)
    {
        cinfo.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = ErrorExit;
        errors.base.output_message = OutputMessage;
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, data.data(), (unsigned long)data.size());
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    jpeg_decompress_struct cinfo;
    ErrorManager errors;
};

// Runs `step` with libjpeg's error callback jumping back here; the step must
// own nothing that needs a destructor (only libjpeg calls and plain data).
template <class Step> void Guarded(Decompressor& d, Step step)
{
    if (setjmp(d.errors.jump))
        ThrowJpegError(d.errors.base.msg_code);
    step();
}

// What libjpeg is asked to put out, by the file's colours and the display's depth.
enum class OutputKind { Colour, Grey, Quantised, Cmyk };

OutputKind ChooseOutput(jpeg_decompress_struct& ci)
{
    if (ci.jpeg_color_space == JCS_GRAYSCALE) {
        ci.out_color_space = JCS_GRAYSCALE;
        return OutputKind::Grey;
    }
    if (ci.jpeg_color_space == JCS_CMYK || ci.jpeg_color_space == JCS_YCCK) {
        ci.out_color_space = JCS_CMYK;
        return OutputKind::Cmyk;
    }
    if (gDisplayBits <= 8) {
        ci.out_color_space = JCS_RGB;
        ci.quantize_colors = TRUE;
        ci.desired_number_of_colors = 236;
        return OutputKind::Quantised;
    }
    ci.out_color_space = JCS_EXT_BGR;
    return OutputKind::Colour;
}

// Every 8 x 8 block costs a Huffman coder at least one bit, so a complete
// file holds a byte for each 512 pixels. libjpeg pads a file cut short with
// grey: without this a header of a few bytes would have it decode a
// quarter-gigapixel picture. (An arithmetic coder has no such floor.)
void CheckDataCanFill(const jpeg_decompress_struct& ci, size_t dataSize)
{
    if (!ci.arith_code && int64_t(ci.image_width) * ci.image_height > kMostPixelsPerByte * int64_t(dataSize))
        ThrowJpegError(JERR_INPUT_EOF);
}

// Adobe's CMYK JPEGs store the inks inverted: each channel is ink times black.
void ReadCmykRows(Decompressor& d, Bitmap& target)
{
    jpeg_decompress_struct& ci = d.cinfo;
    const int width = target.Width();
    std::vector<uint8_t> line(size_t(width) * 4);
    JSAMPROW row = line.data();
    for (int y = 0; y < target.Height(); ++y) {
        CheckReadStopped();
        Guarded(d, [&] { jpeg_read_scanlines(&ci, &row, 1); });
        uint8_t* out = target.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &line[size_t(x) * 4];
            out[x * 3] = uint8_t(p[2] * p[3] / 255);
            out[x * 3 + 1] = uint8_t(p[1] * p[3] / 255);
            out[x * 3 + 2] = uint8_t(p[0] * p[3] / 255);
        }
    }
}

// Rows go straight into the bitmap, several at a time where libjpeg can.
void ReadRows(Decompressor& d, Bitmap& target)
{
    jpeg_decompress_struct& ci = d.cinfo;
    std::vector<JSAMPROW> rows(static_cast<size_t>(target.Height()));
    for (int y = 0; y < target.Height(); ++y)
        rows[size_t(y)] = target.ScanLine(y);
    Guarded(d, [&] {
        while (ci.output_scanline < ci.output_height) {
            // A read no longer wanted stops between batches of rows.
            CheckReadStopped();
            jpeg_read_scanlines(&ci, rows.data() + ci.output_scanline, ci.output_height - ci.output_scanline);
        }
    });
}

// The colours libjpeg chose for a quantised picture.
Palette QuantisedPalette(const jpeg_decompress_struct& ci)
{
    Palette palette(size_t(ci.actual_number_of_colors));
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = {ci.colormap[0][i], ci.colormap[1][i], ci.colormap[2][i], 0};
    return palette;
}

// A compressor writing into a block libjpeg allocates, destroyed whatever happens.
class Compressor {
public:
    Compressor()
    {
        cinfo.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = ErrorExit;
        errors.base.output_message = OutputMessage;
        jpeg_create_compress(&cinfo);
        jpeg_mem_dest(&cinfo, &buffer, &size);
    }
    ~Compressor()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    jpeg_compress_struct cinfo;
    ErrorManager errors;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

// Compresses blue-green-red rows; the same rule as Guarded above for `step`.
void Compress(Compressor& c, const Bitmap& bgr, int quality)
{
    if (setjmp(c.errors.jump))
        ThrowJpegError(c.errors.base.msg_code);
    jpeg_compress_struct& cinfo = c.cinfo;
    cinfo.image_width = JDIMENSION(bgr.Width());
    cinfo.image_height = JDIMENSION(bgr.Height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bgr.ScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
}

} // namespace

void SaveJpegToStream(const Bitmap& bitmap, Stream& stream, int quality)
{
    if (bitmap.IsEmpty())
        throw Exception("Cannot write an empty picture");
    Bitmap converted;
    const Bitmap* bgr = &bitmap;
    if (StorageFormat(bitmap.GetPixelFormat()) != PixelFormat::Rgb24) {
        converted.Assign(bitmap);
        converted.SetPixelFormat(PixelFormat::Rgb24);
        bgr = &converted;
    }
    Compressor compressor;
    Compress(compressor, *bgr, quality);
    stream.WriteBuffer(compressor.buffer, compressor.size);
}

void SetDisplayBitsPerPixel(int bits)
{
    gDisplayBits = bits;
}

int DisplayBitsPerPixel()
{
    return gDisplayBits;
}

void TJPEGImage::SetWidth(int)
{
    throw EInvalidGraphic("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int)
{
    throw EInvalidGraphic("Cannot change the size of a JPEG image");
}

void TJPEGImage::CopyFrom(const TJPEGImage& other)
{
    data_ = other.data_;
    width_ = other.width_;
    height_ = other.height_;
    grayscale_ = other.grayscale_;
    orientation_ = other.orientation_;
    profile_ = other.profile_;
    SetDecodeSize(other.GetDecodeSize());
}

bool TJPEGImage::AssignTo(Graphic& target) const
{
    if (!target.Is(Bitmap::StaticClass()))
        return false;
    Decode(static_cast<Bitmap&>(target));
    return true;
}

void TJPEGImage::LoadFromStream(Stream& stream)
{
    int64_t size = stream.Remaining();
    if (size > (int64_t(1) << 31))
        ThrowJpegError(JERR_INPUT_EOF);
    std::vector<uint8_t> data(static_cast<size_t>(size));
    stream.ReadBuffer(data.data(), data.size());
    if (data.empty())
        ThrowJpegError(JERR_INPUT_EMPTY);
    Decompressor d(data);
    Guarded(d, [&] {
        jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
        jpeg_save_markers(&d.cinfo, JPEG_APP0 + 2, 0xFFFF);
        jpeg_read_header(&d.cinfo, TRUE);
    });
    // A camera's Exif block says how the picture is turned; the sizes given are the upright ones.
    orientation_ = 1;
    for (jpeg_saved_marker_ptr m = d.cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            orientation_ = ExifOrientation({m->data, m->data_length});
            break;
        }
    profile_.clear();
    JOCTET* profile = nullptr;
    unsigned int profileSize = 0;
    // A profile spread over markers that do not fit together is no profile.
    bool hasProfile = false;
    Guarded(d, [&] { hasProfile = jpeg_read_icc_profile(&d.cinfo, &profile, &profileSize); });
    if (hasProfile) {
        profile_.assign(profile, profile + profileSize);
        std::free(profile);
    }
    const bool turned = SwapsSides(orientation_);
    width_ = int(turned ? d.cinfo.image_height : d.cinfo.image_width);
    height_ = int(turned ? d.cinfo.image_width : d.cinfo.image_height);
    grayscale_ = d.cinfo.jpeg_color_space == JCS_GRAYSCALE;
    data_ = std::move(data);
}

void TJPEGImage::SaveToStream(Stream& stream) const
{
    stream.WriteBuffer(data_.data(), data_.size());
}

void TJPEGImage::Decode(Bitmap& target) const
{
    if (data_.empty()) {
        target.Release();
        return;
    }
    Decompressor d(data_);
    jpeg_decompress_struct& ci = d.cinfo;
    Guarded(d, [&] { jpeg_read_header(&ci, TRUE); });
    CheckImageSize(ci.image_width, ci.image_height);
    CheckDataCanFill(ci, data_.size());

    const OutputKind kind = ChooseOutput(ci);
    ci.do_block_smoothing = TRUE;
    // The DCT scales by eighths; a reduced picture costs a fraction of the work.
    ci.scale_num = 1;
    DecodeSize wanted = GetDecodeSize();
    if (SwapsSides(orientation_))
        wanted = {wanted.height, wanted.width};
    ci.scale_denom = unsigned(LargestReduction(int(ci.image_width), int(ci.image_height), wanted, {2, 4, 8}));
    Guarded(d, [&] { jpeg_start_decompress(&ci); });

    const bool threeBytes = kind == OutputKind::Colour || kind == OutputKind::Cmyk;
    // libjpeg writes every row (a file cut short is padded), so a reused block need not be cleared.
    target.Allocate(threeBytes ? PixelFormat::Rgb24 : PixelFormat::Indexed8, int(ci.output_width),
        int(ci.output_height), PixelFill::Overwritten);
    if (kind == OutputKind::Grey)
        target.SetPalette(GreyRamp(256));
    target.SetFullSize(int(ci.image_width), int(ci.image_height));
    if (kind == OutputKind::Cmyk)
        ReadCmykRows(d, target);
    else
        ReadRows(d, target);
    if (kind == OutputKind::Quantised)
        target.SetPalette(QuantisedPalette(ci));
    Guarded(d, [&] { jpeg_finish_decompress(&ci); });
    ApplyOrientation(target, orientation_);
    ConvertToSrgb(target, profile_);
}

} // namespace pelmora
