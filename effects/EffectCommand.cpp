#include "EffectCommand.h"

#include "ColorAdjustments.h"
#include "FilterKinds.h"
#include "Geometry.h"
#include "NeighbourhoodFilters.h"
#include "Resample.h"

#include "formats/Exception.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace pelmora {

namespace {

using Values = std::vector<double>;

// An effect either works on the picture in place, or reads one bitmap and
// writes another; the geometric ones can do both. Each caller takes the way
// that needs no copy it can avoid: ApplyEffect owns its picture and edits it
// in place, RunEffect only reads its picture and writes a bitmap of its own.
struct Operation {
    const char* name;
    void (*inPlace)(Bitmap& picture, const Values& values, RandomSeeding seeding);
    void (*fromTo)(const Bitmap& picture, Bitmap& result, const Values& values, RandomSeeding seeding);
    // In place on an Rgb24 picture, keeping less than a copy to give its bytes back.
    UndoStep (*undoably)(Bitmap& picture, const Values& values) = nullptr;
};

template <void (*Effect)(Bitmap&)> void Plain(Bitmap& b, const Values&, RandomSeeding)
{
    Effect(b);
}

template <void (*Effect)(Bitmap&, int)> void WithAmount(Bitmap& b, const Values& v, RandomSeeding)
{
    Effect(b, int(v[0]));
}

template <void (*Effect)(const Bitmap&, Bitmap&)> void PlainTo(const Bitmap& p, Bitmap& r, const Values&, RandomSeeding)
{
    Effect(p, r);
}

template <void (*Effect)(const Bitmap&, Bitmap&, int)>
void WithAmountTo(const Bitmap& p, Bitmap& r, const Values& v, RandomSeeding)
{
    Effect(p, r, int(v[0]));
}

// Run twice in place on an Rgb24 picture, these give back the same bytes.
template <void (*Effect)(Bitmap&)> UndoStep UndoesItself(Bitmap& b, const Values&)
{
    Effect(b);
    return [](Bitmap& p) { Effect(p); };
}

UndoStep EmbossUndoably(Bitmap& b, const Values& v)
{
    auto steps = std::make_shared<std::vector<DroppedBits>>();
    auto undo = [steps](Bitmap& p) {
        for (auto step = steps->rbegin(); step != steps->rend(); ++step)
            Unemboss(p, *step);
    };
    try {
        for (int i = 0; i < int(v[0]); ++i)
            steps->push_back(EmbossKeepingBits(b));
    } catch (...) {
        // No memory for the next step's bits: the picture goes back as it was.
        undo(b);
        throw;
    }
    return undo;
}

const Operation kOperations[] = {
    {"Contrast", WithAmount<Contrast>, WithAmountTo<Contrast>},
    {"Lightness", WithAmount<Lightness>, WithAmountTo<Lightness>},
    {"Darkness", WithAmount<Darkness>, WithAmountTo<Darkness>},
    {"Saturation", WithAmount<Saturation>, WithAmountTo<Saturation>},
    {"Grayscale", Plain<Grayscale>, PlainTo<Grayscale>},
    {"InvertColors", Plain<InvertColors>, PlainTo<InvertColors>, UndoesItself<InvertColors>},
    {"Posterize", nullptr,
        [](const Bitmap& p, Bitmap& r, const Values& v, RandomSeeding) { Posterize(p, r, int(v[0])); }},
    {"Sharpen", [](Bitmap& b, const Values& v, RandomSeeding) { Sharpen(b, v[0]); },
        [](const Bitmap& p, Bitmap& r, const Values& v, RandomSeeding) { Sharpen(p, r, v[0]); }},
    {"Convolve", [](Bitmap& b, const Values& v, RandomSeeding) { Convolve(b, int(v[0]), int(v[1])); },
        [](const Bitmap& p, Bitmap& r, const Values& v, RandomSeeding) { Convolve(p, r, int(v[0]), int(v[1])); }},
    {"Emboss",
        [](Bitmap& b, const Values& v, RandomSeeding) {
            for (int i = 0; i < int(v[0]); ++i)
                Emboss(b);
        },
        [](const Bitmap& p, Bitmap& r, const Values& v, RandomSeeding) {
            if (int(v[0]) <= 0)
                return r.Assign(p);
            Emboss(p, r);
            for (int i = 1; i < int(v[0]); ++i)
                Emboss(r);
        },
        EmbossUndoably},
    {"SplitBlur", WithAmount<SplitBlur>, WithAmountTo<SplitBlur>},
    {"GaussianBlur", WithAmount<GaussianBlur>, nullptr},
    {"Spray", WithAmount<Spray>, nullptr},
    {"Trace", WithAmount<Trace>, nullptr},
    {"FishEye", nullptr,
        [](const Bitmap& p, Bitmap& r, const Values& v, RandomSeeding) { FishEye(p, r, float(v[0])); }},
    {"Mosaic", WithAmount<Mosaic>, WithAmountTo<Mosaic>},
    {"TriangleBlur", WithAmount<TriangleBlur>, nullptr},
    {"RippleTooth", WithAmount<RippleTooth>, nullptr},
    {"RippleTriangle", WithAmount<RippleTriangle>, nullptr},
    {"RippleRandom", [](Bitmap& b, const Values& v, RandomSeeding s) { RippleRandom(b, int(v[0]), s); }, nullptr},
    {"MirrorVertical", Plain<MirrorVertical>, PlainTo<MirrorVertical>, UndoesItself<MirrorVertical>},
    {"MirrorHorizontal", Plain<MirrorHorizontal>, PlainTo<MirrorHorizontal>, UndoesItself<MirrorHorizontal>},
    {"Rotate90", Plain<Rotate90>, PlainTo<Rotate90>},
    {"Resample", nullptr,
        [](const Bitmap& p, Bitmap& r, const Values& v, RandomSeeding) {
            r = Bitmap(int(v[0]), int(v[1]), PixelFormat::Rgb24);
            Resample(p, r, ResampleKernels[size_t(v[2])]);
        }},
};

const Operation* FindOperation(std::string_view name)
{
    for (const Operation& o : kOperations)
        if (name == o.name)
            return &o;
    return nullptr;
}

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
    ranges.push_back({EffectValue(*kind, f.minimum), EffectValue(*kind, f.maximum), EffectValue(*kind, f.position),
        HasRealValue(*kind)});
    if (kind->sizeOfPicture)
        ranges[0].fallback = picture.Width();
    if (kind->valueCount >= 2) {
        const FilterRange& s = kind->second;
        ranges.push_back({double(s.minimum), double(s.maximum),
            kind->sizeOfPicture ? double(picture.Height()) : double(s.position), false});
    }
    if (kind->valueCount >= 3)
        ranges.push_back({double(kResizeKernelRange.minimum), double(kResizeKernelRange.maximum),
            double(kResizeKernelRange.position), false});
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
    const Operation* operation = FindOperation(name);
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
    if (operation->inPlace) {
        operation->inPlace(picture, values, seeding);
        return;
    }
    Bitmap result;
    operation->fromTo(picture, result, values, seeding);
    picture = std::move(result);
}

namespace {

// The operation of a name, given the values it needs.
const Operation& OperationFor(std::string_view operation, const std::vector<double>& values)
{
    const Operation* o = FindOperation(operation);
    if (!o)
        throw Exception("Unknown effect: " + std::string(operation));
    const FilterKind* kind = FindFilterKindByOperation(operation);
    if (values.size() < size_t(kind ? kind->valueCount : 0))
        throw Exception(std::string(operation) + " needs " + std::to_string(kind->valueCount)
            + (kind->valueCount == 1 ? " value" : " values"));
    return *o;
}

} // namespace

void RunEffect(std::string_view operation, const Bitmap& picture, Bitmap& result, const std::vector<double>& values,
    RandomSeeding seeding)
{
    const Operation& o = OperationFor(operation, values);
    if (&result == &picture)
        throw Exception("The result of an effect must be a bitmap of its own");
    result = Bitmap();
    if (o.fromTo) {
        o.fromTo(picture, result, values, seeding);
        return;
    }
    result.Assign(picture);
    o.inPlace(result, values, seeding);
}

bool UndoesWithoutCopy(std::string_view operation, const Bitmap& picture)
{
    const Operation* o = FindOperation(operation);
    return o && o->undoably && picture.GetPixelFormat() == PixelFormat::Rgb24;
}

UndoStep RunEffectUndoably(std::string_view operation, Bitmap& picture, const std::vector<double>& values)
{
    const Operation& o = OperationFor(operation, values);
    if (!o.undoably || picture.GetPixelFormat() != PixelFormat::Rgb24)
        throw Exception(std::string(operation) + " cannot be taken back without a copy of the picture");
    return o.undoably(picture, values);
}

} // namespace pelmora
