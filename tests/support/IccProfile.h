// ICC profiles the colour tests embed, written by lcms2 itself.
#pragma once

#include <string>

namespace pelmora::test {

// A Display P3 profile (P3 primaries, D65 white, the sRGB tone curve) written to `path`.
void WriteDisplayP3Profile(const std::string& path);

} // namespace pelmora::test
