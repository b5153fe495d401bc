// Pieces both metafile record readers take from records: colours, text in
// the Windows code page, and the device-independent bitmaps of bit-block
// transfers (through our own bitmap reader).
#pragma once

#include "MetafileSteps.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pelmora {

// A record player's table: the handler of each record type it draws, found
// by the type's low byte, which no two of its types share (the table does
// not compile otherwise).
template <typename Type, typename Handler> class RecordTable {
public:
    struct Entry {
        Type type {};
        Handler handler = nullptr;
    };

    template <size_t N> consteval explicit RecordTable(const Entry (&entries)[N])
    {
        for (const Entry& e : entries) {
            if (slots_[e.type & 0xFF].handler)
                throw "two record types share a low byte";
            slots_[e.type & 0xFF] = e;
        }
    }

    // The handler of `type`, or nullptr for a record the player skips.
    Handler Find(Type type) const
    {
        const Entry& e = slots_[type & 0xFF];
        return e.type == type ? e.handler : nullptr;
    }

private:
    std::array<Entry, 256> slots_ {};
};

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
