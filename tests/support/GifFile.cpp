#include "GifFile.h"

#include "ByteWriter.h"
#include "LzwEncoder.h"

namespace pelmora::test {

namespace {

// Rows in the order an interlaced file stores them.
std::vector<int> InterlacedRows(int height)
{
    std::vector<int> rows;
    const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < height; y += step[pass])
            rows.push_back(y);
    return rows;
}

} // namespace

std::vector<uint8_t> GifControlExtension(int delay, int transparentIndex, int disposal)
{
    ByteWriter w;
    w.Bytes({'!', 0xF9, 4}).U8(unsigned(disposal << 2 | (transparentIndex >= 0 ? 1 : 0))).U16LE(unsigned(delay));
    w.U8(unsigned(transparentIndex >= 0 ? transparentIndex : 0)).U8(0);
    return w.data;
}

std::vector<uint8_t> GifFile::Bytes() const
{
    // The table size field: 2 << n entries, the smallest that holds the table.
    auto sizeField = [](const std::vector<uint8_t>& table) {
        unsigned n = 0;
        while ((size_t(2) << n) * 3 < table.size())
            ++n;
        return n;
    };
    auto padded = [&](const std::vector<uint8_t>& table) {
        std::vector<uint8_t> t = table;
        t.resize((size_t(2) << sizeField(table)) * 3);
        return t;
    };
    ByteWriter w;
    w.Text(signature).U16LE(unsigned(screenWidth)).U16LE(unsigned(screenHeight));
    w.U8(globalTable.empty() ? 0 : 0x80 | sizeField(globalTable)).U8(0).U8(0);
    if (!globalTable.empty())
        w.Bytes(padded(globalTable));
    for (const auto& block : extensions)
        w.Bytes(block);
    if (hasImage) {
        w.U8(',').U16LE(unsigned(left)).U16LE(unsigned(top)).U16LE(unsigned(width)).U16LE(unsigned(height));
        unsigned flags = (interlaced ? 0x40 : 0) | (localTable.empty() ? 0 : 0x80 | sizeField(localTable));
        w.U8(flags);
        if (!localTable.empty())
            w.Bytes(padded(localTable));
        w.U8(unsigned(codeSize));
        std::vector<uint8_t> data;
        if (packed) {
            data = *packed;
        } else {
            std::vector<uint8_t> stored = indices;
            int rowWidth = width ? width : screenWidth;
            int rows = height ? height : screenHeight;
            if (interlaced && rowWidth > 0) {
                size_t at = 0;
                for (int y : InterlacedRows(rows))
                    for (int x = 0; x < rowWidth; ++x)
                        stored[at++] = indices[size_t(y) * size_t(rowWidth) + size_t(x)];
            }
            data = EncodeGifLzw(stored, codeSize);
        }
        for (size_t at = 0; at < data.size(); at += 255) {
            size_t n = std::min<size_t>(255, data.size() - at);
            w.U8(unsigned(n)).Bytes(std::vector<uint8_t>(data.begin() + long(at), data.begin() + long(at + n)));
        }
        w.U8(0);
    }
    w.U8(';');
    return w.data;
}

} // namespace pelmora::test

namespace pelmora::test {

std::vector<uint8_t> AnimatedGif(const std::vector<GifFile>& frames)
{
    std::vector<uint8_t> bytes = frames.at(0).Bytes();
    bytes.pop_back(); // the trailer
    for (size_t i = 1; i < frames.size(); ++i) {
        std::vector<uint8_t> more = frames[i].Bytes();
        constexpr size_t kScreen = 13; // signature and screen descriptor, no colour table
        bytes.insert(bytes.end(), more.begin() + kScreen, more.end() - 1);
    }
    bytes.push_back(';');
    return bytes;
}

} // namespace pelmora::test
