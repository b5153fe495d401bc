// Colours of a picture with an embedded ICC profile, brought to sRGB (the
// space the screen and every other picture are taken to be in) with
// LittleCMS 2, perceptual intent. One helper for every reader that finds a
// profile: JPEG, PNG, WebP, HEIF/AVIF, JPEG XL, TIFF and Photoshop files.
#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pelmora {

// Converts Rgb24 and Rgb32 rows (alpha kept) and the palette of an indexed
// bitmap from `profile` to sRGB. A profile lcms2 cannot read, one whose
// colour space the pixels are not in (a CMYK profile over RGB rows), and one
// that maps colours onto themselves (sRGB itself) leave the bitmap as it is.
// Transforms are cached by profile, so a folder of photos from one camera
// builds one.
void ConvertToSrgb(Bitmap& bitmap, std::span<const uint8_t> profile);

struct ProfileTransform;

// The same conversion for many bitmaps of one profile (the frames of an
// animation): the profile's transform is looked up once, not for each.
class SrgbConversion {
public:
    // `profile` must outlive the conversion.
    explicit SrgbConversion(std::span<const uint8_t> profile)
        : profile_(profile)
    {
    }
    void Apply(Bitmap& bitmap);

private:
    std::span<const uint8_t> profile_;
    std::shared_ptr<const ProfileTransform> transform_; // of the last bitmap's rows
};

// Red, green, blue primaries and white point as CIE x, y.
struct Chromaticities {
    double red[2], green[2], blue[2], white[2];
};

// The ICC profile of a file that gives its colours as a gamma and primaries
// (PNG's gAMA and cHRM): values encoded as linear light to the power
// `encodingGamma` (0.45455 for 1/2.2), over `primaries` or sRGB's. Empty
// when the gamma is not a positive number or lcms2 refuses the primaries.
std::vector<uint8_t> GammaProfile(double encodingGamma, const Chromaticities* primaries);

} // namespace pelmora
