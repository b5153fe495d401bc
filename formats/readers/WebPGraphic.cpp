#include "WebPGraphic.h"

#include "formats/ColorProfile.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <mutex>

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

// An animation decoder over `file`, whose canvas has passed the pixel limit
// (libwebp allocates two canvases as it starts).
AnimDecoder OpenAnimation(std::span<const uint8_t> file)
{
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

// The file's ICC profile, when it has one; it points into the file.
std::span<const uint8_t> IccProfile(const WebPDemuxer* demux)
{
    WebPChunkIterator chunk;
    if (!(WebPDemuxGetI(demux, WEBP_FF_FORMAT_FLAGS) & ICCP_FLAG) || !WebPDemuxGetChunk(demux, "ICCP", 1, &chunk))
        return {};
    std::span<const uint8_t> profile(chunk.chunk.bytes, chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return profile;
}

} // namespace

// An animated file and, until a sequence takes it, the decoder that read
// its first frame: playing goes on from there instead of decoding it again.
struct TWebPGraphic::Animation {
    SharedFile file;
    std::mutex mutex;
    AnimDecoder decoder;
    int firstTimestamp = 0;
};

namespace {

class WebPFrames : public FrameSequence {
public:
    // Plays from the start of the file; or, given a decoder that has read the
    // first frame and that frame's pixels, from there on.
    WebPFrames(SharedFile file, AnimDecoder decoder, Bitmap first, int firstTimestamp)
        : file_(std::move(file))
        , decoder_(decoder ? std::move(decoder) : OpenAnimation(*file_))
        , profile_(IccProfile(WebPAnimDecoderGetDemuxer(decoder_.get())))
        , first_(std::move(first))
        , firstTimestamp_(firstTimestamp)
    {
        WebPAnimInfo info;
        WebPAnimDecoderGetInfo(decoder_.get(), &info);
        width_ = int(info.canvas_width);
        height_ = int(info.canvas_height);
    }

    bool Next(Bitmap& frame, int& delayMs) override
    {
        if (!first_.IsEmpty()) {
            frame = std::move(first_);
            first_ = Bitmap();
            delayMs = lastTimestamp_ = firstTimestamp_;
            return true;
        }
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderHasMoreFrames(decoder_.get())
            || !WebPAnimDecoderGetNext(decoder_.get(), &canvas, &timestamp)) {
            WebPAnimDecoderReset(decoder_.get());
            lastTimestamp_ = 0;
            return false;
        }
        CopyCanvas(canvas, width_, height_, frame);
        srgb_.Apply(frame);
        delayMs = timestamp - lastTimestamp_;
        lastTimestamp_ = timestamp;
        return true;
    }

private:
    SharedFile file_;
    AnimDecoder decoder_;
    std::span<const uint8_t> profile_;
    SrgbConversion srgb_ {profile_};
    Bitmap first_; // the first frame, when the decoder has read it already
    int firstTimestamp_ = 0;
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
    // An animation's features give its canvas.
    CheckImageSize(features.width, features.height);

    if (features.has_animation) {
        auto animation = std::make_shared<Animation>();
        animation->file = std::make_shared<const std::vector<uint8_t>>(file.begin(), file.end());
        AnimDecoder decoder = OpenAnimation(*animation->file);
        const WebPDemuxer* demux = WebPAnimDecoderGetDemuxer(decoder.get());
        uint8_t* canvas = nullptr;
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &animation->firstTimestamp))
            Invalid();
        CopyCanvas(canvas, int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_WIDTH)),
            int(WebPDemuxGetI(demux, WEBP_FF_CANVAS_HEIGHT)), *this);
        ConvertToSrgb(*this, IccProfile(demux));
        if (WebPDemuxGetI(demux, WEBP_FF_FRAME_COUNT) > 1) {
            animation->decoder = std::move(decoder);
            animation_ = std::move(animation);
        }
        return;
    }
    WebPData data {file.data(), file.size()};
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data));
    if (!demux)
        Invalid();
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
    ConvertToSrgb(*this, IccProfile(demux.get()));
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
    AnimDecoder decoder;
    {
        std::lock_guard<std::mutex> lock(animation_->mutex);
        decoder = std::move(animation_->decoder);
    }
    Bitmap first;
    if (decoder)
        first.Assign(*this);
    return std::make_unique<WebPFrames>(
        animation_->file, std::move(decoder), std::move(first), animation_->firstTimestamp);
}

} // namespace pelmora
