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

TEST(EveryEffect, ConvertsOtherFormatsFirst)
{
    for (PixelFormat f :
        { PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8, PixelFormat::Rgb15, PixelFormat::Rgb32 })
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
    for (auto [w, h] : { std::pair { 1, 1 }, { 1, 7 }, { 7, 1 }, { 2, 2 }, { 3, 2 }, { 5, 4 } })
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

} // namespace
} // namespace pelmora::test
