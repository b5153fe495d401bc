// Portable bitmap, greymap and pixmap files for tests, written from samples
// (one a pixel for P1, P2, P4, P5; red, green, blue for P3 and P6).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::test {

struct PnmFile {
    int variant = 6;
    int width = 0, height = 0;
    int maxValue = 255; // not written for P1 and P4
    std::vector<int> samples; // rows top first; bilevel: 1 is black
    std::string header; // when set, written instead of the usual header lines

    std::string Header() const;
    std::vector<uint8_t> Bytes() const;
};

} // namespace pelmora::test
