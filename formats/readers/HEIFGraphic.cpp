#include "HEIFGraphic.h"

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
#include <vector>

namespace pelmora {

namespace {

const char* const kInvalidHeif = "Invalid HEIF file.";
const char* const kInvalidAvif = "Invalid AVIF file.";

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

// The file type box names the brand: an AVIF file's failures say AVIF.
const char* InvalidMessage(std::span<const uint8_t> file)
{
    if (file.size() >= 12 && (std::memcmp(file.data() + 8, "avif", 4) == 0 || std::memcmp(file.data() + 8, "avis", 4) == 0))
        return kInvalidAvif;
    return kInvalidHeif;
}

} // namespace

void THEIFGraphic::LoadFromStream(Stream& stream)
{
    std::vector<uint8_t> buffer;
    std::span<const uint8_t> file = RestOfStream(stream, buffer, kInvalidHeif);
    const char* invalid = InvalidMessage(file);
    auto check = [invalid](heif_error e) {
        if (e.code != heif_error_Ok)
            throw EInvalidGraphic(invalid);
    };

    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context)
        throw EOutOfResources("Out of memory while reading a HEIF file");
    // libheif sizes some canvases (overlays, grids) from fields of their own
    // before we see them: its side limit keeps those within the pixel limit.
    const auto side = int64_t(std::sqrt(double(PixelLimit())));
    heif_context_set_maximum_image_size_limit(context.get(), int(std::min(side, kMaxImageSide)));
    check(heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr));
    heif_image_handle* primary = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &primary));
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(primary);
    // The handle's size is the picture's after its turns and mirrors.
    CheckImageSize(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
    const bool alpha = heif_image_handle_has_alpha_channel(primary);

    std::vector<uint8_t> profile;
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(primary);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        profile.resize(heif_image_handle_get_raw_color_profile_size(primary));
        if (heif_image_handle_get_raw_color_profile(primary, profile.data()).code != heif_error_Ok)
            profile.clear();
    }

    std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    heif_image* decoded = nullptr;
    check(heif_decode_image(primary, &decoded, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
    std::unique_ptr<heif_image, ImageDeleter> image(decoded);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    int sourceStride = 0;
    const uint8_t* rows = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &sourceStride);
    const int bytes = alpha ? 4 : 3;
    if (!rows || width <= 0 || height <= 0 || sourceStride < width * bytes)
        throw EInvalidGraphic(invalid);
    CheckImageSize(width, height);

    Allocate(alpha ? PixelFormat::Rgb32 : PixelFormat::Rgb24, width, height);
    SetHasAlpha(alpha);
    const ColorConverter convert = alpha ? RGBAToBGRA : RGBToBGR;
    for (int y = 0; y < height; ++y) {
        const void* from = rows + ptrdiff_t(y) * sourceStride;
        convert(&from, ScanLine(y), 8, size_t(width) * bytes);
    }
    ConvertToSrgb(*this, profile);
}

} // namespace pelmora
