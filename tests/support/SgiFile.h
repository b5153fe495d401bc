// SGI files for tests: samples channel by channel, the bottom row first;
// run-length files get their row tables and packets here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pelmora::test {

struct SgiFile {
    int magic = 474;
    bool runLength = false;
    int bytesPerSample = 1;
    int width = 0, height = 0, channels = 1;
    // channels x height x width samples: channel 0 first, each from its bottom row up.
    std::vector<uint16_t> samples;

    uint16_t Sample(int channel, int fileRow, int x) const
    {
        return samples[(size_t(channel) * size_t(height) + size_t(fileRow)) * size_t(width) + size_t(x)];
    }
    // Packed rows: a repeat packet for three or more equal samples, copy packets between.
    std::vector<uint8_t> Bytes() const;
};

} // namespace pelmora::test
