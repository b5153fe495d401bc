#include "AutodeskFile.h"

#include "ByteWriter.h"

namespace pelmora::test {

std::vector<uint8_t> AutodeskFile::Bytes() const
{
    ByteWriter w;
    w.U16LE(magic).U16LE(unsigned(width)).U16LE(unsigned(height)).U16LE(0).U16LE(0);
    w.U8(8).U8(0).U32LE(uint32_t(pixels.size())).Fill(16, 0);
    w.Bytes(palette).Bytes(pixels);
    return w.data;
}

} // namespace pelmora::test
