// What every effect shares: it converts other formats to Rgb24 first, and
// it never writes outside the pixels of a row, even on pictures of one row
// or one column.
#include "EffectTesting.h"

#include "effects/EffectCommand.h"
#include "effects/Random.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace pelmora::test {
namespace {

const char* const kRequests[] = {
    "Contrast=60",
    "Lightness=40",
    "Darkness=30",
    "Saturation=500",
    "Grayscale",
    "InvertColors",
    "Posterize=50",
    "Sharpen=2.5",
    "Convolve=4,0",
    "Convolve=0,1",
    "Convolve=3,2",
    "Emboss=2",
    "SplitBlur=5",
    "GaussianBlur=1",
    "Spray=8",
    "Trace=2",
    "FishEye=1.0",
    "FishEye=0.2",
    "Mosaic=6",
    "TriangleBlur=80",
    "RippleTooth=7",
    "RippleTriangle=8",
    "RippleRandom=12",
    "MirrorVertical",
    "MirrorHorizontal",
    "Rotate90",
    "Resample=5,3,5",
    "Resample=1,1,6",
};

void RunSeeded(Bitmap& b, const char* request)
{
    SetRandomSeed(17);
    ApplyEffect(b, request, RandomSeeding::Continue);
}

// The effect of a request run from the picture into a result of its own, as the display window runs it.
Bitmap RunIntoResult(const Bitmap& picture, std::string_view request)
{
    const size_t equals = request.find('=');
    std::vector<double> values;
    if (equals != std::string_view::npos)
        for (std::string_view rest = request.substr(equals + 1); !rest.empty();) {
            const size_t comma = std::min(rest.find(','), rest.size());
            values.push_back(std::stod(std::string(rest.substr(0, comma))));
            rest.remove_prefix(std::min(comma + 1, rest.size()));
        }
    Bitmap result;
    SetRandomSeed(17);
    RunEffect(request.substr(0, equals), picture, result, values, RandomSeeding::Continue);
    return result;
}

TEST(EveryEffect, ConvertsOtherFormatsFirst)
{
    for (PixelFormat f :
        {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8, PixelFormat::Rgb15, PixelFormat::Rgb32})
        for (const char* request : kRequests) {
            const Bitmap picture = PatternBitmap(13, 9, f, 6);
            Bitmap b = CopyOf(picture), converted = CopyOf(picture);
            converted.SetPixelFormat(PixelFormat::Rgb24);
            RunSeeded(b, request);
            RunSeeded(converted, request);
            ASSERT_EQ(b.GetPixelFormat(), PixelFormat::Rgb24) << request << " on " << PixelFormatName(f);
            EXPECT_TRUE(SamePixels(b, converted)) << request << " on " << PixelFormatName(f);
        }
}

TEST(EveryEffect, LeavesRowPaddingAloneOnThinPictures)
{
    for (auto [w, h] : {std::pair {1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 2}, {5, 4}})
        for (const char* request : kRequests) {
            Bitmap b = PatternBitmap(w, h, PixelFormat::Rgb24, 2);
            const size_t used = size_t(w) * 3;
            for (int y = 0; y < h; ++y)
                std::fill(b.ScanLine(y) + used, b.ScanLine(y) + b.BytesPerLine(), uint8_t(0xA5));
            const uint8_t* block = b.Bits();
            RunSeeded(b, request);
            if (b.Bits() != block)
                continue; // a new bitmap (rotated, resized) has padding of its own
            for (int y = 0; y < h; ++y)
                for (ptrdiff_t i = ptrdiff_t(used); i < b.BytesPerLine(); ++i)
                    ASSERT_EQ(b.ScanLine(y)[i], 0xA5) << request << " on " << w << "x" << h;
        }
}

// The display window runs each effect from the picture into a result of its
// own; that must give what the effect in place gives, and leave the picture.
TEST(EveryEffect, RunIntoAResultGivesWhatInPlaceGives)
{
    for (PixelFormat f : {PixelFormat::Rgb24, PixelFormat::Indexed8})
        for (auto [w, h] : {std::pair {13, 9}, {1, 1}, {7, 2}})
            for (std::string_view request : kRequests) {
                const Bitmap picture = PatternBitmap(w, h, f, 5);
                Bitmap inPlace = CopyOf(picture);
                RunSeeded(inPlace, std::string(request).c_str());
                const Bitmap result = RunIntoResult(picture, request);
                const std::string what = std::string(request) + " on " + std::to_string(w) + "x" + std::to_string(h)
                    + " " + PixelFormatName(f);
                EXPECT_TRUE(SamePixels(result, inPlace)) << what;
                EXPECT_TRUE(SamePixels(picture, PatternBitmap(w, h, f, 5))) << what;
            }
}

// Results of several megabytes are written past the cache in pieces of a
// thousand pixels; a row of one piece and one pixel more crosses a piece's end.
TEST(EveryEffect, LargeResultsGiveWhatInPlaceGives)
{
    const Bitmap rows = PatternBitmap(1025, 37, PixelFormat::Rgb24, 5);
    Bitmap picture(1025, 2800, PixelFormat::Rgb24);
    for (int y = 0; y < picture.Height(); ++y)
        std::memcpy(picture.ScanLine(y), rows.ScanLine(y % rows.Height()), size_t(rows.BytesPerLine()));
    for (const char* request : {"InvertColors", "Emboss=1", "Mosaic=6"}) {
        Bitmap inPlace = CopyOf(picture);
        RunSeeded(inPlace, request);
        EXPECT_TRUE(SamePixels(RunIntoResult(picture, request), inPlace)) << request;
    }
}

} // namespace
} // namespace pelmora::test
