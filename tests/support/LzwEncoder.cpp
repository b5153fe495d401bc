#include "LzwEncoder.h"

#include <algorithm>
#include <unordered_map>

namespace pelmora::test {

namespace {

class BitPacker {
public:
    explicit BitPacker(bool mostSignificantFirst)
        : msb_(mostSignificantFirst)
    {
    }
    void Put(int code, int width)
    {
        if (msb_) {
            bits_ = bits_ << width | uint64_t(code);
            held_ += width;
            while (held_ >= 8) {
                held_ -= 8;
                out.push_back(uint8_t(bits_ >> held_));
            }
        } else {
            bits_ |= uint64_t(code) << held_;
            held_ += width;
            while (held_ >= 8) {
                out.push_back(uint8_t(bits_));
                bits_ >>= 8;
                held_ -= 8;
            }
        }
    }
    void Flush()
    {
        if (held_ > 0)
            out.push_back(uint8_t(msb_ ? bits_ << (8 - held_) : bits_));
        held_ = 0;
    }
    std::vector<uint8_t> out;

private:
    bool msb_;
    uint64_t bits_ = 0;
    int held_ = 0;
};

// The encoder adds each entry one code before the decoder does, so its width
// grows one code later than the decoder's: at 2^width (TIFF) or 2^width + 1 (GIF).
std::vector<uint8_t> Encode(const std::vector<uint8_t>& data, int rootBits, bool tiff, const LzwOptions& options)
{
    const int clear = 1 << rootBits, end = clear + 1, firstWidth = rootBits + 1;
    const int growAt = tiff ? 0 : 1;
    const int clearAt = tiff ? 4094 : 4095;
    BitPacker packer(tiff);
    std::unordered_map<uint32_t, int> table;
    int width = firstWidth, nextFree = clear + 2;
    auto reset = [&] {
        table.clear();
        width = firstWidth;
        nextFree = clear + 2;
    };
    auto added = [&] {
        if (nextFree < 4096)
            ++nextFree;
        if (nextFree >= (1 << width) + growAt && width < 12)
            ++width;
    };
    if (options.leadingClear)
        packer.Put(clear, width);
    if (!data.empty()) {
        int current = data[0];
        for (size_t i = 1; i < data.size(); ++i) {
            uint32_t key = uint32_t(current) << 8 | data[i];
            auto it = table.find(key);
            if (it != table.end()) {
                current = it->second;
                continue;
            }
            packer.Put(current, width);
            if (nextFree < 4096)
                table[key] = nextFree;
            added();
            if (options.clearWhenFull && nextFree >= clearAt) {
                packer.Put(clear, width);
                reset();
            }
            current = data[i];
        }
        packer.Put(current, width);
        added();
    }
    if (options.endCode)
        packer.Put(end, width);
    packer.Flush();
    return packer.out;
}

} // namespace

std::vector<uint8_t> EncodeTiffLzw(const std::vector<uint8_t>& data, const LzwOptions& options)
{
    return Encode(data, 8, true, options);
}

std::vector<uint8_t> EncodeGifLzw(const std::vector<uint8_t>& data, int codeSize, const LzwOptions& options)
{
    return Encode(data, codeSize, false, options);
}

std::vector<uint8_t> PackCodes(const std::vector<int>& codes, int width, bool mostSignificantFirst)
{
    BitPacker packer(mostSignificantFirst);
    for (int code : codes)
        packer.Put(code, width);
    packer.Flush();
    return packer.out;
}

std::vector<uint8_t> EncodePackBits(const std::vector<uint8_t>& data, size_t rowBytes)
{
    std::vector<uint8_t> out;
    for (size_t start = 0; start < data.size(); start += rowBytes) {
        size_t end = std::min(data.size(), start + rowBytes), i = start;
        while (i < end) {
            size_t run = 1;
            while (i + run < end && run < 128 && data[i + run] == data[i])
                ++run;
            if (run >= 2) {
                out.push_back(uint8_t(1 - int(run)));
                out.push_back(data[i]);
                i += run;
                continue;
            }
            size_t literal = 1;
            while (i + literal < end && literal < 128
                && !(i + literal + 1 < end && data[i + literal] == data[i + literal + 1]))
                ++literal;
            out.push_back(uint8_t(literal - 1));
            out.insert(out.end(), data.begin() + long(i), data.begin() + long(i + literal));
            i += literal;
        }
    }
    return out;
}

} // namespace pelmora::test
