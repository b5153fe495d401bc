#include "CutFile.h"

#include "ByteWriter.h"

namespace pelmora::test {

std::vector<uint8_t> CutFileBytes(int width, int height, const std::vector<uint8_t>& indices)
{
    ByteWriter w;
    w.U16LE(unsigned(width)).U16LE(unsigned(height)).U16LE(0);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &indices[size_t(y) * size_t(width)];
        ByteWriter packets;
        for (int x = 0; x < width;) {
            int run = 1;
            while (x + run < width && run < 127 && row[x + run] == row[x])
                ++run;
            if (run > 1) {
                packets.U8(unsigned(0x80 | run)).U8(row[x]);
                x += run;
                continue;
            }
            int copy = 1;
            while (x + copy < width && copy < 127 && !(x + copy + 1 < width && row[x + copy] == row[x + copy + 1]))
                ++copy;
            packets.U8(unsigned(copy)).Bytes(std::vector<uint8_t>(row + x, row + x + copy));
            x += copy;
        }
        packets.U8(0);
        w.U16LE(unsigned(packets.Size())).Bytes(packets.data);
    }
    return w.data;
}

std::vector<uint8_t> CutPaletteBytes(const std::vector<uint8_t>& rgb)
{
    ByteWriter w;
    w.Text("AH").U16LE(0).U16LE(0).U8(10).U8(0).U16LE(0).U16LE(0);
    w.U16LE(unsigned(rgb.size() / 3 - 1)).U16LE(255).U16LE(255).U16LE(255).Text("Dr. Halo");
    w.Fill(40 - w.Size(), 0);
    size_t at = 40;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        if (at > 506) {
            w.Fill(512 - at, 0);
            at = 0;
        }
        w.U16LE(rgb[i]).U16LE(rgb[i + 1]).U16LE(rgb[i + 2]);
        at += 6;
    }
    w.Fill(512 - at, 0);
    return w.data;
}

} // namespace pelmora::test
