#include "SgiFile.h"

#include "ByteWriter.h"

namespace pelmora::test {

namespace {

void PackRow(const SgiFile& f, int c, int r, ByteWriter& w)
{
    auto sample = [&](unsigned v) { f.bytesPerSample == 2 ? w.U16BE(v) : w.U8(v & 0xFF); };
    int x = 0;
    while (x < f.width) {
        int run = 1;
        while (x + run < f.width && run < 127 && f.Sample(c, r, x + run) == f.Sample(c, r, x))
            ++run;
        if (run >= 3) {
            sample(unsigned(run));
            sample(f.Sample(c, r, x));
            x += run;
            continue;
        }
        int copy = 1;
        while (x + copy < f.width && copy < 127
            && !(x + copy + 2 < f.width && f.Sample(c, r, x + copy) == f.Sample(c, r, x + copy + 1)
                && f.Sample(c, r, x + copy) == f.Sample(c, r, x + copy + 2)))
            ++copy;
        sample(unsigned(0x80 | copy));
        for (int k = 0; k < copy; ++k)
            sample(f.Sample(c, r, x + k));
        x += copy;
    }
    sample(0);
}

} // namespace

std::vector<uint8_t> SgiFile::Bytes() const
{
    ByteWriter w;
    w.bigEndian = true;
    w.U16(unsigned(magic)).U8(runLength ? 1 : 0).U8(unsigned(bytesPerSample));
    w.U16(channels == 1 ? 2 : 3).U16(unsigned(width)).U16(unsigned(height)).U16(unsigned(channels));
    w.U32(0).U32(bytesPerSample == 2 ? 65535 : 255);
    w.Fill(512 - w.Size(), 0);
    const size_t rows = size_t(height) * size_t(channels);
    if (!runLength) {
        for (uint16_t s : samples)
            bytesPerSample == 2 ? w.U16(s) : w.U8(s & 0xFF);
        return w.data;
    }
    const size_t tables = w.Size();
    w.Fill(rows * 8, 0);
    for (size_t i = 0; i < rows; ++i) {
        size_t start = w.Size();
        PackRow(*this, int(i / size_t(height)), int(i % size_t(height)), w);
        w.PatchU32(tables + i * 4, uint32_t(start));
        w.PatchU32(tables + rows * 4 + i * 4, uint32_t(w.Size() - start));
    }
    return w.data;
}

} // namespace pelmora::test
