#include "EffectCommand.h"

#include "ColorAdjustments.h"
#include "FilterKinds.h"
#include "Geometry.h"
#include "NeighbourhoodFilters.h"
#include "Resample.h"

#include "formats/Exception.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace pelmora {

namespace {

using Values = std::vector<double>;

struct Operation {
    const char* name;
    void (*run)(Bitmap& picture, const Values& values, RandomSeeding seeding);
};

Bitmap CopyOf(const Bitmap& picture)
{
    Bitmap copy;
    copy.Assign(picture);
    return copy;
}

// Each runs as the display window's command does: on the picture, or from a
// copy of it where the effect reads one bitmap and writes another.
const Operation kOperations[] = {
    { "Contrast", [](Bitmap& b, const Values& v, RandomSeeding) { Contrast(b, int(v[0])); } },
    { "Lightness", [](Bitmap& b, const Values& v, RandomSeeding) { Lightness(b, int(v[0])); } },
    { "Darkness", [](Bitmap& b, const Values& v, RandomSeeding) { Darkness(b, int(v[0])); } },
    { "Saturation", [](Bitmap& b, const Values& v, RandomSeeding) { Saturation(b, int(v[0])); } },
    { "Grayscale", [](Bitmap& b, const Values&, RandomSeeding) { Grayscale(b); } },
    { "InvertColors", [](Bitmap& b, const Values&, RandomSeeding) { InvertColors(b); } },
    { "Posterize",
        [](Bitmap& b, const Values& v, RandomSeeding) {
            Bitmap source = CopyOf(b);
            Posterize(source, b, int(v[0]));
        } },
    { "Sharpen", [](Bitmap& b, const Values& v, RandomSeeding) { Sharpen(b, v[0]); } },
    { "Convolve", [](Bitmap& b, const Values& v, RandomSeeding) { Convolve(b, int(v[0]), int(v[1])); } },
    { "Emboss",
        [](Bitmap& b, const Values& v, RandomSeeding) {
            for (int i = 0; i < int(v[0]); ++i)
                Emboss(b);
        } },
    { "SplitBlur", [](Bitmap& b, const Values& v, RandomSeeding) { SplitBlur(b, int(v[0])); } },
    { "GaussianBlur", [](Bitmap& b, const Values& v, RandomSeeding) { GaussianBlur(b, int(v[0])); } },
    { "Spray", [](Bitmap& b, const Values& v, RandomSeeding) { Spray(b, int(v[0])); } },
    { "Trace", [](Bitmap& b, const Values& v, RandomSeeding) { Trace(b, int(v[0])); } },
    { "FishEye",
        [](Bitmap& b, const Values& v, RandomSeeding) {
            Bitmap source = CopyOf(b);
            FishEye(source, b, float(v[0]));
        } },
    { "Mosaic", [](Bitmap& b, const Values& v, RandomSeeding) { Mosaic(b, int(v[0])); } },
    { "TriangleBlur", [](Bitmap& b, const Values& v, RandomSeeding) { TriangleBlur(b, int(v[0])); } },
    { "RippleTooth", [](Bitmap& b, const Values& v, RandomSeeding) { RippleTooth(b, int(v[0])); } },
    { "RippleTriangle", [](Bitmap& b, const Values& v, RandomSeeding) { RippleTriangle(b, int(v[0])); } },
    { "RippleRandom", [](Bitmap& b, const Values& v, RandomSeeding s) { RippleRandom(b, int(v[0]), s); } },
    { "MirrorVertical", [](Bitmap& b, const Values&, RandomSeeding) { MirrorVertical(b); } },
    { "MirrorHorizontal", [](Bitmap& b, const Values&, RandomSeeding) { MirrorHorizontal(b); } },
    { "Rotate90", [](Bitmap& b, const Values&, RandomSeeding) { Rotate90(b); } },
    { "Resample",
        [](Bitmap& b, const Values& v, RandomSeeding) {
            Bitmap target { int(v[0]), int(v[1]), PixelFormat::Rgb24 };
            Resample(b, target, ResampleKernels[size_t(v[2])]);
            b = std::move(target);
        } },
};

struct ValueRange {
    double minimum, maximum, fallback;
    bool real;
};

// What each value may be: the range the filter value dialog can give.
std::vector<ValueRange> RangesOf(const FilterKind* kind, const Bitmap& picture)
{
    std::vector<ValueRange> ranges;
    if (!kind)
        return ranges;
    const FilterRange& f = kind->first;
    ranges.push_back({ EffectValue(*kind, f.minimum), EffectValue(*kind, f.maximum), EffectValue(*kind, f.position),
        HasRealValue(*kind) });
    if (kind->sizeOfPicture)
        ranges[0].fallback = picture.Width();
    if (kind->valueCount >= 2) {
        const FilterRange& s = kind->second;
        ranges.push_back({ double(s.minimum), double(s.maximum),
            kind->sizeOfPicture ? double(picture.Height()) : double(s.position), false });
    }
    if (kind->valueCount >= 3)
        ranges.push_back({ double(kResizeKernelRange.minimum), double(kResizeKernelRange.maximum),
            double(kResizeKernelRange.position), false });
    return ranges;
}

std::string Number(double v)
{
    std::string text(32, '\0');
    auto result = std::to_chars(text.data(), text.data() + text.size(), v);
    text.resize(size_t(result.ptr - text.data()));
    return text;
}

double ParseValue(std::string_view name, std::string_view text, const ValueRange& range)
{
    double value = 0;
    bool ok;
    if (range.real) {
        auto r = std::from_chars(text.data(), text.data() + text.size(), value);
        ok = r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
    } else {
        long whole = 0;
        auto r = std::from_chars(text.data(), text.data() + text.size(), whole);
        ok = r.ec == std::errc() && r.ptr == text.data() + text.size();
        value = double(whole);
    }
    const std::string what = std::string(name) + ": \"" + std::string(text) + "\"";
    if (!ok)
        throw Exception(what + " is not " + (range.real ? "a number" : "a whole number"));
    if (value < range.minimum || value > range.maximum)
        throw Exception(what + " is out of range (" + Number(range.minimum) + " to " + Number(range.maximum) + ")");
    return value;
}

std::vector<std::string_view> Split(std::string_view text)
{
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos)
            return parts;
        text.remove_prefix(comma + 1);
    }
}

} // namespace

void ApplyEffect(Bitmap& picture, std::string_view request, RandomSeeding seeding)
{
    const size_t equals = request.find('=');
    const std::string_view name = request.substr(0, equals);
    const Operation* operation = nullptr;
    for (const Operation& o : kOperations)
        if (name == o.name)
            operation = &o;
    if (!operation)
        throw Exception("Unknown effect: " + std::string(name));
    const std::vector<ValueRange> ranges = RangesOf(FindFilterKindByOperation(name), picture);
    std::vector<std::string_view> texts;
    if (equals != std::string_view::npos)
        texts = Split(request.substr(equals + 1));
    if (texts.size() > ranges.size())
        throw Exception(ranges.empty() ? std::string(name) + " takes no value"
                                       : std::string(name) + " takes at most " + std::to_string(ranges.size())
                    + (ranges.size() == 1 ? " value" : " values"));
    Values values;
    for (size_t i = 0; i < ranges.size(); ++i)
        values.push_back(i < texts.size() ? ParseValue(name, texts[i], ranges[i]) : ranges[i].fallback);
    operation->run(picture, values, seeding);
}

} // namespace pelmora
