#include "JXLGraphic.h"

#include "formats/ColorConverters.h"
#include "formats/ColorProfile.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"

#include <jxl/decode.h>

#include <memory>
#include <vector>

namespace pelmora {

namespace {

const char* const kInvalid = "Invalid JPEG XL file.";

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(kInvalid);
}

struct DecoderDeleter {
    void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};

JxlColorEncoding Srgb()
{
    JxlColorEncoding c {};
    c.color_space = JXL_COLOR_SPACE_RGB;
    c.white_point = JXL_WHITE_POINT_D65;
    c.primaries = JXL_PRIMARIES_SRGB;
    c.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    c.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
    return c;
}

// The ICC profile of the decoded pixels, or nothing when they are in sRGB already.
std::vector<uint8_t> DataProfile(JxlDecoder* decoder)
{
    JxlColorEncoding encoding;
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding)
            == JXL_DEC_SUCCESS
        && encoding.color_space == JXL_COLOR_SPACE_RGB && encoding.white_point == JXL_WHITE_POINT_D65
        && encoding.primaries == JXL_PRIMARIES_SRGB && encoding.transfer_function == JXL_TRANSFER_FUNCTION_SRGB)
        return {};
    size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) != JXL_DEC_SUCCESS)
        return {};
    std::vector<uint8_t> profile(size);
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, profile.data(), size)
        != JXL_DEC_SUCCESS)
        return {};
    return profile;
}

} // namespace

void TJXLGraphic::LoadFromStream(Stream& stream)
{
    std::vector<uint8_t> buffer;
    std::span<const uint8_t> file = RestOfStream(stream, buffer, kInvalid);
    const JxlSignature signature = JxlSignatureCheck(file.data(), file.size());
    if (signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER)
        Invalid();
    std::unique_ptr<JxlDecoder, DecoderDeleter> owner(JxlDecoderCreate(nullptr));
    JxlDecoder* decoder = owner.get();
    if (!decoder
        || JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE)
            != JXL_DEC_SUCCESS
        || JxlDecoderSetInput(decoder, file.data(), file.size()) != JXL_DEC_SUCCESS)
        Invalid();
    JxlDecoderCloseInput(decoder);

    JxlBasicInfo info {};
    JxlPixelFormat format {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
    std::vector<uint8_t> profile;
    for (;;) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS)
                Invalid();
            CheckImageSize(info.xsize, info.ysize);
            format.num_channels = info.alpha_bits ? 4 : 3;
            break;
        }
        case JXL_DEC_COLOR_ENCODING:
            // Pixels coded in the format's own space come out in sRGB when asked.
            if (!info.uses_original_profile) {
                JxlColorEncoding srgb = Srgb();
                JxlDecoderSetPreferredColorProfile(decoder, &srgb);
            }
            profile = DataProfile(decoder);
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
            const int width = int(turned ? info.ysize : info.xsize), height = int(turned ? info.xsize : info.ysize);
            const bool alpha = format.num_channels == 4;
            Allocate(alpha ? PixelFormat::Rgb32 : PixelFormat::Rgb24, width, height);
            SetHasAlpha(alpha);
            size_t needed = 0;
            const size_t have = size_t(BytesPerLine()) * size_t(Height());
            if (JxlDecoderImageOutBufferSize(decoder, &format, &needed) != JXL_DEC_SUCCESS || needed > have
                || JxlDecoderSetImageOutBuffer(decoder, &format, Bits(), have) != JXL_DEC_SUCCESS)
                Invalid();
            break;
        }
        case JXL_DEC_FULL_IMAGE: {
            // The first frame is the picture; later ones (an animation) are not read.
            // libjxl writes red first; the rows are swapped where they lie.
            const ColorConverter convert = format.num_channels == 4 ? RGBAToBGRA : RGBToBGR;
            for (int y = 0; y < Height(); ++y) {
                const void* row = ScanLine(y);
                convert(&row, ScanLine(y), 8, size_t(Width()) * format.num_channels);
            }
            ConvertToSrgb(*this, profile);
            return;
        }
        default: Invalid(); // an error, or input that ends before the picture does
        }
    }
}

} // namespace pelmora
