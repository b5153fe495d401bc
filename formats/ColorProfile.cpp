#include "ColorProfile.h"

#include <lcms2.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace pelmora {

namespace {

// What a profile is applied to: RGB rows of three or four bytes, or the
// colours of a palette taken as RGB triples or as greys.
enum class Layout { Bgr, Bgra, Rgb, Grey };

struct TransformDeleter {
    void operator()(void* t) const { cmsDeleteTransform(t); }
};
using TransformHandle = std::unique_ptr<void, TransformDeleter>;

struct CachedTransform {
    std::vector<uint8_t> profile;
    Layout layout;
    TransformHandle transform; // null: nothing to do (unreadable, unsuitable or sRGB itself)
};

cmsUInt32Number InputType(Layout layout)
{
    switch (layout) {
    case Layout::Bgr: return TYPE_BGR_8;
    case Layout::Bgra: return TYPE_BGRA_8;
    case Layout::Rgb: return TYPE_RGB_8;
    case Layout::Grey: return TYPE_GRAY_8;
    }
    return TYPE_BGR_8;
}

cmsUInt32Number OutputType(Layout layout)
{
    switch (layout) {
    case Layout::Bgr: return TYPE_BGR_8;
    case Layout::Bgra: return TYPE_BGRA_8;
    default: return TYPE_RGB_8;
    }
}

// lcms2 reports damaged profiles through a handler; they are simply not used.
void IgnoreError(cmsContext, cmsUInt32Number, const char*) { }

// True when the transform leaves every colour of a coarse grid as it was:
// an sRGB profile, which then costs no work a pixel.
bool IsIdentity(void* transform, Layout layout)
{
    constexpr uint8_t kLevels[] = {0, 37, 91, 128, 170, 213, 255};
    std::vector<uint8_t> in, out;
    for (uint8_t r : kLevels)
        for (uint8_t g : kLevels)
            for (uint8_t b : kLevels) {
                if (layout == Layout::Grey) {
                    if (r == g && g == b)
                        in.push_back(r);
                } else {
                    in.insert(in.end(), {b, g, r});
                    if (layout == Layout::Bgra)
                        in.push_back(255);
                }
            }
    const size_t inBytes = layout == Layout::Bgra ? 4 : layout == Layout::Grey ? 1 : 3;
    const size_t outBytes = layout == Layout::Bgra ? 4 : 3;
    const size_t count = in.size() / inBytes;
    out.resize(count * outBytes);
    cmsDoTransform(transform, in.data(), out.data(), cmsUInt32Number(count));
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* o = &out[i * outBytes];
        const uint8_t* p = &in[i * inBytes];
        if (layout == Layout::Grey ? (o[0] != p[0] || o[1] != p[0] || o[2] != p[0])
                                   : (o[0] != p[0] || o[1] != p[1] || o[2] != p[2]))
            return false;
    }
    return true;
}

TransformHandle MakeTransform(std::span<const uint8_t> bytes, Layout layout)
{
    cmsSetLogErrorHandler(IgnoreError);
    cmsHPROFILE source = cmsOpenProfileFromMem(bytes.data(), cmsUInt32Number(bytes.size()));
    if (!source)
        return nullptr;
    const bool wantGrey = layout == Layout::Grey;
    const cmsColorSpaceSignature space = cmsGetColorSpace(source);
    if (space != (wantGrey ? cmsSigGrayData : cmsSigRgbData)) {
        cmsCloseProfile(source);
        return nullptr;
    }
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    // No one-pixel cache: the transform is shared by the threads that read pictures.
    const cmsUInt32Number flags = cmsFLAGS_NOCACHE | (layout == Layout::Bgra ? cmsFLAGS_COPY_ALPHA : 0);
    void* transform = cmsCreateTransform(
        source, InputType(layout), srgb, OutputType(layout), INTENT_PERCEPTUAL, flags);
    cmsCloseProfile(source);
    cmsCloseProfile(srgb);
    if (transform && IsIdentity(transform, layout)) {
        cmsDeleteTransform(transform);
        return nullptr;
    }
    return TransformHandle(transform);
}

// The transform of a profile, built once: pictures of one folder mostly share their profile.
std::shared_ptr<CachedTransform> FindTransform(std::span<const uint8_t> profile, Layout layout)
{
    constexpr size_t kKept = 4;
    static std::mutex mutex;
    static std::vector<std::shared_ptr<CachedTransform>> cache; // most recent last
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 0; i < cache.size(); ++i) {
        auto& entry = cache[i];
        if (entry->layout == layout && std::ranges::equal(entry->profile, profile)) {
            std::shared_ptr<CachedTransform> found = entry;
            cache.erase(cache.begin() + ptrdiff_t(i));
            cache.push_back(found);
            return found;
        }
    }
    auto entry = std::make_shared<CachedTransform>();
    entry->profile.assign(profile.begin(), profile.end());
    entry->layout = layout;
    entry->transform = MakeTransform(profile, layout);
    if (cache.size() == kKept)
        cache.erase(cache.begin());
    cache.push_back(entry);
    return entry;
}

// The rows in two halves on two threads: a 12-megapixel photo is converted
// in the time of half of it.
void TransformRows(void* transform, Bitmap& bitmap)
{
    const int width = bitmap.Width(), height = bitmap.Height();
    const auto stride = cmsUInt32Number(bitmap.BytesPerLine());
    auto run = [&](int from, int to) {
        if (to > from)
            cmsDoTransformLineStride(transform, bitmap.ScanLine(from), bitmap.ScanLine(from), cmsUInt32Number(width),
                cmsUInt32Number(to - from), stride, stride, 0, 0);
    };
    constexpr int64_t kWorthAThread = 1 << 20;
    if (int64_t(width) * height < kWorthAThread) {
        run(0, height);
        return;
    }
    const int half = height / 2;
    std::thread other(run, half, height);
    run(0, half);
    other.join();
}

} // namespace

void ConvertToSrgb(Bitmap& bitmap, std::span<const uint8_t> profile)
{
    if (profile.empty() || bitmap.IsEmpty())
        return;
    const PixelFormat format = bitmap.GetPixelFormat();
    if (IsIndexed(format)) {
        Palette palette = bitmap.GetPalette();
        const bool grey = std::ranges::all_of(
            palette, [](const PaletteEntry& e) { return e.red == e.green && e.green == e.blue; });
        std::shared_ptr<CachedTransform> t = FindTransform(profile, grey ? Layout::Grey : Layout::Rgb);
        if (!t->transform && grey) // an RGB profile over a grey picture
            t = FindTransform(profile, Layout::Rgb);
        if (!t->transform)
            return;
        // A grey transform reads the first byte of each triple only.
        for (PaletteEntry& e : palette) {
            uint8_t in[3] = {e.red, e.green, e.blue}, out[3];
            cmsDoTransform(t->transform.get(), in, out, 1);
            e = {out[0], out[1], out[2], e.flags};
        }
        bitmap.SetPalette(std::move(palette));
        return;
    }
    Layout layout;
    if (format == PixelFormat::Rgb24)
        layout = Layout::Bgr;
    else if (format == PixelFormat::Rgb32)
        layout = Layout::Bgra;
    else
        return;
    std::shared_ptr<CachedTransform> t = FindTransform(profile, layout);
    if (t->transform)
        TransformRows(t->transform.get(), bitmap);
}

} // namespace pelmora
