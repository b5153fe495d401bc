#include "MetafileFile.h"

#include <algorithm>

namespace pelmora::test {

std::vector<uint8_t> DibBytes(int width, int height, uint32_t colour, uint32_t corner)
{
    ByteWriter w;
    int row = (width * 3 + 3) / 4 * 4;
    w.U32LE(40).U32LE(uint32_t(width)).U32LE(uint32_t(height)).U16LE(1).U16LE(24).U32LE(0);
    w.U32LE(uint32_t(row * height)).U32LE(0).U32LE(0).U32LE(0).U32LE(0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            uint32_t c = x == 0 && y == 0 ? corner : colour;
            w.U8(c & 0xFF).U8(c >> 8 & 0xFF).U8(c >> 16 & 0xFF);
        }
        w.Fill(size_t(row - width * 3), 0);
    }
    return w.data;
}

namespace {

uint32_t ColourRef(uint32_t rgb)
{
    return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

} // namespace

WmfWriter& WmfWriter::Record(uint16_t function, std::initializer_list<int> words)
{
    largest_ = std::max(largest_, uint32_t(3 + words.size()));
    records_.U32LE(uint32_t(3 + words.size())).U16LE(function);
    for (int v : words)
        records_.U16LE(unsigned(v) & 0xFFFF);
    return *this;
}

WmfWriter& WmfWriter::Record(uint16_t function, const std::vector<uint8_t>& parameters)
{
    std::vector<uint8_t> even = parameters;
    if (even.size() % 2)
        even.push_back(0);
    largest_ = std::max(largest_, uint32_t(3 + even.size() / 2));
    records_.U32LE(uint32_t(3 + even.size() / 2)).U16LE(function).Bytes(even);
    return *this;
}

WmfWriter& WmfWriter::Polygon(const std::vector<std::pair<int, int>>& points)
{
    ByteWriter p;
    p.U16LE(unsigned(points.size()));
    for (auto [x, y] : points)
        p.U16LE(unsigned(x) & 0xFFFF).U16LE(unsigned(y) & 0xFFFF);
    return Record(0x0324, p.data);
}

WmfWriter& WmfWriter::Pen(int style, int width, uint32_t colour)
{
    ++objects_;
    ByteWriter p;
    p.U16LE(unsigned(style)).U16LE(unsigned(width)).U16LE(0).U32LE(ColourRef(colour));
    return Record(0x02FA, p.data);
}

WmfWriter& WmfWriter::Brush(int style, uint32_t colour, int hatch)
{
    ++objects_;
    ByteWriter p;
    p.U16LE(unsigned(style)).U32LE(ColourRef(colour)).U16LE(unsigned(hatch));
    return Record(0x02FC, p.data);
}

WmfWriter& WmfWriter::Font(int height, int weight, bool italic, const std::string& face)
{
    ++objects_;
    ByteWriter p;
    p.U16LE(unsigned(height) & 0xFFFF).U16LE(0).U16LE(0).U16LE(0).U16LE(unsigned(weight));
    p.U8(italic).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).Text(face).U8(0);
    return Record(0x02FB, p.data);
}

WmfWriter& WmfWriter::TextColour(uint32_t colour)
{
    ByteWriter p;
    p.U32LE(ColourRef(colour));
    return Record(0x0209, p.data);
}

WmfWriter& WmfWriter::TextOut(int x, int y, const std::string& text)
{
    ByteWriter p;
    p.U16LE(unsigned(text.size())).Text(text);
    if (text.size() % 2)
        p.U8(0);
    p.U16LE(unsigned(y)).U16LE(unsigned(x));
    return Record(0x0521, p.data);
}

WmfWriter& WmfWriter::StretchDib(
    int x, int y, int width, int height, const std::vector<uint8_t>& dib, int dibWidth, int dibHeight)
{
    ByteWriter p;
    p.U32LE(0xCC0020).U16LE(0).U16LE(unsigned(dibHeight)).U16LE(unsigned(dibWidth)).U16LE(0).U16LE(0);
    p.U16LE(unsigned(height)).U16LE(unsigned(width)).U16LE(unsigned(y)).U16LE(unsigned(x)).Bytes(dib);
    return Record(0x0F43, p.data);
}

std::vector<uint8_t> WmfWriter::File() const
{
    ByteWriter w;
    uint32_t words = uint32_t(9 + records_.data.size() / 2 + 3);
    w.U16LE(1).U16LE(9).U16LE(0x300).U32LE(words).U16LE(unsigned(objects_)).U32LE(largest_).U16LE(0);
    w.Bytes(records_.data).U32LE(3).U16LE(0);
    return w.data;
}

std::vector<uint8_t> WmfWriter::Placeable(int left, int top, int right, int bottom, int inch) const
{
    ByteWriter h;
    h.U32LE(0x9AC6CDD7).U16LE(0);
    h.U16LE(unsigned(left) & 0xFFFF).U16LE(unsigned(top) & 0xFFFF);
    h.U16LE(unsigned(right) & 0xFFFF).U16LE(unsigned(bottom) & 0xFFFF);
    h.U16LE(unsigned(inch)).U32LE(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2)
        sum ^= uint16_t(h.data[i] | h.data[i + 1] << 8);
    h.U16LE(sum).Bytes(File());
    return h.data;
}

EmfWriter& EmfWriter::Record(uint32_t type, std::initializer_list<int32_t> values)
{
    records_.U32LE(type).U32LE(uint32_t(8 + 4 * values.size()));
    for (int32_t v : values)
        records_.U32LE(uint32_t(v));
    ++count_;
    return *this;
}

EmfWriter& EmfWriter::Record(uint32_t type, const std::vector<uint8_t>& parameters)
{
    std::vector<uint8_t> padded = parameters;
    padded.resize((padded.size() + 3) / 4 * 4, 0);
    records_.U32LE(type).U32LE(uint32_t(8 + padded.size())).Bytes(padded);
    ++count_;
    return *this;
}

std::vector<uint8_t> EmfWriter::File(int frameRight, int frameBottom) const
{
    ByteWriter w;
    int pixelsRight = frameRight * 96 / 2540, pixelsBottom = frameBottom * 96 / 2540;
    w.U32LE(1).U32LE(108).U32LE(0).U32LE(0).U32LE(uint32_t(pixelsRight)).U32LE(uint32_t(pixelsBottom));
    w.U32LE(0).U32LE(0).U32LE(uint32_t(frameRight)).U32LE(uint32_t(frameBottom)).U32LE(0x464D4520);
    w.U32LE(0x10000).U32LE(uint32_t(108 + records_.data.size() + 20)).U32LE(count_ + 2);
    w.U16LE(32).U16LE(0).U32LE(0).U32LE(0).U32LE(0);
    w.U32LE(960).U32LE(960).U32LE(254).U32LE(254); // reference device: 96 dpi
    w.U32LE(0).U32LE(0).U32LE(0).U32LE(254000).U32LE(254000);
    w.Bytes(records_.data);
    w.U32LE(14).U32LE(20).U32LE(0).U32LE(16).U32LE(20); // end
    return w.data;
}

} // namespace pelmora::test
