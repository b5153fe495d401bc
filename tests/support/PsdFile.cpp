#include "PsdFile.h"

#include "ByteWriter.h"

#include <algorithm>

namespace pelmora::test {

std::vector<uint8_t> PackBitsEncode(const uint8_t* row, size_t count)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 3) {
            out.push_back(uint8_t(1 - int(run)));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        size_t start = i, n = 0;
        while (i < count && n < 128) {
            if (i + 2 < count && row[i] == row[i + 1] && row[i] == row[i + 2])
                break;
            ++i;
            ++n;
        }
        out.push_back(uint8_t(n - 1));
        out.insert(out.end(), row + start, row + start + n);
    }
    return out;
}

int PsdFile::RowBytes() const
{
    return bits == 1 ? (width + 7) / 8 : width * (bits / 8);
}

std::vector<uint8_t> PsdFile::Bytes() const
{
    ByteWriter w;
    w.bigEndian = true;
    w.Text("8BPS").U16(1).Fill(6, 0);
    w.U16(unsigned(channels ? channels : int(planes.size()))).U32(uint32_t(height)).U32(uint32_t(width));
    w.U16(unsigned(bits)).U16(unsigned(mode));
    w.U32(uint32_t(colorModeData.size())).Bytes(colorModeData);
    w.U32(uint32_t(resources.size())).Bytes(resources);
    w.U32(0); // no layers
    w.U16(packBits ? 1 : 0);
    const size_t rowBytes = size_t(RowBytes());
    if (!packBits) {
        for (const auto& plane : planes)
            w.Bytes(plane);
        return w.data;
    }
    std::vector<std::vector<uint8_t>> rows;
    for (const auto& plane : planes)
        for (int y = 0; y < height; ++y)
            rows.push_back(PackBitsEncode(plane.data() + size_t(y) * rowBytes, rowBytes));
    for (const auto& row : rows)
        w.U16(unsigned(row.size()));
    for (const auto& row : rows)
        w.Bytes(row);
    return w.data;
}

} // namespace pelmora::test
