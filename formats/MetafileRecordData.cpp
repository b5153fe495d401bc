#include "MetafileRecordData.h"

#include "ByteOrder.h"
#include "Exception.h"
#include "Stream.h"

#include <cstring>
#include <vector>

namespace pelmora {

MetaColor ColorRef(uint32_t value)
{
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16)};
}

std::u16string AnsiText(std::span<const uint8_t> bytes)
{
    // The code page's characters 0x80..0x9F that are not Latin-1 controls.
    static const char16_t kHigh[32] = {0x20AC, 0x81, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
        0x0160, 0x2039, 0x0152, 0x8D, 0x017D, 0x8F, 0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D, 0x017E, 0x0178};
    std::u16string text;
    text.reserve(bytes.size());
    for (uint8_t b : bytes) {
        if (b == 0)
            break;
        text.push_back(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return text;
}

std::optional<MetaDib> ReadMetaDib(std::span<const uint8_t> info, std::span<const uint8_t> bits)
{
    if (info.size() < 12)
        return std::nullopt;
    MetaDib dib;
    if (LoadU32LE(info.data()) >= 16) // core headers (12 bytes) are always bottom-up
        dib.bottomUp = int32_t(LoadU32LE(info.data() + 8)) > 0;
    std::vector<uint8_t> whole(info.begin(), info.end());
    whole.insert(whole.end(), bits.begin(), bits.end());
    MemoryStream stream {std::span<const uint8_t>(whole)};
    try {
        dib.bitmap.LoadFromStream(stream);
    } catch (const Exception&) {
        return std::nullopt;
    }
    return dib;
}

MetaRect SourceRect(const MetaDib& dib, double x, double y, double width, double height)
{
    double top = dib.bottomUp ? dib.bitmap.Height() - y - height : y;
    return {x, top, x + width, top + height};
}

} // namespace pelmora
