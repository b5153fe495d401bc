#include "Metafile.h"

#include "ByteCursor.h"
#include "EmfRecords.h"
#include "Exception.h"
#include "ImageLimits.h"
#include "Stream.h"
#include "WmfRecords.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace pelmora {

namespace {

const char* const kInvalid = "Metafile is not valid";
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr double kPixelsPerInch = 96;
constexpr double kHundredthMillimetresPerInch = 2540;

std::atomic<MetafileRenderer> renderer {nullptr};

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(kInvalid);
}

int Scale(double value, double numerator, double denominator)
{
    if (denominator == 0)
        Invalid();
    double v = std::round(value * numerator / denominator);
    return std::abs(v) < 1e9 ? int(v) : 0;
}

// The 18-byte header every Windows metafile starts with; returns its object count.
size_t CheckWmfHeader(ByteCursor& c)
{
    uint16_t type = c.U16LE(), headerWords = c.U16LE(), version = c.U16LE();
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x300 && version != 0x100))
        Invalid();
    c.Skip(4); // size
    size_t objects = c.U16LE();
    c.Skip(6); // largest record, unused
    return objects;
}

// Without a placeable header the size is the window extent a record sets.
bool FindWindowExtent(ByteCursor c, int& width, int& height)
{
    while (c.Remaining() >= 6) {
        uint64_t words = c.U32LE();
        uint16_t function = c.U16LE();
        if (words < 3 || (words - 3) * 2 > c.Remaining())
            return false;
        if (function == 0x020C && words >= 5) { // SetWindowExt: y, then x
            height = std::abs(int(c.S16LE()));
            width = std::abs(int(c.S16LE()));
            return width > 0 && height > 0;
        }
        if (function == 0)
            return false;
        c.Skip(size_t(words - 3) * 2);
    }
    return false;
}

// A picture larger than any bitmap may be is drawn smaller, keeping its shape.
void KeepUnderLimits(DrawingSteps& steps, MetafileDevice& device)
{
    double area = double(steps.width) * steps.height;
    double f = std::min(
        {1.0, double(kMaxImageSide) / std::max(steps.width, steps.height), std::sqrt(double(kMaxImagePixels) / area)});
    if (f >= 1)
        return;
    steps.width = std::max(1, int(steps.width * f));
    steps.height = std::max(1, int(steps.height * f));
    device.MapPicture({f, 0, 0, f, 0, 0});
}

void ReadWmf(std::span<const uint8_t> file, DrawingSteps& steps)
{
    ByteCursor c(file, kInvalid);
    bool placeable = c.U32LE() == kPlaceableKey;
    int16_t left = 0, top = 0, right = 0, bottom = 0;
    if (placeable) {
        c.SetPosition(0);
        uint16_t words[11];
        for (uint16_t& w : words)
            w = c.U16LE();
        uint16_t checksum = 0;
        for (int i = 0; i < 10; ++i)
            checksum ^= words[i];
        if (checksum != words[10])
            Invalid();
        left = int16_t(words[3]), top = int16_t(words[4]), right = int16_t(words[5]), bottom = int16_t(words[6]);
        steps.width = Scale(double(right) - left, kPixelsPerInch, words[7]);
        steps.height = Scale(double(bottom) - top, kPixelsPerInch, words[7]);
        if (steps.width <= 0 || steps.height <= 0)
            Invalid();
    } else {
        c.SetPosition(0);
    }
    size_t objects = CheckWmfHeader(c);
    MetafileDevice device(steps, objects);
    // Played as into a device set up to fit the picture: window onto viewport
    // until a record picks another mode.
    device.SetMapMode(int(MetaMapMode::Anisotropic));
    bool fromBounds = false;
    if (placeable) {
        device.SetWindowOrg(left, top);
        device.SetWindowExt(double(right) - left, double(bottom) - top);
        device.SetViewportExt(steps.width, steps.height);
    } else if (FindWindowExtent(c, steps.width, steps.height)) {
        device.SetViewportExt(steps.width, steps.height);
        device.SetWindowExt(steps.width, steps.height);
    } else {
        fromBounds = true; // logical units are pixels until the bounds are known
    }
    RecordsPlayed played = PlayWmfRecords(file.subspan(c.Position()), device);
    if (played.damaged && played.count == 0)
        Invalid();
    if (fromBounds) {
        if (!device.HasBounds())
            Invalid();
        MetaRect b = device.Bounds();
        double x = std::floor(b.left), y = std::floor(b.top);
        steps.width = std::max(1, int(std::min(1e9, std::ceil(b.right) - x)));
        steps.height = std::max(1, int(std::min(1e9, std::ceil(b.bottom) - y)));
        device.MapPicture({1, 0, 0, 1, -x, -y});
    }
    KeepUnderLimits(steps, device);
}

void ReadEmf(std::span<const uint8_t> file, DrawingSteps& steps)
{
    ByteCursor c(file, kInvalid);
    c.Skip(4);
    uint32_t headerSize = c.U32LE();
    MetaRect bounds {double(c.S32LE()), double(c.S32LE()), double(c.S32LE()), double(c.S32LE())};
    MetaRect frame {double(c.S32LE()), double(c.S32LE()), double(c.S32LE()), double(c.S32LE())};
    if (c.U32LE() != kEmfSignature || headerSize < 88 || headerSize > file.size() || headerSize % 4 != 0)
        Invalid();
    c.SetPosition(56);
    size_t handles = c.U16LE();
    c.SetPosition(72);
    double deviceX = c.S32LE(), deviceY = c.S32LE(), millimetresX = c.S32LE(), millimetresY = c.S32LE();
    if (deviceX <= 0 || deviceY <= 0 || millimetresX <= 0 || millimetresY <= 0)
        deviceX = deviceY = 96, millimetresX = millimetresY = 25.4;

    double frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    steps.width = Scale(frameWidth, kPixelsPerInch, kHundredthMillimetresPerInch);
    steps.height = Scale(frameHeight, kPixelsPerInch, kHundredthMillimetresPerInch);
    MetaTransform deviceToPicture;
    if (steps.width > 0 && steps.height > 0) {
        // Device pixels to hundredths of a millimetre, then the frame onto the picture.
        double sx = millimetresX * 100 / deviceX * steps.width / frameWidth;
        double sy = millimetresY * 100 / deviceY * steps.height / frameHeight;
        deviceToPicture
            = {sx, 0, 0, sy, -frame.left * steps.width / frameWidth, -frame.top * steps.height / frameHeight};
    } else { // no usable frame: the bounds, in device pixels, are the picture
        steps.width = int(std::clamp(bounds.right - bounds.left + 1, -1.0, 1e9));
        steps.height = int(std::clamp(bounds.bottom - bounds.top + 1, -1.0, 1e9));
        if (steps.width <= 0 || steps.height <= 0)
            Invalid();
        deviceToPicture = {1, 0, 0, 1, -bounds.left, -bounds.top};
    }
    MetafileDevice device(steps, handles);
    device.SetDevicePixelsPerMillimetre(deviceX / millimetresX, deviceY / millimetresY);
    device.SetDeviceToPicture(deviceToPicture);
    RecordsPlayed played = PlayEmfRecords(file, headerSize, device);
    if (played.damaged && played.count == 0)
        Invalid();
    KeepUnderLimits(steps, device);
}

} // namespace

void SetMetafileRenderer(MetafileRenderer r)
{
    renderer = r;
}

DrawingSteps ReadMetafile(std::span<const uint8_t> file, bool& enhanced)
{
    if (file.size() < 18)
        Invalid();
    DrawingSteps steps;
    ByteCursor c(file, kInvalid);
    enhanced = c.U32LE() == 1 && file.size() >= 88;
    if (enhanced)
        ReadEmf(file, steps);
    else
        ReadWmf(file, steps);
    return steps;
}

void TMetafile::CopyFrom(const TMetafile& other)
{
    data_ = other.data_;
    steps_ = other.steps_;
    enhanced_ = other.enhanced_;
    width_ = other.width_;
    height_ = other.height_;
}

bool TMetafile::Draw(Bitmap& target, int width, int height) const
{
    MetafileRenderer r = renderer;
    if (!r)
        return false;
    CheckImageSize(width, height);
    r(*steps_, target, width, height);
    return true;
}

bool TMetafile::AssignTo(Graphic& target) const
{
    if (!target.Is(Bitmap::StaticClass()))
        return false;
    return Draw(static_cast<Bitmap&>(target), width_, height_);
}

void TMetafile::LoadFromStream(Stream& stream)
{
    int64_t size = stream.Remaining();
    if (size < 18 || size > (int64_t(1) << 30))
        Invalid();
    std::vector<uint8_t> file(static_cast<size_t>(size));
    stream.ReadBuffer(file.data(), file.size());
    bool enhanced = false;
    auto steps = std::make_shared<DrawingSteps>(ReadMetafile(file, enhanced));
    width_ = steps->width;
    height_ = steps->height;
    steps_ = std::move(steps);
    data_ = std::move(file);
    enhanced_ = enhanced;
}

void TMetafile::SaveToStream(Stream& stream) const
{
    stream.WriteBuffer(data_.data(), data_.size());
}

} // namespace pelmora
