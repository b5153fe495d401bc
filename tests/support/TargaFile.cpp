#include "TargaFile.h"

#include "ByteWriter.h"

#include <algorithm>
#include <cstring>

namespace pelmora::test {

namespace {

void PackRow(const uint8_t* row, int width, int size, ByteWriter& out)
{
    auto same = [&](int a, int b) { return std::memcmp(row + a * size, row + b * size, size_t(size)) == 0; };
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < 128 && same(x, x + run))
            ++run;
        if (run > 1) {
            out.U8(unsigned(0x80 | (run - 1)));
            out.Bytes(std::vector<uint8_t>(row + x * size, row + (x + 1) * size));
            x += run;
            continue;
        }
        int literal = 1;
        while (x + literal < width && literal < 128 && !(x + literal + 1 < width && same(x + literal, x + literal + 1)))
            ++literal;
        out.U8(unsigned(literal - 1));
        out.Bytes(std::vector<uint8_t>(row + x * size, row + (x + literal) * size));
        x += literal;
    }
}

} // namespace

std::vector<uint8_t> TargaFile::Bytes() const
{
    ByteWriter w;
    w.U8(unsigned(id.size())).U8(unsigned(colorMapType)).U8(unsigned(imageType));
    w.U16LE(0).U16LE(unsigned(colorMapLength)).U8(unsigned(colorMapEntryBits));
    w.U16LE(0).U16LE(0).U16LE(unsigned(width)).U16LE(unsigned(height));
    w.U8(unsigned(bitsPerPixel)).U8(unsigned(descriptor));
    w.Text(id).Bytes(colorMap);
    if (imageType < 9) {
        w.Bytes(pixels);
        return w.data;
    }
    const int size = (bitsPerPixel + 7) / 8;
    for (int y = 0; y < height; ++y)
        PackRow(pixels.data() + size_t(y) * size_t(width) * size_t(size), width, size, w);
    return w.data;
}

} // namespace pelmora::test
