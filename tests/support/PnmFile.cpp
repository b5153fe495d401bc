#include "PnmFile.h"

namespace pelmora::test {

std::string PnmFile::Header() const
{
    std::string h = "P" + std::to_string(variant) + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    if (variant != 1 && variant != 4)
        h += std::to_string(maxValue) + "\n";
    return h;
}

std::vector<uint8_t> PnmFile::Bytes() const
{
    std::string text = header.empty() ? Header() : header;
    std::vector<uint8_t> out(text.begin(), text.end());
    const size_t channels = variant == 3 || variant == 6 ? 3 : 1;
    const size_t rowSamples = size_t(width) * channels;
    if (variant <= 3) {
        for (size_t i = 0; i < samples.size(); ++i) {
            std::string s = std::to_string(samples[i]) + ((i + 1) % rowSamples == 0 ? "\n" : " ");
            out.insert(out.end(), s.begin(), s.end());
        }
        return out;
    }
    if (variant == 4) {
        for (int y = 0; y < height; ++y) {
            std::vector<uint8_t> row(size_t(width + 7) / 8);
            for (int x = 0; x < width; ++x)
                if (samples[size_t(y) * size_t(width) + size_t(x)] & 1)
                    row[size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
            out.insert(out.end(), row.begin(), row.end());
        }
        return out;
    }
    for (int v : samples) {
        if (maxValue > 255)
            out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v));
    }
    return out;
}

} // namespace pelmora::test
