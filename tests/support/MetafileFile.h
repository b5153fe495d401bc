// Metafiles for tests: records written one by one, then wrapped in a Windows
// metafile (placeable or not) or an enhanced metafile.
#pragma once

#include "ByteWriter.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace pelmora::test {

// A 24-bit device-independent bitmap, bottom-up, every pixel `colour` (0xRRGGBB)
// except the top-left one, which is `corner`.
std::vector<uint8_t> DibBytes(int width, int height, uint32_t colour, uint32_t corner);

class WmfWriter {
public:
    // One record: the function and its 16-bit words as the file keeps them.
    WmfWriter& Record(uint16_t function, std::initializer_list<int> words);
    WmfWriter& Record(uint16_t function, const std::vector<uint8_t>& parameters);

    // A record that makes an object, which takes the next free slot.
    WmfWriter& Object(uint16_t function, std::initializer_list<int> words)
    {
        ++objects_;
        return Record(function, words);
    }

    WmfWriter& WindowOrg(int x, int y) { return Record(0x020B, {y, x}); }
    WmfWriter& WindowExt(int x, int y) { return Record(0x020C, {y, x}); }
    WmfWriter& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {b, r, t, l}); }
    WmfWriter& Ellipse(int l, int t, int r, int b) { return Record(0x0418, {b, r, t, l}); }
    WmfWriter& Polygon(const std::vector<std::pair<int, int>>& points);
    // A solid pen (style 0) or brush (style 0) of 0xRRGGBB; each takes the next free slot.
    WmfWriter& Pen(int style, int width, uint32_t colour);
    WmfWriter& Brush(int style, uint32_t colour, int hatch = 0);
    WmfWriter& Font(int height, int weight, bool italic, const std::string& face);
    WmfWriter& Select(int index) { return Record(0x012D, {index}); }
    WmfWriter& TextColour(uint32_t colour);
    WmfWriter& TextOut(int x, int y, const std::string& text);
    WmfWriter& StretchDib(
        int x, int y, int width, int height, const std::vector<uint8_t>& dib, int dibWidth, int dibHeight);

    // A plain metafile, or one with the placeable header's box and units an inch.
    std::vector<uint8_t> File() const;
    std::vector<uint8_t> Placeable(int left, int top, int right, int bottom, int inch) const;
    // The records alone, no end record.
    const std::vector<uint8_t>& Records() const { return records_.data; }

private:
    ByteWriter records_;
    int objects_ = 0;
    uint32_t largest_ = 3; // words of the longest record, which the header names
};

class EmfWriter {
public:
    // One record: its type and 32-bit values.
    EmfWriter& Record(uint32_t type, std::initializer_list<int32_t> values);
    EmfWriter& Record(uint32_t type, const std::vector<uint8_t>& parameters);

    // 0.01 mm frame; device of 96 dpi unless set otherwise.
    std::vector<uint8_t> File(int frameRight, int frameBottom) const;
    const std::vector<uint8_t>& Records() const { return records_.data; }

private:
    ByteWriter records_;
    uint32_t count_ = 0;
};

} // namespace pelmora::test
