#include "WebPGraphic.h"

#include "formats/ColorProfile.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

namespace pelmora {

namespace {

const char* const kInvalid = "Invalid WebP file.";

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(kInvalid);
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};
using AnimDecoder = std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter>;

// An animation decoder over `file` once its canvas has passed the pixel
// limit: libwebp allocates two canvases as it starts.
AnimDecoder OpenAnimation(std::span<const uint8_t> file, WebPDemuxer* demux)
{
    CheckImageSize(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH), WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT));
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        Invalid();
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    WebPData data {file.data(), file.size()};
    AnimDecoder decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder)
        Invalid();
    return decoder;
}

// The canvas libwebp composed, as an Rgb32 bitmap with alpha.
void CopyCanvas(const uint8_t* canvas, int width, int height, Bitmap& frame)
{
    frame.Allocate(PixelFormat::Rgb32, width, height);
    frame.SetHasAlpha(true);
    for (int y = 0; y < height; ++y)
        std::memcpy(frame.ScanLine(y), canvas + size_t(y) * size_t(width) * 4, size_t(width) * 4);
}

// The file's ICC profile, when it has one.
std::span<const uint8_t> IccProfile(WebPDemuxer* demux)
{
    WebPChunkIterator chunk;
    if (!(WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) || !WebPDemuxGetChunk(demux, "ICCP", 1, &chunk))
        return {};
    std::span<const uint8_t> profile(chunk.chunk.bytes, chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return profile;
}

class WebPFrames : public FrameSequence {
public:
    explicit WebPFrames(SharedFile file)
        : file_(std::move(file))
    {
        std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data_));
        if (!demux)
            Invalid();
        decoder_ = OpenAnimation(*file_, demux.get());
        profile_ = IccProfile(demux.get()); // it points into the file, which the frames keep
        WebPAnimInfo info;
        WebPAnimDecoderGetInfo(decoder_.get(), &info);
        width_ = int(info.canvas_width);
        height_ = int(info.canvas_height);
    }

    bool Next(Bitmap& frame, int& delayMs) override
    {
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderHasMoreFrames(decoder_.get()) || !WebPAnimDecoderGetNext(decoder_.get(), &canvas, &timestamp)) {
            WebPAnimDecoderReset(decoder_.get());
            lastTimestamp_ = 0;
            return false;
        }
        CopyCanvas(canvas, width_, height_, frame);
        ConvertToSrgb(frame, profile_);
        delayMs = timestamp - lastTimestamp_;
        lastTimestamp_ = timestamp;
        return true;
    }

private:
    SharedFile file_;
    WebPData data_ {file_->data(), file_->size()};
    AnimDecoder decoder_;
    std::span<const uint8_t> profile_;
    int width_ = 0, height_ = 0;
    int lastTimestamp_ = 0;
};

} // namespace

void TWebPGraphic::LoadFromStream(Stream& stream)
{
    std::vector<uint8_t> buffer;
    std::span<const uint8_t> file = RestOfStream(stream, buffer, kInvalid);
    animation_.reset();
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(file.data(), file.size(), &features) != VP8_STATUS_OK)
        Invalid();
    WebPData data {file.data(), file.size()};
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data));
    if (!demux)
        Invalid();
    std::span<const uint8_t> profile = IccProfile(demux.get());

    if (features.has_animation) {
        AnimDecoder decoder = OpenAnimation(file, demux.get());
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
            Invalid();
        CopyCanvas(canvas, int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH)),
            int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT)), *this);
        if (WebPDemuxGetI(demux.get(), WEBP_FF_FRAME_COUNT) > 1)
            animation_ = std::make_shared<const std::vector<uint8_t>>(file.begin(), file.end());
    } else {
        CheckImageSize(features.width, features.height);
        Allocate(features.has_alpha ? PixelFormat::Rgb32 : PixelFormat::Rgb24, features.width, features.height);
        SetHasAlpha(features.has_alpha);
        WebPDecoderConfig config;
        if (!WebPInitDecoderConfig(&config))
            Invalid();
        config.output.colorspace = features.has_alpha ? MODE_BGRA : MODE_BGR;
        config.options.use_threads = 1; // filtering beside decoding: a photo opens sooner
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = Bits();
        config.output.u.RGBA.stride = int(BytesPerLine());
        config.output.u.RGBA.size = size_t(BytesPerLine()) * size_t(Height());
        VP8StatusCode status = WebPDecode(file.data(), file.size(), &config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK)
            Invalid();
    }
    ConvertToSrgb(*this, profile);
}

void TWebPGraphic::CopyFrom(const TWebPGraphic& other)
{
    Bitmap::CopyFrom(other);
    animation_ = other.animation_;
}

std::unique_ptr<FrameSequence> TWebPGraphic::Frames() const
{
    if (!animation_)
        return nullptr;
    return std::make_unique<WebPFrames>(animation_);
}

} // namespace pelmora
