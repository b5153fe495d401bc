#include "RlaFile.h"

#include "ByteWriter.h"

namespace pelmora::test {

std::vector<uint8_t> RlaEncode(const std::vector<uint8_t>& s)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < s.size()) {
        size_t run = 1;
        while (i + run < s.size() && run < 128 && s[i + run] == s[i])
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(run - 1));
            out.push_back(s[i]);
            i += run;
            continue;
        }
        size_t start = i, n = 0;
        while (i < s.size() && n < 128 && !(i + 1 < s.size() && s[i] == s[i + 1])) {
            ++i;
            ++n;
        }
        out.push_back(uint8_t(-int(n)));
        out.insert(out.end(), s.begin() + long(start), s.begin() + long(start + n));
    }
    return out;
}

std::vector<uint8_t> RlaFile::Bytes() const
{
    ByteWriter w;
    w.bigEndian = true;
    w.U16(unsigned(left)).U16(unsigned(right)).U16(unsigned(bottom)).U16(unsigned(top)); // whole window
    w.U16(unsigned(left)).U16(unsigned(right)).U16(unsigned(bottom)).U16(unsigned(top)); // active window
    w.U16(1).U16(0).U16(unsigned(colorChannels)).U16(unsigned(matteChannels)).U16(0).U16(0xFFFE);
    w.Fill(740 - w.Size(), 0);
    const size_t table = w.Size();
    w.Fill(lines.size() * 4, 0);
    std::vector<uint32_t> offsets;
    for (const auto& line : lines) {
        offsets.push_back(uint32_t(w.Size()));
        for (const auto& channel : line) {
            std::vector<uint8_t> packed = RlaEncode(channel);
            w.U16(unsigned(packed.size())).Bytes(packed);
        }
    }
    for (size_t k = 0; k < offsets.size(); ++k) {
        w.data[table + k * 4] = uint8_t(offsets[k] >> 24);
        w.data[table + k * 4 + 1] = uint8_t(offsets[k] >> 16);
        w.data[table + k * 4 + 2] = uint8_t(offsets[k] >> 8);
        w.data[table + k * 4 + 3] = uint8_t(offsets[k]);
    }
    return w.data;
}

} // namespace pelmora::test
