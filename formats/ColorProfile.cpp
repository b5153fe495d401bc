#include "ColorProfile.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iterator>
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

// A source profile of three tone curves and a matrix (nearly every camera
// and display profile) maps to sRGB by a table look-up a channel to linear
// light, a 3 x 3 matrix, and a table look-up a channel back to 8 bits:
// several times faster than lcms2's general 8-bit path. The curve and the
// matrix are folded into one table an input channel, whose entry holds that
// channel's share of all three outputs as 16-bit lanes of one 64-bit word,
// so a pixel costs three look-ups and two additions before the three
// look-ups back. The tables are lcms2's own curves and colorants, and the
// result is held against lcms2's transform before it is used.
struct MatrixShaper {
    static constexpr int kSteps = 16383; // linear light 0..1; 0.2 levels a step at the steepest
    static constexpr int kBias = 16384; // added to each lane, so colours a little outside 0..1 stay positive
    uint64_t mixed[3][256]; // input channel (red, green, blue), value: lanes of red, green, blue out
    uint8_t encode[65536]; // biased lane to 8 bits

    // `count` pixels of `bytes` bytes (blue, green, red first), in place.
    void ApplyRow(uint8_t* pixels, int count, int bytes) const
    {
        for (uint8_t* p = pixels; count > 0; --count, p += bytes) {
            const uint64_t lanes = mixed[0][p[2]] + mixed[1][p[1]] + mixed[2][p[0]];
            p[0] = encode[(lanes >> 32) & 0xFFFF];
            p[1] = encode[(lanes >> 16) & 0xFFFF];
            p[2] = encode[lanes & 0xFFFF];
        }
    }
};

} // namespace

struct ProfileTransform {
    std::vector<uint8_t> profile;
    Layout layout;
    TransformHandle transform; // null: nothing to do (unreadable, unsuitable or sRGB itself)
    std::unique_ptr<MatrixShaper> shaper; // the same, faster, where the profile allows
};

namespace {

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

// The columns of a profile's colorants (D50 XYZ of its red, green and blue).
bool Colorants(cmsHPROFILE profile, double m[3][3])
{
    const cmsTagSignature tags[3] = {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag};
    for (int k = 0; k < 3; ++k) {
        const auto* xyz = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tags[k]));
        if (!xyz)
            return false;
        m[0][k] = xyz->X, m[1][k] = xyz->Y, m[2][k] = xyz->Z;
    }
    return true;
}

bool Invert(const double m[3][3], double inverse[3][3])
{
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
        - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (det > -1e-9 && det < 1e-9)
        return false;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, d = (i + 2) % 3;
            inverse[i][j] = (m[a][c] * m[b][d] - m[a][d] * m[b][c]) / det;
        }
    return true;
}

std::unique_ptr<MatrixShaper> BuildMatrixShaper(cmsHPROFILE source, cmsHPROFILE srgb)
{
    if (!cmsIsMatrixShaper(source) || !cmsIsMatrixShaper(srgb))
        return nullptr;
    double from[3][3], to[3][3], toInverse[3][3];
    if (!Colorants(source, from) || !Colorants(srgb, to) || !Invert(to, toInverse))
        return nullptr;
    const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
    auto shaper = std::make_unique<MatrixShaper>();
    // Each output lane's least and greatest sum, which must fit its 16 bits.
    int64_t low[3] = {MatrixShaper::kBias, MatrixShaper::kBias, MatrixShaper::kBias};
    int64_t high[3] = {MatrixShaper::kBias, MatrixShaper::kBias, MatrixShaper::kBias};
    for (int k = 0; k < 3; ++k) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(source, curves[k]));
        if (!curve)
            return nullptr;
        int64_t least[3] = {INT64_MAX, INT64_MAX, INT64_MAX}, most[3] = {INT64_MIN, INT64_MIN, INT64_MIN};
        for (int v = 0; v < 256; ++v) {
            const double linear = cmsEvalToneCurveFloat(curve, float(v) / 255);
            int64_t word = k == 0 ? MatrixShaper::kBias * ((int64_t(1) << 32) + (1 << 16) + 1) : 0;
            for (int c = 0; c < 3; ++c) {
                const double share
                    = toInverse[c][0] * from[0][k] + toInverse[c][1] * from[1][k] + toInverse[c][2] * from[2][k];
                const double value = share * linear;
                if (!(value > -2 && value < 2)) // NaN too: a damaged curve
                    return nullptr;
                const int64_t lane = std::llround(value * MatrixShaper::kSteps);
                least[c] = std::min(least[c], lane), most[c] = std::max(most[c], lane);
                word += lane * (int64_t(1) << (16 * c));
            }
            shaper->mixed[k][v] = uint64_t(word);
        }
        for (int c = 0; c < 3; ++c)
            low[c] += least[c], high[c] += most[c];
    }
    for (int c = 0; c < 3; ++c)
        if (low[c] < 0 || high[c] > 0xFFFF)
            return nullptr; // a gamut too far from sRGB's for the lanes
    const auto* srgbCurve = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, cmsSigRedTRCTag));
    cmsToneCurve* encode = srgbCurve ? cmsReverseToneCurve(srgbCurve) : nullptr;
    if (!encode)
        return nullptr;
    uint8_t* const zero = shaper->encode + MatrixShaper::kBias;
    for (int step = 0; step <= MatrixShaper::kSteps; ++step) {
        const float v = cmsEvalToneCurveFloat(encode, float(step) / MatrixShaper::kSteps) * 255 + 0.5f;
        zero[step] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    // Colours outside the sRGB gamut clip.
    std::fill(shaper->encode, zero, zero[0]);
    std::fill(zero + MatrixShaper::kSteps + 1, std::end(shaper->encode), zero[MatrixShaper::kSteps]);
    cmsFreeToneCurve(encode);
    return shaper;
}

// True when the fast path gives lcms2's colours within a level over a grid of colours.
bool AgreesWithTransform(const MatrixShaper& shaper, void* transform, Layout layout)
{
    const size_t bytes = layout == Layout::Bgra ? 4 : 3;
    std::vector<uint8_t> in, ours, theirs;
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 15)
            for (int b = 0; b < 256; b += 15) {
                in.insert(in.end(), {uint8_t(b), uint8_t(g), uint8_t(r)});
                if (bytes == 4)
                    in.push_back(255);
            }
    ours = in;
    theirs.resize(in.size());
    const size_t count = in.size() / bytes;
    cmsDoTransform(transform, in.data(), theirs.data(), cmsUInt32Number(count));
    shaper.ApplyRow(ours.data(), int(count), int(bytes));
    for (size_t i = 0; i < in.size(); ++i)
        if (std::abs(int(ours[i]) - int(theirs[i])) > 1)
            return false;
    return true;
}

TransformHandle MakeTransform(std::span<const uint8_t> bytes, Layout layout, std::unique_ptr<MatrixShaper>& shaper)
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
    void* transform = cmsCreateTransform(source, InputType(layout), srgb, OutputType(layout), INTENT_PERCEPTUAL, flags);
    if (transform && IsIdentity(transform, layout)) {
        cmsDeleteTransform(transform);
        transform = nullptr;
    }
    if (transform && (layout == Layout::Bgr || layout == Layout::Bgra)) {
        shaper = BuildMatrixShaper(source, srgb);
        if (shaper && !AgreesWithTransform(*shaper, transform, layout))
            shaper.reset();
    }
    cmsCloseProfile(source);
    cmsCloseProfile(srgb);
    return TransformHandle(transform);
}

// The transform of a profile, built once: pictures of one folder mostly share their profile.
std::shared_ptr<ProfileTransform> FindTransform(std::span<const uint8_t> profile, Layout layout)
{
    constexpr size_t kKept = 4;
    static std::mutex mutex;
    static std::vector<std::shared_ptr<ProfileTransform>> cache; // most recent last
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 0; i < cache.size(); ++i) {
        auto& entry = cache[i];
        if (entry->layout == layout && std::ranges::equal(entry->profile, profile)) {
            std::shared_ptr<ProfileTransform> found = entry;
            cache.erase(cache.begin() + ptrdiff_t(i));
            cache.push_back(found);
            return found;
        }
    }
    auto entry = std::make_shared<ProfileTransform>();
    entry->profile.assign(profile.begin(), profile.end());
    entry->layout = layout;
    entry->transform = MakeTransform(profile, layout, entry->shaper);
    if (cache.size() == kKept)
        cache.erase(cache.begin());
    cache.push_back(entry);
    return entry;
}

// The rows in two halves on two threads: a 12-megapixel photo is converted
// in the time of half of it.
void TransformRows(const ProfileTransform& t, Bitmap& bitmap)
{
    const int width = bitmap.Width(), height = bitmap.Height();
    const auto stride = cmsUInt32Number(bitmap.BytesPerLine());
    const int bytes = t.layout == Layout::Bgra ? 4 : 3;
    auto run = [&](int from, int to) {
        if (t.shaper) {
            for (int y = from; y < to; ++y)
                t.shaper->ApplyRow(bitmap.ScanLine(y), width, bytes);
        } else if (to > from) {
            cmsDoTransformLineStride(t.transform.get(), bitmap.ScanLine(from), bitmap.ScanLine(from),
                cmsUInt32Number(width), cmsUInt32Number(to - from), stride, stride, 0, 0);
        }
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

std::vector<uint8_t> SavedProfile(cmsHPROFILE profile)
{
    std::vector<uint8_t> bytes;
    cmsUInt32Number size = 0;
    if (profile && cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    if (profile)
        cmsCloseProfile(profile);
    return bytes;
}

} // namespace

std::vector<uint8_t> GammaProfile(double encodingGamma, const Chromaticities* primaries)
{
    if (!(encodingGamma > 0 && std::isfinite(encodingGamma)))
        return {};
    cmsSetLogErrorHandler(IgnoreError);
    const Chromaticities srgb = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}, {0.3127, 0.3290}};
    const Chromaticities& c = primaries ? *primaries : srgb;
    const cmsCIExyY white = {c.white[0], c.white[1], 1.0};
    const cmsCIExyYTRIPLE colorants
        = {{c.red[0], c.red[1], 1.0}, {c.green[0], c.green[1], 1.0}, {c.blue[0], c.blue[1], 1.0}};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 1.0 / encodingGamma);
    if (!curve)
        return {};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    std::vector<uint8_t> bytes = SavedProfile(cmsCreateRGBProfile(&white, &colorants, curves));
    cmsFreeToneCurve(curve);
    return bytes;
}

void ConvertToSrgb(Bitmap& bitmap, std::span<const uint8_t> profile)
{
    SrgbConversion(profile).Apply(bitmap);
}

void SrgbConversion::Apply(Bitmap& bitmap)
{
    if (profile_.empty() || bitmap.IsEmpty())
        return;
    const PixelFormat format = bitmap.GetPixelFormat();
    if (IsIndexed(format)) {
        Palette palette = bitmap.GetPalette();
        const bool grey
            = std::ranges::all_of(palette, [](const PaletteEntry& e) { return e.red == e.green && e.green == e.blue; });
        std::shared_ptr<ProfileTransform> t = FindTransform(profile_, grey ? Layout::Grey : Layout::Rgb);
        if (!t->transform && grey) // an RGB profile over a grey picture
            t = FindTransform(profile_, Layout::Rgb);
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
    if (!transform_ || transform_->layout != layout)
        transform_ = FindTransform(profile_, layout);
    if (transform_->transform)
        TransformRows(*transform_, bitmap);
}

} // namespace pelmora
