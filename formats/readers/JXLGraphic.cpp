#include "JXLGraphic.h"

#include "formats/ColorConverters.h"
#include "formats/ColorProfile.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"

#include <jxl/decode.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace pelmora {

namespace {

// Every failure, the library's included: the file is refused whole.
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

// A file's frames one after another, each the whole canvas (libjxl composes
// them), upright, in blue-green-red order, colours still as the file has them.
class FrameDecoder {
public:
    explicit FrameDecoder(std::span<const uint8_t> file)
    {
        const JxlSignature signature = JxlSignatureCheck(file.data(), file.size());
        if ((signature != JXL_SIG_CODESTREAM && signature != JXL_SIG_CONTAINER) || !decoder_
            || JxlDecoderSubscribeEvents(
                   decoder_.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FRAME | JXL_DEC_FULL_IMAGE)
                != JXL_DEC_SUCCESS
            || JxlDecoderSetInput(decoder_.get(), file.data(), file.size()) != JXL_DEC_SUCCESS)
            Invalid();
        JxlDecoderCloseInput(decoder_.get());
    }

    // The next frame and the milliseconds it shows; false after the last.
    bool Next(Bitmap& frame, int& durationMs)
    {
        for (;;) {
            switch (JxlDecoderProcessInput(decoder_.get())) {
            case JXL_DEC_BASIC_INFO: ReadBasicInfo(); break;
            case JXL_DEC_COLOR_ENCODING: ChooseColours(); break;
            case JXL_DEC_FRAME: durationMs = FrameDuration(); break;
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: GiveBuffer(frame); break;
            case JXL_DEC_FULL_IMAGE: SwapRedAndBlue(frame); return true;
            case JXL_DEC_SUCCESS: return false;
            default: Invalid(); // an error, or input that ends before the picture does
            }
        }
    }

    // The next frame is passed over (libjxl still decodes what later frames need of it).
    void SkipFrame() { JxlDecoderSkipFrames(decoder_.get(), 1); }

    // True when another frame follows the one read last (its header only is read).
    bool MoreFrames() { return JxlDecoderProcessInput(decoder_.get()) == JXL_DEC_FRAME; }

    const JxlBasicInfo& Info() const { return info_; }
    const std::vector<uint8_t>& Profile() const { return profile_; }

private:
    void ReadBasicInfo()
    {
        if (JxlDecoderGetBasicInfo(decoder_.get(), &info_) != JXL_DEC_SUCCESS)
            Invalid();
        CheckImageSize(info_.xsize, info_.ysize);
        format_.num_channels = info_.alpha_bits ? 4 : 3;
    }

    void ChooseColours()
    {
        // Pixels coded in the format's own space come out in sRGB when asked.
        if (!info_.uses_original_profile) {
            JxlColorEncoding srgb = Srgb();
            JxlDecoderSetPreferredColorProfile(decoder_.get(), &srgb);
        }
        profile_ = DataProfile(decoder_.get());
    }

    int FrameDuration()
    {
        JxlFrameHeader header;
        if (JxlDecoderGetFrameHeader(decoder_.get(), &header) != JXL_DEC_SUCCESS)
            Invalid();
        const JxlAnimationHeader& a = info_.animation;
        // Ticks of any length: in floating point, which cannot overflow.
        const double ms
            = a.tps_numerator == 0 ? 0 : double(header.duration) * 1000 * a.tps_denominator / a.tps_numerator;
        return int(std::min(ms, double(INT32_MAX)));
    }

    // The frame's rows, upright, as the decoder's output.
    void GiveBuffer(Bitmap& frame)
    {
        const bool turned = info_.orientation >= JXL_ORIENT_TRANSPOSE;
        const int width = int(turned ? info_.ysize : info_.xsize);
        const int height = int(turned ? info_.xsize : info_.ysize);
        const bool alpha = format_.num_channels == 4;
        frame.Allocate(alpha ? PixelFormat::Rgb32 : PixelFormat::Rgb24, width, height, PixelFill::Overwritten);
        frame.SetHasAlpha(alpha);
        size_t needed = 0;
        const size_t have = size_t(frame.BytesPerLine()) * size_t(frame.Height());
        if (JxlDecoderImageOutBufferSize(decoder_.get(), &format_, &needed) != JXL_DEC_SUCCESS || needed > have
            || JxlDecoderSetImageOutBuffer(decoder_.get(), &format_, frame.Bits(), have) != JXL_DEC_SUCCESS)
            Invalid();
    }

    // libjxl writes red first; the rows are swapped where they lie.
    void SwapRedAndBlue(Bitmap& frame) const
    {
        const ColorConverter convert = format_.num_channels == 4 ? RGBAToBGRA : RGBToBGR;
        for (int y = 0; y < frame.Height(); ++y) {
            const void* row = frame.ScanLine(y);
            convert(&row, frame.ScanLine(y), 8, size_t(frame.Width()) * format_.num_channels);
        }
    }

    std::unique_ptr<JxlDecoder, DecoderDeleter> decoder_ {JxlDecoderCreate(nullptr)};
    JxlBasicInfo info_ {};
    JxlPixelFormat format_ {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
    std::vector<uint8_t> profile_;
};

// The frames of an animation. The first is the graphic's own, read and
// converted when it was opened: each round hands out a copy of it and has
// the decoder pass it over.
class JXLFrames : public FrameSequence {
public:
    JXLFrames(SharedFile file, const Bitmap& first, int firstDelayMs)
        : file_(std::move(file))
        , firstDelayMs_(firstDelayMs)
    {
        first_.CopyFrom(first);
    }

    bool Next(Bitmap& frame, int& delayMs) override
    {
        try {
            if (!decoder_) {
                decoder_ = std::make_unique<FrameDecoder>(*file_);
                decoder_->SkipFrame();
                frame.CopyFrom(first_);
                delayMs = firstDelayMs_;
                return true;
            }
            if (!decoder_->Next(frame, delayMs)) {
                decoder_.reset(); // the next call starts over
                return false;
            }
        } catch (const Exception&) { // a damaged frame ends the sequence
            decoder_.reset();
            return false;
        }
        if (!srgb_) {
            profile_ = decoder_->Profile();
            srgb_ = std::make_unique<SrgbConversion>(profile_);
        }
        srgb_->Apply(frame);
        return true;
    }

private:
    SharedFile file_;
    Bitmap first_;
    int firstDelayMs_;
    std::unique_ptr<FrameDecoder> decoder_;
    std::vector<uint8_t> profile_; // the same for every frame: looked up once
    std::unique_ptr<SrgbConversion> srgb_;
};

} // namespace

void TJXLGraphic::LoadFromStream(Stream& stream)
{
    std::vector<uint8_t> buffer;
    std::span<const uint8_t> file = RestOfStream(stream, buffer, kInvalid);
    animation_.reset();
    FrameDecoder decoder(file);
    if (!decoder.Next(*this, firstDelayMs_))
        Invalid();
    ConvertToSrgb(*this, decoder.Profile());
    if (decoder.Info().have_animation && decoder.MoreFrames())
        animation_ = std::make_shared<const std::vector<uint8_t>>(file.begin(), file.end());
}

void TJXLGraphic::CopyFrom(const TJXLGraphic& other)
{
    Bitmap::CopyFrom(other);
    animation_ = other.animation_;
    firstDelayMs_ = other.firstDelayMs_;
}

std::unique_ptr<FrameSequence> TJXLGraphic::Frames() const
{
    if (!animation_)
        return nullptr;
    return std::make_unique<JXLFrames>(animation_, *this, firstDelayMs_);
}

} // namespace pelmora
