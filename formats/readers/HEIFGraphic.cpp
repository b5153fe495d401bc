#include "HEIFGraphic.h"

#include "HEIFAV1Decoder.h"
#include "formats/ColorConverters.h"
#include "formats/ColorProfile.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace pelmora {

namespace {

const char* const kInvalidHeif = "Invalid HEIF file.";
const char* const kInvalidAvif = "Invalid AVIF file.";
const char* const kOutOfMemory = "Out of memory while reading a HEIF file";

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct NclxDeleter {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};
using Image = std::unique_ptr<heif_image, ImageDeleter>;

// The file type box names the brand: an AVIF file's failures say AVIF.
bool BrandedAvif(std::span<const uint8_t> file)
{
    return file.size() >= 12
        && (std::memcmp(file.data() + 8, "avif", 4) == 0 || std::memcmp(file.data() + 8, "avis", 4) == 0);
}

// The parsed file and its primary picture, its size checked.
struct Primary {
    std::unique_ptr<heif_context, ContextDeleter> context;
    std::unique_ptr<heif_image_handle, HandleDeleter> handle;
    const char* invalid = kInvalidHeif;

    void Check(heif_error e) const
    {
        if (e.code != heif_error_Ok)
            throw EInvalidGraphic(invalid);
    }
};

Primary OpenPrimary(std::span<const uint8_t> file)
{
    Primary p;
    p.invalid = BrandedAvif(file) ? kInvalidAvif : kInvalidHeif;
    p.context.reset(heif_context_alloc());
    if (!p.context)
        throw EOutOfResources(kOutOfMemory);
    // libheif sizes some canvases (overlays, grids) from fields of their own
    // before we see them: its side limit keeps those within the pixel limit.
    const auto side = int64_t(std::sqrt(double(PixelLimit())));
    heif_context_set_maximum_image_size_limit(p.context.get(), int(std::min(side, kMaxImageSide)));
    p.Check(heif_context_read_from_memory_without_copy(p.context.get(), file.data(), file.size(), nullptr));
    heif_image_handle* handle = nullptr;
    p.Check(heif_context_get_primary_image_handle(p.context.get(), &handle));
    p.handle.reset(handle);
    // The handle's size is the picture's after its turns and mirrors.
    CheckImageSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
    return p;
}

std::vector<uint8_t> EmbeddedProfile(const heif_image_handle* handle)
{
    std::vector<uint8_t> profile;
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        profile.resize(heif_image_handle_get_raw_color_profile_size(handle));
        if (heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok)
            profile.clear();
    }
    return profile;
}

Image Decode(const Primary& p, heif_colorspace space, heif_chroma chroma)
{
    std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    heif_image* decoded = nullptr;
    p.Check(heif_decode_image(p.handle.get(), &decoded, space, chroma, options.get()));
    return Image(decoded);
}

// The file's colour box (nclx), when it has one.
std::optional<AV1Colour> ColourBox(const heif_image_handle* handle)
{
    heif_color_profile_nclx* found = nullptr;
    const heif_error e = heif_image_handle_get_nclx_color_profile(handle, &found);
    std::unique_ptr<heif_color_profile_nclx, NclxDeleter> nclx(found); // given even with some errors
    if (e.code != heif_error_Ok || !nclx)
        return std::nullopt;
    return AV1Colour {nclx->matrix_coefficients, nclx->full_range_flag != 0};
}

const uint8_t* EightBitPlane(heif_image* image, heif_channel channel, int width, int height, int& stride)
{
    if (heif_image_get_bits_per_pixel_range(image, channel) != 8 || heif_image_get_width(image, channel) != width
        || heif_image_get_height(image, channel) != height)
        return nullptr;
    const uint8_t* rows = heif_image_get_plane_readonly(image, channel, &stride);
    return rows && stride >= width ? rows : nullptr;
}

// A fresh picture of `width` x `height`, each row written by `fill(y, row)`.
template <class Fill> void FillRows(Bitmap& bitmap, int width, int height, bool alpha, Fill fill)
{
    CheckImageSize(width, height);
    bitmap.Allocate(alpha ? PixelFormat::Rgb32 : PixelFormat::Rgb24, width, height, PixelFill::Overwritten);
    for (int y = 0; y < height; ++y)
        fill(y, bitmap.ScanLine(y));
    bitmap.SetHasAlpha(alpha);
}

// An AVIF picture of 8 bits, turned into RGB planes by the AV1 decoder and
// interleaved into the rows here; false when libheif gives something else
// (a grey picture).
bool DecodeThroughPlanes(const Primary& primary, bool alpha, Bitmap& bitmap)
{
    Image image;
    {
        // The tiles of a grid on this thread, where the request to the decoder lives.
        heif_context_set_max_decoding_threads(primary.context.get(), 0);
        AV1ToRgb toRgb(ColourBox(primary.handle.get()));
        image = Decode(primary, heif_colorspace_undefined, heif_chroma_undefined);
    }
    heif_image* decoded = image.get();
    if (heif_image_get_colorspace(decoded) != heif_colorspace_RGB
        || heif_image_get_chroma_format(decoded) != heif_chroma_444)
        return false;
    const int width = heif_image_get_width(decoded, heif_channel_R);
    const int height = heif_image_get_height(decoded, heif_channel_R);
    const heif_channel channels[4] = {heif_channel_R, heif_channel_G, heif_channel_B, heif_channel_Alpha};
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int c = 0; c < (alpha ? 4 : 3); ++c)
        if (!(planes[c] = EightBitPlane(decoded, channels[c], width, height, strides[c])))
            return false;
    const ColorConverter interleave = alpha ? RGBAToBGRAPlanar : RGBToBGRPlanar;
    FillRows(bitmap, width, height, alpha, [&](int y, uint8_t* row) {
        const void* rows[4];
        for (int c = 0; c < 4; ++c)
            rows[c] = planes[c] + ptrdiff_t(y) * strides[c];
        interleave(rows, row, 8, size_t(width) * (alpha ? 4 : 3));
    });
    return true;
}

// Any picture through libheif's conversion to interleaved RGB(A).
void DecodeAsRgb(const Primary& primary, bool alpha, Bitmap& bitmap)
{
    Image image
        = Decode(primary, heif_colorspace_RGB, alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* rows = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int bytes = alpha ? 4 : 3;
    if (!rows || width <= 0 || height <= 0 || stride < width * bytes)
        throw EInvalidGraphic(primary.invalid);
    const ColorConverter convert = alpha ? RGBAToBGRA : RGBToBGR;
    FillRows(bitmap, width, height, alpha, [&](int y, uint8_t* row) {
        const void* from = rows + ptrdiff_t(y) * stride;
        convert(&from, row, 8, size_t(width) * bytes);
    });
}

} // namespace

// AVIF pictures of 8 bits through the AV1 decoder's conversion; HEVC
// pictures, more bits, premultiplied alpha and grey through libheif's.
void THEIFGraphic::LoadFromStream(Stream& stream)
{
    std::vector<uint8_t> buffer;
    std::span<const uint8_t> file = RestOfStream(stream, buffer, kInvalidHeif);
    UseSingleThreadAV1Decoder();
    const Primary primary = OpenPrimary(file);
    const heif_image_handle* handle = primary.handle.get();
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    const std::vector<uint8_t> profile = EmbeddedProfile(handle);
    const bool ours = primary.invalid == kInvalidAvif && heif_image_handle_get_luma_bits_per_pixel(handle) == 8
        && heif_image_handle_get_chroma_bits_per_pixel(handle) == 8
        && !(alpha && heif_image_handle_is_premultiplied_alpha(handle));
    if (!ours || !DecodeThroughPlanes(primary, alpha, *this))
        DecodeAsRgb(primary, alpha, *this);
    ConvertToSrgb(*this, profile);
}

} // namespace pelmora
