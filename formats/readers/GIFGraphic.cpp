#include "GIFGraphic.h"

#include "GIFBlocks.h"
#include "GIFFrames.h"

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
    if (SkipToImage(stream)) { // another image: the file is animated
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
    const ScreenDescriptor screen = ReadScreenDescriptor(stream);
    // Without any colour table the indices are shown as greys.
    Palette palette = screen.flags & kHasColorTable ? ReadColorTable(stream, screen.flags) : GreyRamp();
    if (!SkipToImage(stream)) {
        SetPalette(palette);
        return;
    }
    const ImageDescriptor image = ReadImageDescriptor(stream, screen.width, screen.height);
    if (image.flags & kHasColorTable)
        palette = ReadColorTable(stream, image.flags);
    const uint8_t codeSize = stream.ReadByte();
    std::vector<uint8_t> packed;
    ReadImageData(stream, packed);

    if (!DataCanFill(int64_t(image.width) * image.height, int64_t(MaxDecodedSize(packed.size(), codeSize))))
        throw EReadError();
    Allocate(PixelFormat::Indexed8, image.width, image.height);
    SetPalette(std::move(palette));
    DecodeImage(packed, codeSize, image.flags & kInterlaced);
}

void TGIFGraphic::DecodeImage(const std::vector<uint8_t>& packed, uint8_t codeSize, bool interlaced)
{
    const int width = Width(), height = Height();
    // A short or corrupt stream cannot fill more than this; the rows past
    // what it fills stay as they are.
    const size_t wanted = std::min(size_t(width) * size_t(height), MaxDecodedSize(packed.size(), codeSize));
    if (wanted == 0)
        return;
    auto lzw = std::make_unique<TGIFLZW>(codeSize);
    // Rows without padding can take the decoded lines in place.
    if (!interlaced && BytesPerLine() == width) {
        lzw->Decode(packed, {Bits(), wanted});
        return;
    }
    std::vector<uint8_t> lines(wanted);
    const size_t decoded = lzw->Decode(packed, lines);
    LineOrder order(height, interlaced);
    for (size_t at = 0; at < decoded; at += size_t(width)) {
        int row = order.Next();
        std::memcpy(ScanLine(row), lines.data() + at, std::min(size_t(width), decoded - at));
    }
}

} // namespace pelmora
