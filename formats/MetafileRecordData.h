// Pieces both metafile record readers take from records: colours, text in
// the Windows code page, and the device-independent bitmaps of bit-block
// transfers (through our own bitmap reader).
#pragma once

#include "MetafileSteps.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>

namespace pelmora {

// A record player's table: the handler of each record type it draws, sorted by type.
template <typename Type, typename Handler> struct RecordHandler {
    Type type;
    Handler handler;
};

template <typename Type, typename Handler, size_t N>
constexpr bool SortedByType(const RecordHandler<Type, Handler> (&table)[N])
{
    return std::is_sorted(std::begin(table), std::end(table), [](auto& a, auto& b) { return a.type < b.type; });
}

// The handler of `type`, or nullptr for a record the player skips.
template <typename Type, typename Handler, size_t N>
Handler FindHandler(const RecordHandler<Type, Handler> (&table)[N], Type type)
{
    auto at
        = std::lower_bound(std::begin(table), std::end(table), type, [](const auto& e, Type t) { return e.type < t; });
    return at != std::end(table) && at->type == type ? at->handler : nullptr;
}

// A COLORREF: red, green, blue, unused.
MetaColor ColorRef(uint32_t value);

// Bytes in the Windows Latin code page, up to the first zero.
std::u16string AnsiText(std::span<const uint8_t> bytes);

struct MetaDib {
    Bitmap bitmap;
    bool bottomUp = true; // source rows are counted from the bottom
};

// A device-independent bitmap whose info header (with its colours) and
// pixels may lie apart; nothing when either is damaged.
std::optional<MetaDib> ReadMetaDib(std::span<const uint8_t> info, std::span<const uint8_t> bits);

// The source rectangle of a transfer, in rows counted from the top.
MetaRect SourceRect(const MetaDib& dib, double x, double y, double width, double height);

} // namespace pelmora
