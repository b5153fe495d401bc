#include "PngChunks.h"

#include <algorithm>

namespace pelmora::test {

namespace {

uint32_t Crc(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
    }
    return crc ^ 0xFFFFFFFF;
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v)
{
    out.insert(out.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
}

} // namespace

std::vector<uint8_t> Big32s(std::initializer_list<uint32_t> values)
{
    std::vector<uint8_t> out;
    for (uint32_t v : values)
        PutBig32(out, v);
    return out;
}

std::vector<uint8_t> PngChunk(const char* type, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out;
    PutBig32(out, uint32_t(data.size()));
    const size_t from = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig32(out, Crc(&out[from], out.size() - from));
    return out;
}

std::vector<uint8_t> StoredZlib(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out = {0x78, 0x01};
    for (size_t at = 0; at < data.size() || at == 0; at += 65535) {
        const size_t n = std::min<size_t>(65535, data.size() - at);
        out.push_back(at + n == data.size() ? 1 : 0);
        out.insert(out.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
        out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + n));
    }
    uint32_t a = 1, b = 0;
    for (uint8_t v : data)
        a = (a + v) % 65521, b = (b + a) % 65521;
    PutBig32(out, b << 16 | a);
    return out;
}

} // namespace pelmora::test
