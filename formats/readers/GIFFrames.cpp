#include "GIFFrames.h"

#include "GIFBlocks.h"
#include "formats/ByteOrder.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/codecs/LZW.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

using namespace gif;

namespace {

constexpr uint8_t kGraphicControl = 0xF9;
enum Disposal { kKeep = 1, kClear = 2, kRestore = 3 };

} // namespace

GIFFrames::GIFFrames(SharedFile file)
    : file_(std::move(file))
{
    MemoryStream stream {std::span<const uint8_t>(*file_)};
    const ScreenDescriptor screen = ReadScreenDescriptor(stream);
    CheckImageSize(screen.width, screen.height);
    screenPalette_ = screen.flags & kHasColorTable ? ReadColorTable(stream, screen.flags) : GreyRamp();
    firstBlock_ = stream.Position();
    canvas_.Allocate(PixelFormat::Rgb32, screen.width, screen.height);
    canvas_.SetHasAlpha(true);
    Restart();
}

void GIFFrames::Restart()
{
    position_ = firstBlock_;
    if (!canvas_.IsEmpty()) // a screen of no pixels has no rows
        std::memset(canvas_.Bits(), 0, size_t(canvas_.BytesPerLine()) * size_t(canvas_.Height()));
    lastDisposal_ = 0;
    lastRect_ = {};
}

bool GIFFrames::Next(Bitmap& frame, int& delayMs)
{
    MemoryStream stream {std::span<const uint8_t>(*file_)};
    stream.SetPosition(position_);
    Control control;
    try {
        for (;;) {
            uint8_t introducer;
            if (stream.Read(&introducer, 1) != 1 || introducer == kTrailer)
                break;
            if (introducer == kExtensionIntroducer) {
                uint8_t label = stream.ReadByte();
                if (label == kGraphicControl) {
                    uint8_t block[6]; // size 4, flags, delay, transparent index, terminator
                    stream.ReadBuffer(block, sizeof block);
                    control.disposal = (block[1] >> 2) & 7;
                    control.delay = LoadU16LE(block + 2);
                    control.transparent = block[1] & 1 ? block[4] : -1;
                    if (block[5] != 0)
                        SkipSubBlocks(stream);
                } else {
                    SkipSubBlocks(stream);
                }
                continue;
            }
            if (introducer != kImageSeparator)
                continue; // stray bytes between blocks
            Dispose();
            Draw(control, stream);
            position_ = stream.Position();
            frame.Assign(canvas_);
            delayMs = control.delay * 10;
            return true;
        }
    } catch (const Exception&) {
        // A damaged frame ends the animation; what came before it plays.
    }
    Restart();
    return false;
}

void GIFFrames::Dispose()
{
    const Rect r = lastRect_;
    // A frame that shows nothing (off the screen, or of no width) left nothing to undo.
    if ((lastDisposal_ != kRestore && lastDisposal_ != kClear) || r.width <= 0 || r.height <= 0)
        return;
    const size_t rowBytes = size_t(r.width) * 4;
    for (int y = 0; y < r.height; ++y) {
        uint8_t* row = canvas_.ScanLine(r.top + y) + size_t(r.left) * 4;
        if (lastDisposal_ == kRestore)
            std::memcpy(row, saved_.data() + size_t(y) * rowBytes, rowBytes);
        else
            std::memset(row, 0, rowBytes);
    }
}

// Keeps what the canvas shows under `r`, for a frame to be undone.
void GIFFrames::Save(const Rect& r)
{
    const size_t rowBytes = size_t(r.width) * 4;
    saved_.resize(rowBytes * size_t(r.height));
    if (saved_.empty())
        return;
    for (int y = 0; y < r.height; ++y)
        std::memcpy(saved_.data() + size_t(y) * rowBytes, canvas_.ScanLine(r.top + y) + size_t(r.left) * 4, rowBytes);
}

void GIFFrames::Draw(const Control& control, Stream& stream)
{
    const ImageDescriptor image = ReadImageDescriptor(stream, canvas_.Width(), canvas_.Height());
    Palette own;
    if (image.flags & kHasColorTable)
        own = ReadColorTable(stream, image.flags);
    const uint8_t codeSize = stream.ReadByte();
    ReadImageData(stream, packed_);

    // What shows of the image on the screen; the rest is cut off.
    Rect r;
    r.left = std::min(image.left, canvas_.Width());
    r.top = std::min(image.top, canvas_.Height());
    r.width = std::min(image.width, canvas_.Width() - r.left);
    r.height = std::min(image.height, canvas_.Height() - r.top);
    lastRect_ = r;
    lastDisposal_ = control.disposal;
    if (control.disposal == kRestore)
        Save(r);

    const size_t wanted
        = std::min(size_t(image.width) * size_t(image.height), MaxDecodedSize(packed_.size(), codeSize));
    if (wanted == 0 || r.width <= 0 || r.height <= 0)
        return;
    if (indices_.size() < wanted)
        indices_.resize(wanted);
    lzw_.emplace(codeSize); // in the memory of the last frame's
    const size_t decoded = lzw_->Decode(packed_, std::span(indices_).first(wanted));
    Paint(std::span(indices_).first(decoded), image, r, own.empty() ? screenPalette_ : own, control.transparent);
}

// Decoded lines onto the canvas: the part of each inside `r`, but for the transparent index.
void GIFFrames::Paint(std::span<const uint8_t> indices, const ImageDescriptor& image, const Rect& r,
    const Palette& palette, int transparent)
{
    const auto width = size_t(image.width);
    LineOrder order(image.height, image.flags & kInterlaced);
    for (size_t at = 0; at < indices.size(); at += width) {
        const int y = order.Next();
        if (y < 0 || y >= r.height)
            continue;
        uint8_t* to = canvas_.ScanLine(r.top + y) + size_t(r.left) * 4;
        const size_t count = std::min(size_t(r.width), indices.size() - at);
        for (size_t x = 0; x < count; ++x, to += 4) {
            const int index = indices[at + x];
            if (index == transparent)
                continue;
            const PaletteEntry& c = palette[size_t(index)];
            to[0] = c.blue;
            to[1] = c.green;
            to[2] = c.red;
            to[3] = 255;
        }
    }
}

} // namespace pelmora
