// Wavefront RLA files for tests: the active window, the channel counts and
// the lines as the file stores them, each channel of a line run-length
// packed here.
#pragma once

#include <cstdint>
#include <vector>

namespace pelmora::test {

struct RlaFile {
    int left = 0, right = 0, bottom = 0, top = 0;
    int colorChannels = 3;
    int matteChannels = 0;
    // lines[k][c]: channel c of file line k (colour channels, then mattes), width bytes.
    std::vector<std::vector<std::vector<uint8_t>>> lines;

    std::vector<uint8_t> Bytes() const;
};

// RLA run-length: n >= 0 repeats the next byte n + 1 times, n < 0 copies -n bytes.
std::vector<uint8_t> RlaEncode(const std::vector<uint8_t>& samples);

} // namespace pelmora::test
