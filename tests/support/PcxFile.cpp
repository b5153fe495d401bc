#include "PcxFile.h"

#include "ByteWriter.h"

#include <algorithm>

namespace pelmora::test {

int PcxFile::BytesPerLine() const
{
    if (bytesPerLine)
        return bytesPerLine;
    int bytes = bitsPerPixel == 1 ? (width + 7) / 8 : width;
    return bytes + bytes % 2;
}

std::vector<uint8_t> PcxFile::Bytes() const
{
    ByteWriter w;
    w.U8(unsigned(maker)).U8(unsigned(version)).U8(unsigned(encoding)).U8(unsigned(bitsPerPixel));
    w.U16LE(0).U16LE(0).U16LE(unsigned(width - 1)).U16LE(unsigned(height - 1));
    w.U16LE(72).U16LE(72).Bytes(colors16).U8(0).U8(unsigned(planes));
    w.U16LE(unsigned(BytesPerLine())).U16LE(unsigned(paletteInfo));
    w.Fill(128 - w.Size(), 0);
    if (encoding != 1) {
        w.Bytes(lines);
    } else {
        const size_t lineSize = size_t(planes) * size_t(BytesPerLine());
        for (size_t start = 0; start < lines.size(); start += lineSize) {
            size_t end = std::min(lines.size(), start + lineSize);
            for (size_t i = start; i < end;) {
                size_t run = 1;
                while (i + run < end && run < 63 && lines[i + run] == lines[i])
                    ++run;
                if (run > 1 || lines[i] >= 192)
                    w.U8(unsigned(0xC0 | run));
                w.U8(lines[i]);
                i += run;
            }
        }
    }
    w.Bytes(trailer);
    return w.data;
}

std::vector<uint8_t> PcxPaletteTrailer(const std::vector<uint8_t>& rgb)
{
    ByteWriter w;
    w.U8(12).Bytes(rgb);
    w.Fill(769 - w.Size(), 0);
    return w.data;
}

} // namespace pelmora::test
