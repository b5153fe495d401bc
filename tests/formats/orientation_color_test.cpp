// Camera orientation (the Exif tag read from damaged blocks too, and the
// eight ways a picture is turned upright in each pixel size) and the colour
// helper's refusals: profiles it cannot or need not apply leave the picture as
// it is; those it applies give lcms2's colours.
#include "formats/ColorProfile.h"
#include "formats/Orientation.h"
#include "tests/support/IccProfile.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cstdlib>
#include <cstring>

namespace pelmora {
namespace {

// "Exif\0\0", a TIFF header of the byte order and one IFD entry: orientation SHORT `value`.
std::vector<uint8_t> ExifBlock(bool bigEndian, int value)
{
    std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0};
    auto u16 = [&](int v) {
        b.push_back(uint8_t(bigEndian ? v >> 8 : v));
        b.push_back(uint8_t(bigEndian ? v : v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(bigEndian ? int(v >> 16) : int(v & 0xFFFF)), u16(bigEndian ? int(v & 0xFFFF) : int(v >> 16));
    };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    u16(42);
    u32(8);
    u16(1);
    u16(0x0112), u16(3), u32(1), u16(value), u16(0);
    u32(0);
    return b;
}

TEST(Orientation, ReadsTheExifTagAndIgnoresDamage)
{
    std::vector<uint8_t> cut = ExifBlock(true, 6);
    cut.resize(20);
    std::vector<uint8_t> garbage(64, 0xA5);
    std::memcpy(garbage.data(), "Exif\0\0", 6);
    struct Case {
        const char* what;
        std::vector<uint8_t> block;
        int orientation;
    } cases[] = {
        {"big-endian", ExifBlock(true, 6), 6},
        {"little-endian", ExifBlock(false, 3), 3},
        {"mirrored", ExifBlock(true, 5), 5},
        {"out of range", ExifBlock(true, 9), 1},
        {"zero", ExifBlock(false, 0), 1},
        {"cut short", cut, 1},
        {"garbage", garbage, 1},
        {"empty", {}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExifOrientation(c.block), c.orientation) << c.what;
}

TEST(Orientation, TurnsEveryPixelSizeUpright)
{
    // Stored "abc/def"; the upright picture of each orientation, rows joined by '/'.
    const char* upright[9]
        = {"", "abc/def", "cba/fed", "fed/cba", "def/abc", "ad/be/cf", "da/eb/fc", "fc/eb/da", "cf/be/ad"};
    for (PixelFormat format : {PixelFormat::Indexed8, PixelFormat::Rgb24, PixelFormat::Rgb32}) {
        const int bytes = BitsPerPixel(format) / 8;
        for (int orientation = 1; orientation <= 8; ++orientation) {
            Bitmap b(3, 2, format);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    std::memset(b.ScanLine(y) + x * bytes, 'a' + y * 3 + x, size_t(bytes));
            ApplyOrientation(b, orientation);
            std::string seen;
            for (int y = 0; y < b.Height(); ++y) {
                if (y)
                    seen += '/';
                for (int x = 0; x < b.Width(); ++x)
                    seen += char(b.ScanLine(y)[x * bytes + bytes - 1]);
            }
            EXPECT_EQ(seen, upright[orientation]) << PixelFormatName(format) << " orientation " << orientation;
            EXPECT_EQ(b.GetPixelFormat(), format);
        }
    }
}

TEST(ColorProfile, LeavesPicturesAloneWhenTheProfileCannotOrNeedNotApply)
{
    test::TempDir dir;
    test::WriteDisplayP3Profile(dir.File("p3.icc"));
    const std::vector<uint8_t> p3 = test::ReadFile(dir.File("p3.icc"));
    std::vector<uint8_t> cut(p3.begin(), p3.begin() + long(p3.size() / 2));
    std::vector<uint8_t> garbage(600, 0x5A);
    struct Case {
        const char* what;
        std::vector<uint8_t> profile;
        bool changes;
    } cases[] = {{"Display P3", p3, true}, {"cut short", cut, false}, {"garbage", garbage, false}, {"none", {}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bitmap picture = test::PatternBitmap(7, 5, PixelFormat::Rgb32, 3);
        picture.SetHasAlpha(true);
        Bitmap before;
        before.Assign(picture);
        ConvertToSrgb(picture, c.profile);
        EXPECT_EQ(std::memcmp(picture.Bits(), before.Bits(), size_t(picture.BytesPerLine()) * 5) != 0, c.changes);
        for (int x = 0; x < 7; ++x) // the alpha stays whatever the colours do
            EXPECT_EQ(picture.ScanLine(2)[x * 4 + 3], before.ScanLine(2)[x * 4 + 3]);
    }
}

TEST(ColorProfile, RgbProfilesGiveLcms2sColoursWithinALevel)
{
    test::TempDir dir;
    test::WriteDisplayP3Profile(dir.File("p3.icc"));
    const Chromaticities wide = {{0.7347, 0.2653}, {0.1596, 0.8404}, {0.0366, 0.0001}, {0.3457, 0.3585}};
    struct Case {
        const char* what;
        std::vector<uint8_t> profile;
    } cases[] = {
        {"Display P3", test::ReadFile(dir.File("p3.icc"))},
        {"gamma 1.8, wide primaries (colours past sRGB clip)", GammaProfile(1 / 1.8, &wide)},
        {"linear light", GammaProfile(1.0, nullptr)},
    };
    for (const Case& c : cases) {
        for (PixelFormat format : {PixelFormat::Rgb24, PixelFormat::Rgb32}) {
            SCOPED_TRACE(std::string(c.what) + (format == PixelFormat::Rgb24 ? " Rgb24" : " Rgb32"));
            const int bytes = format == PixelFormat::Rgb24 ? 3 : 4;
            Bitmap picture(17 * 17, 17, format);
            for (int y = 0; y < 17; ++y)
                for (int x = 0; x < 17 * 17; ++x)
                    for (int k = 0; k < bytes; ++k)
                        picture.ScanLine(y)[x * bytes + k] = uint8_t(std::min(255,
                            7
                                + 16
                                    * (k == 0        ? x % 17
                                            : k == 1 ? x / 17
                                                     : y)));
            std::vector<uint8_t> expected(size_t(picture.BytesPerLine()) * 17);
            cmsHPROFILE source = cmsOpenProfileFromMem(c.profile.data(), cmsUInt32Number(c.profile.size()));
            cmsHPROFILE srgb = cmsCreate_sRGBProfile();
            const cmsUInt32Number type = bytes == 3 ? TYPE_BGR_8 : TYPE_BGRA_8;
            cmsHTRANSFORM transform
                = cmsCreateTransform(source, type, srgb, type, INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA);
            ASSERT_TRUE(transform);
            cmsDoTransformLineStride(transform, picture.Bits(), expected.data(), 17 * 17, 17,
                cmsUInt32Number(picture.BytesPerLine()), cmsUInt32Number(picture.BytesPerLine()), 0, 0);
            cmsDeleteTransform(transform);
            cmsCloseProfile(source);
            cmsCloseProfile(srgb);
            ConvertToSrgb(picture, c.profile);
            int worst = 0;
            for (size_t i = 0; i < expected.size(); ++i)
                worst = std::max(worst, std::abs(int(picture.Bits()[i]) - int(expected[i])));
            EXPECT_LE(worst, 1);
        }
    }
}

} // namespace
} // namespace pelmora
