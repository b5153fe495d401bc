// The filter kinds of the display window's value-taking edit commands: what
// the filter value dialog shows for each and the value the effect receives.
// The dialog, the display window's commands and pelmora-convert read it here.
#pragma once

#include <array>
#include <string_view>

namespace pelmora {

// How the dialog's position becomes the effect's value.
enum class ValueMapping {
    Position, // the position itself
    TimesTwo, // Spray, RippleRandom
    TimesTen, // Contrast, Lightness, Darkness, TriangleBlur
    TimesFifty, // Saturation
    Tenths, // Sharpen: position / 10 as a real number
    LensTenths, // FishEye: as Tenths, after position 5 is raised to 6 and 3 to 4
};

// One scroll bar of the dialog: its range, the position it starts at and the
// text its field shows before the dialog appears.
struct FilterRange {
    int minimum;
    int maximum;
    int position;
    const char* text;
};

struct FilterKind {
    const char* menuItem; // "Mosaic"
    const char* caption; // "  Mosaic .."
    const char* key; // "Mosaic": the entry of section "Filters"
    const char* operation; // "Mosaic": the effect that runs
    FilterRange first;
    ValueMapping mapping;
    int valueCount; // 1; 2 for Convolve (edge mode); 3 for Resize (height, kernel)
    FilterRange second; // Convolve's edge mode, Resize's height
    bool sizeOfPicture; // Resize: both bars start at the picture's width and height
};

// Resize's third bar, the kernel of ResampleKernels.
inline constexpr FilterRange kResizeKernelRange { 0, 6, 5, "Lanczos3 filter" };
// The texts that name the kernel at each position of that bar.
inline constexpr std::array<const char*, 7> KernelLabels = { "Box filter", "Triangle filter", "Hermite filter",
    "Bell filter", "Spline filter", "Lanczos3 filter", "Mitchell filter" };

inline constexpr FilterRange kNoSecondValue { 0, 0, 0, "" };

inline constexpr std::array<FilterKind, 19> FilterKinds = { {
    { "Sharpen", "  Sharpen ..", "Sharpen", "Sharpen", { -40, 400, 25, "2.5" }, ValueMapping::Tenths, 1, kNoSecondValue,
        false },
    { "Convolve", "  Convolve ..", "Convolve", "Convolve", { 0, 8, 4, "4" }, ValueMapping::Position, 2,
        { 0, 2, 1, "1" }, false },
    { "Emboss 3D", "  Emboss ..", "Emboss", "Emboss", { 1, 10, 1, "1" }, ValueMapping::Position, 1, kNoSecondValue,
        false },
    { "Mosaic", "  Mosaic ..", "Mosaic", "Mosaic", { 1, 30, 6, "6" }, ValueMapping::Position, 1, kNoSecondValue,
        false },
    { "FishEye", "  FishEye ..", "FishEye", "FishEye", { 2, 25, 10, "1" }, ValueMapping::LensTenths, 1, kNoSecondValue,
        false },
    { "Trace", "  Trace ..", "Trace", "Trace", { 1, 10, 1, "1" }, ValueMapping::Position, 1, kNoSecondValue, false },
    { "Postireze", "  Posterize ..", "Posterize", "Posterize", { 4, 255, 50, "50" }, ValueMapping::Position, 1,
        kNoSecondValue, false },
    { "Split Blur", "  SplitBlur ..", "SplitBlur", "SplitBlur", { 1, 40, 5, "5" }, ValueMapping::Position, 1,
        kNoSecondValue, false },
    { "Gaussian Blur", "  GaussianBlur ..", "GaussianBlur", "GaussianBlur", { 0, 10, 5, "5" }, ValueMapping::Position,
        1, kNoSecondValue, false },
    { "Triangle Blur", "  TriangleBlur ..", "TriangleBlur", "TriangleBlur", { 0, 25, 8, "8" }, ValueMapping::TimesTen,
        1, kNoSecondValue, false },
    { "Blur Random", "  RippleRandom ..", "RippleRandom", "RippleRandom", { 0, 30, 6, "6" }, ValueMapping::TimesTwo, 1,
        kNoSecondValue, false },
    { "Spray (glass)", "  Spray ..", "Spray", "Spray", { 1, 60, 4, "4" }, ValueMapping::TimesTwo, 1, kNoSecondValue,
        false },
    { "Ripple Tooth", "  RippleTooth ..", "RippleTooth", "RippleTooth", { 0, 20, 7, "7" }, ValueMapping::Position, 1,
        kNoSecondValue, false },
    { "Ripple Triangle", "  RippleTriangle ..", "RippleTriangle", "RippleTriangle", { 1, 30, 8, "8" },
        ValueMapping::Position, 1, kNoSecondValue, false },
    { "Contrast ...", "  Contrast ..", "Contrast", "Contrast", { -25, 50, 6, "6" }, ValueMapping::TimesTen, 1,
        kNoSecondValue, false },
    { "Lightness ...", "  Lightness ..", "Lightness", "Lightness", { -45, 25, 4, "4" }, ValueMapping::TimesTen, 1,
        kNoSecondValue, false },
    { "Darkness ...", "  Darkness ..", "Darkness", "Darkness", { -50, 15, 3, "3" }, ValueMapping::TimesTen, 1,
        kNoSecondValue, false },
    { "Saturation ...", "  Saturation ..", "Saturation", "Saturation", { -30, 30, 10, "10" }, ValueMapping::TimesFifty,
        1, kNoSecondValue, false },
    { "Resize ...", "  Resize ..", "Resize", "Resample", { 1, 20000, 1, "" }, ValueMapping::Position, 3,
        { 1, 20000, 1, "" }, true },
} };

// The kind whose caption, blanks trimmed, equals the trimmed text; nullptr if none.
const FilterKind* FindFilterKindByCaption(std::string_view caption);
// The kind that runs an operation ("Resample" for Resize); nullptr if none.
const FilterKind* FindFilterKindByOperation(std::string_view operation);

// The position the effect is run with: FishEye's 5 and 3 become 6 and 4.
int EffectivePosition(const FilterKind& kind, int position);
// The value the effect receives for a dialog position.
double EffectValue(const FilterKind& kind, int position);
// Whether the effect's value is a real number (Sharpen, FishEye).
bool HasRealValue(const FilterKind& kind);

} // namespace pelmora
