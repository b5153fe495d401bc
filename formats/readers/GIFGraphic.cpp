#include "GIFGraphic.h"

#include "GIFBlocks.h"
#include "GIFFrames.h"

#include "formats/ByteCursor.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/codecs/LZW.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace pelmora {

using namespace gif;


void TGIFGraphic::LoadFromStream(Stream& stream)
{
    const int64_t start = stream.Position();
    animation_.reset();
    ReadFirstImage(stream);
    if (HasAnotherImage(stream)) {
        std::vector<uint8_t> file;
        stream.SetPosition(start);
        std::span<const uint8_t> bytes = RestOfStream(stream, file, kNotGif);
        animation_ = std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
    }
}

void TGIFGraphic::CopyFrom(const TGIFGraphic& other)
{
    Bitmap::CopyFrom(other);
    animation_ = other.animation_;
}

std::unique_ptr<FrameSequence> TGIFGraphic::Frames() const
{
    if (!animation_)
        return nullptr;
    return std::make_unique<GIFFrames>(animation_);
}

void TGIFGraphic::ReadFirstImage(Stream& stream)
{
    Release();
    SetPixelFormat(PixelFormat::Indexed8);

    uint8_t signature[6];
    stream.ReadBuffer(signature, sizeof signature);
    if (!HasSignature(signature))
        throw Exception(kNotGif);
    uint8_t screenBytes[7];
    stream.ReadBuffer(screenBytes, sizeof screenBytes);
    ByteCursor screen(screenBytes);
    int screenWidth = screen.U16LE();
    int screenHeight = screen.U16LE();
    uint8_t screenFlags = screen.U8();

    // Without any colour table the indices are shown as greys.
    Palette palette = GreyRamp();
    if (screenFlags & kHasColorTable)
        palette = ReadColorTable(stream, screenFlags);

    // Blocks up to the first image; stray bytes between blocks are skipped.
    for (;;) {
        uint8_t introducer;
        if (stream.Read(&introducer, 1) != 1 || introducer == kTrailer) {
            SetPalette(palette);
            return;
        }
        if (introducer == kImageSeparator)
            break;
        if (introducer == kExtensionIntroducer) {
            uint8_t label;
            if (stream.Read(&label, 1) == 1)
                SkipSubBlocks(stream);
        }
    }

    uint8_t descriptorBytes[9];
    stream.ReadBuffer(descriptorBytes, sizeof descriptorBytes);
    ByteCursor descriptor(descriptorBytes);
    descriptor.Skip(4); // the image's position on the screen
    int width = descriptor.U16LE();
    int height = descriptor.U16LE();
    uint8_t imageFlags = descriptor.U8();
    if (width == 0)
        width = screenWidth;
    if (height == 0)
        height = screenHeight;
    CheckImageSize(width, height);
    if (imageFlags & kHasColorTable)
        palette = ReadColorTable(stream, imageFlags);

    uint8_t codeSize = stream.ReadByte();
    std::vector<uint8_t> packed = ReadImageData(stream);

    if (!DataCanFill(int64_t(width) * height, int64_t(MaxDecodedSize(packed.size(), codeSize))))
        throw EReadError();
    Allocate(PixelFormat::Indexed8, width, height);
    SetPalette(std::move(palette));
    size_t pixels = size_t(width) * size_t(height);
    // A short or corrupt stream cannot fill more than this; the rows past
    // what it fills stay as they are.
    size_t wanted = std::min(pixels, MaxDecodedSize(packed.size(), codeSize));
    if (wanted == 0)
        return;

    auto lzw = std::make_unique<TGIFLZW>();
    lzw->initialCodeSize = codeSize;
    const uint8_t* source = packed.data();
    bool interlaced = imageFlags & kInterlaced;
    // Rows without padding can take the decoded lines in place.
    if (!interlaced && BytesPerLine() == width) {
        lzw->Decode(source, Bits(), packed.size(), wanted);
        return;
    }
    std::vector<uint8_t> lines(wanted);
    size_t decoded = lzw->Decode(source, lines.data(), packed.size(), wanted);
    LineOrder order(height, interlaced);
    for (size_t at = 0; at < decoded; at += size_t(width)) {
        int row = order.Next();
        std::memcpy(ScanLine(row), lines.data() + at, std::min(size_t(width), decoded - at));
    }
}

} // namespace pelmora
