#include "Icon.h"

#include "ByteCursor.h"
#include "Exception.h"
#include "ImageLimits.h"
#include "PixelRows.h"
#include "Stream.h"
#include "readers/PNGGraphic.h"

#include <cstring>

namespace pelmora {

namespace {

const char* const kInvalid = "Icon image is not valid";

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(kInvalid);
}

struct IconEntry {
    int width, height, bitCount;
    int hotSpotX, hotSpotY;
    uint32_t size, offset;
};

// A bitmap entry: the colour image (header height is twice the icon's) and
// the AND mask after it, which gives the opacity unless 32-bit colours carry their own.
void DecodeDib(std::span<const uint8_t> data, Bitmap& image)
{
    ByteCursor c(data, kInvalid);
    uint32_t headerSize = c.U32LE();
    if (headerSize < 40 || headerSize > data.size())
        Invalid();
    int32_t width = c.S32LE();
    int32_t doubleHeight = c.S32LE();
    c.Skip(2);
    int bitCount = c.U16LE();
    uint32_t compression = c.U32LE();
    if (width <= 0 || doubleHeight <= 0 || compression != 0)
        Invalid();
    int height = doubleHeight / 2;
    if (height == 0)
        Invalid();
    CheckImageSize(width, height);

    // The colour part is an ordinary headerless bitmap of the icon's height.
    std::vector<uint8_t> colour(data.begin(), data.end());
    int32_t h = height;
    std::memcpy(colour.data() + 8, &h, 4);
    MemoryStream stream {std::span<const uint8_t>(colour)};
    Bitmap xorImage;
    try {
        xorImage.LoadFromStream(stream);
    } catch (const Exception&) {
        Invalid();
    }
    xorImage.SetPixelFormat(PixelFormat::Rgb32);
    bool ownAlpha = false;
    if (bitCount == 32)
        for (int y = 0; y < height && !ownAlpha; ++y)
            for (int x = 0; x < width; ++x)
                if (xorImage.ScanLine(y)[x * 4 + 3]) {
                    ownAlpha = true;
                    break;
                }
    size_t maskRow = size_t(RowBytes(width, 1));
    size_t maskStart = size_t(stream.Position());
    bool hasMask = maskStart + maskRow * size_t(height) <= data.size();
    for (int y = 0; y < height; ++y) {
        uint8_t* row = xorImage.ScanLine(y);
        const uint8_t* mask = hasMask ? data.data() + maskStart + size_t(height - 1 - y) * maskRow : nullptr;
        for (int x = 0; x < width; ++x)
            if (!ownAlpha)
                row[x * 4 + 3] = mask && IndexAt(mask, PixelFormat::Indexed1, x) ? 0 : 255;
    }
    image = std::move(xorImage);
}

} // namespace

void TIcon::SetWidth(int)
{
    throw EInvalidOperation("Cannot change the size of an icon");
}

void TIcon::SetHeight(int)
{
    throw EInvalidOperation("Cannot change the size of an icon");
}

void TIcon::CopyFrom(const TIcon& other)
{
    file_ = other.file_;
    image_.Assign(other.image_);
    hotSpot_ = other.hotSpot_;
}

bool TIcon::AssignTo(Graphic& target) const
{
    if (!target.Is(Bitmap::StaticClass()))
        return false;
    target.Assign(image_);
    return true;
}

void TIcon::LoadFromStream(Stream& stream)
{
    int64_t size = stream.Remaining();
    if (size < 6 || size > (int64_t(1) << 30))
        Invalid();
    std::vector<uint8_t> file(static_cast<size_t>(size));
    stream.ReadBuffer(file.data(), file.size());

    ByteCursor c(file, kInvalid);
    uint16_t reserved = c.U16LE(), type = c.U16LE(), count = c.U16LE();
    // Type 1 is an icon, 2 a cursor, whose entries keep the hot spot where an icon's keep planes and bit count.
    if (reserved != 0 || (type != 1 && type != 2) || count == 0)
        Invalid();
    const bool cursor = type == 2;
    IconEntry best {};
    bool found = false;
    for (int i = 0; i < count; ++i) {
        IconEntry e;
        e.width = c.U8();
        e.height = c.U8();
        c.Skip(2); // colour count, reserved
        e.hotSpotX = c.U16LE();
        e.hotSpotY = c.U16LE();
        e.bitCount = cursor ? 0 : e.hotSpotY;
        e.size = c.U32LE();
        e.offset = c.U32LE();
        if (e.width == 0)
            e.width = 256;
        if (e.height == 0)
            e.height = 256;
        if (e.offset > file.size() || e.size > file.size() - e.offset || e.size < 8)
            continue;
        long area = long(e.width) * e.height, bestArea = long(best.width) * best.height;
        if (!found || area > bestArea || (area == bestArea && e.bitCount > best.bitCount)) {
            best = e;
            found = true;
        }
    }
    if (!found)
        Invalid();
    std::span<const uint8_t> data(file.data() + best.offset, best.size);
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bitmap image;
    if (std::memcmp(data.data(), kPngSignature, 8) == 0)
        DecodePng(data, image, kInvalid, true); // straight to blue-green-red-alpha rows
    else
        DecodeDib(data, image);
    image.SetHasAlpha(true);
    image_ = std::move(image);
    hotSpot_ = cursor ? std::optional<std::pair<int, int>>({best.hotSpotX, best.hotSpotY}) : std::nullopt;
    file_ = std::move(file);
}

void TIcon::SaveToStream(Stream& stream) const
{
    stream.WriteBuffer(file_.data(), file_.size());
}

} // namespace pelmora
