#include "LZW.h"

#include "formats/ByteOrder.h"
#include "formats/Exception.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace pelmora {

namespace {

// The strings of the roots: byte i at index i (a root of a code size above 8
// bits stands for its low byte), with room for a 16-byte read at the last one.
struct RootBytes {
    alignas(16) uint8_t bytes[4096 + 16] = {};
    RootBytes()
    {
        for (int i = 0; i < 4096; ++i)
            bytes[i] = uint8_t(i);
    }
};
const RootBytes kRoots;

// Copies the n bytes of a string (n >= 1) to `to`. The string ends at or
// before `to`, except for the next free code, whose last byte is the first
// byte written: it is taken from the string's start once that is written.
inline void CopyString(uint8_t* to, const uint8_t* from, size_t n)
{
    std::memcpy(to, from, n - 1);
    to[n - 1] = from[n - 1];
}

// The same for n <= 16 as one 16-byte copy: the bytes past the string get
// stale copies (see OriginalBytes). All 16 are read before any is written.
inline void CopyShortString(uint8_t* to, const uint8_t* from, size_t n)
{
    uint8_t block[16];
    std::memcpy(block, from, 16);
    std::memcpy(to, block, 16);
    to[n - 1] = from[n - 1];
}

// A string that ends at or before `to`, in 16-byte blocks: `n` rounded up to
// 16 bytes are written. A block may read bytes an earlier block of the same
// copy wrote, but only past the string's end, where stale bytes do no harm.
inline void CopyBlocks(uint8_t* to, const uint8_t* from, size_t n)
{
    for (size_t i = 0; i < n; i += 16) {
        uint8_t block[16];
        std::memcpy(block, from + i, 16);
        std::memcpy(to + i, block, 16);
    }
}

// Short strings go out as 16-byte copies, which write stale bytes past the
// string's end; the next string overwrites them. So that a decode that stops
// (or fails) leaves the destination past its output as it was, this keeps
// what a window of the destination held before, from the write position on,
// and puts it back at the end. Stale bytes lie between the write position and
// the window's end; sliding by half a window keeps the originals of all of
// them, as no write reaches more than 16 bytes past the window's middle.
class OriginalBytes {
public:
    static constexpr size_t kWindow = 512;

    OriginalBytes(uint8_t* out, size_t limit)
        : out_(out)
        , limit_(limit)
    {
    }

    // The last write position at which 16 bytes fit the window as it stands
    // (none while the window is empty: then the answer is below any position).
    size_t LastBlockStart() const { return end_ - 16; }
    // Whether 16 bytes may be written at `pos`, sliding or restarting the window.
    bool Allow(size_t pos) { return pos + 16 <= end_ || Move(pos); }
    // Stale bytes may now lie anywhere from the write position to the window's end.
    void Dirty() { dirty_ = true; }
    // Puts back the bytes from `pos` on that stale copies may have overwritten.
    void Restore(size_t pos)
    {
        if (dirty_ && pos < end_)
            std::memcpy(out_ + pos, saved_ + (pos - base_), end_ - pos);
        dirty_ = false;
    }

private:
    bool Move(size_t pos)
    {
        constexpr size_t half = kWindow / 2;
        if (!dirty_ || pos >= end_) {
            // Nothing stale past `pos`: the window starts afresh there.
            dirty_ = false;
            if (limit_ - pos < kWindow)
                return false;
            std::memcpy(saved_, out_ + pos, kWindow);
            base_ = pos;
            end_ = pos + kWindow;
            return true;
        }
        // `pos` lies in the window's second half: move the window on by half.
        if (limit_ - base_ < kWindow + half)
            return false;
        std::memcpy(saved_, saved_ + half, half);
        std::memcpy(saved_ + half, out_ + end_, half);
        base_ += half;
        end_ += half;
        return true;
    }

    uint8_t* out_;
    size_t limit_;
    // The window: what out_[base_, end_) held before. It starts empty, with
    // an end of 16 so that LastBlockStart() is 0 and no position passes it
    // but 0, which Allow() then checks.
    size_t base_ = 0, end_ = 16;
    bool dirty_ = false; // out_[pos, end_) may hold stale bytes
    uint8_t saved_[kWindow];
};

// Where the code reader stands: the packed bytes, the next one to load and
// up to 64 bits already loaded. A plain value, so that the hot loop keeps it
// in registers.
struct CodeState {
    const uint8_t* in;
    size_t size;
    size_t read = 0;
    uint64_t bits = 0;
    int held = 0;
};

// Codes from packed bytes, most or least significant bit first. The 64-bit
// buffer is refilled a word at a time while 8 packed bytes remain, then byte by
// byte; bits of bytes not yet counted may already sit in it, and refilling puts
// the same bits there again.
template <bool MostSignificantFirst> class CodeReader {
public:
    CodeReader(const uint8_t* in, size_t size)
        : state_ {in, size}
    {
    }

    // False when the packed bytes hold no complete code of `width` bits more.
    bool Next(int width, int& code)
    {
        if (state_.held < width) {
            Refill();
            if (state_.held < width)
                return false;
        }
        code = Take(state_, width);
        return true;
    }

    CodeState& State() { return state_; }

    // The read positions below this have 8 packed bytes to load (none for fewer than 8).
    size_t WordEnd() const { return state_.size >= 8 ? state_.size - 7 : 0; }

    // The next code, refilling without a branch: only while state.read <
    // WordEnd(). After the refill at least 56 bits are held.
    static int NextUnchecked(CodeState& state, int width)
    {
        RefillWord(state);
        return Take(state, width);
    }

private:
    // Loads the 8 bytes from the read position: only while state.read < WordEnd().
    static void RefillWord(CodeState& state)
    {
        if constexpr (MostSignificantFirst)
            state.bits |= LoadU64BE(state.in + state.read) >> state.held;
        else
            state.bits |= LoadU64LE(state.in + state.read) << state.held;
        state.read += size_t(63 - state.held) >> 3;
        state.held |= 56;
    }

    static int Take(CodeState& state, int width)
    {
        int code;
        if constexpr (MostSignificantFirst) {
            code = int(state.bits >> (64 - width));
            state.bits <<= width;
        } else {
            code = int(state.bits & ((uint64_t(1) << width) - 1));
            state.bits >>= width;
        }
        state.held -= width;
        return code;
    }

    void Refill()
    {
        CodeState& s = state_;
        if (s.size - s.read >= 8) {
            RefillWord(s);
            return;
        }
        while (s.held <= 56 && s.read < s.size) {
            if constexpr (MostSignificantFirst)
                s.bits |= uint64_t(s.in[s.read++]) << (56 - s.held);
            else
                s.bits |= uint64_t(s.in[s.read++]) << s.held;
            s.held += 8;
        }
    }

    CodeState state_;
};

// The length the table gives the clear and end codes: above every string, so
// that the hot loop's test for a long string also catches them.
constexpr uint16_t kControlLength = 0xFFFF;

} // namespace

// The table as one expansion grows it: the code width, the next free code
// and the next free code at which the width grows. A plain value the steps of
// the expansion share, which the compiler keeps in registers.
struct LZWGrowth {
    LZWTable& owner; // whose entries it sets
    int earlyChange;
    int firstWidth;
    int width = 0, nextGrowth = 0, nextFree = 0;

    // Sets the roots' strings and the control codes' lengths.
    LZWGrowth(LZWTable& t, int rootBits, int early)
        : owner(t)
        , earlyChange(early)
        , firstWidth(rootBits + 1)
    {
        const int clear = 1 << rootBits;
        for (int i = 0; i < clear; ++i) {
            owner.string_[i] = kRoots.bytes + i;
            owner.length_[i] = 1;
        }
        owner.length_[clear] = owner.length_[clear + 1] = kControlLength;
    }

    const uint8_t* String(int code) const { return owner.string_[code]; }
    size_t Length(int code) const { return owner.length_[code]; }

    // The width grows once the next free code reaches this; at 12 bits that
    // is the full table's next free code, which stays there.
    int GrowAt(int w) const { return w < 12 ? (1 << w) - earlyChange : LZWTable::kTableSize; }

    // Right after a clear (or at the start): roots only, the first entry next.
    void Restart(int clear)
    {
        width = firstWidth;
        nextGrowth = GrowAt(width);
        nextFree = clear + 2;
    }

    // The entry the next code will make starts with the `n` bytes at `at`.
    void Begin(const uint8_t* at, size_t n)
    {
        owner.string_[nextFree] = at;
        owner.length_[nextFree] = uint16_t(n + 1);
    }

    // The entry the previous code made (its string plus this one's first
    // byte) now counts, and the next one is begun at `at`. A full table stays
    // as it is until a clear code; its next free code, 4096, is a slot no code reaches.
    void Add(const uint8_t* at, size_t n)
    {
        if (++nextFree >= nextGrowth) {
            if (width < 12)
                nextGrowth = GrowAt(++width);
            else
                nextFree = LZWTable::kTableSize;
        }
        Begin(at, n);
    }
};

namespace {

// The common case without a bounds check a byte: codes of the table whose
// strings, rounded up to 16-byte blocks, fit the window, while 8 packed bytes
// are left to refill from. True when it stops at a code that needs care (a
// clear or end code, the next free code, a string too long), left in `code`.
template <bool MostSignificantFirst>
[[gnu::always_inline]] inline bool ExpandInBlocks(CodeReader<MostSignificantFirst>& codes, size_t wordEnd,
    OriginalBytes& original, LZWGrowth& table, uint8_t* out, size_t& pos, int& code)
{
    using Reader = CodeReader<MostSignificantFirst>;
    while (codes.State().read < wordEnd && original.Allow(pos)) {
        original.Dirty();
        CodeState state = codes.State();
        const size_t lastBlockStart = original.LastBlockStart();
        bool pending = false;
        while (state.read < wordEnd && pos <= lastBlockStart) {
            code = Reader::NextUnchecked(state, table.width);
            if (code >= table.nextFree) {
                pending = true;
                break;
            }
            const size_t length = table.Length(code);
            const uint8_t* string = table.String(code);
            if (length <= 16) {
                uint8_t block[16];
                std::memcpy(block, string, 16);
                std::memcpy(out + pos, block, 16);
            } else if (length != kControlLength && pos + ((length - 1) & ~size_t(15)) <= lastBlockStart) {
                CopyBlocks(out + pos, string, length);
            } else {
                pending = true;
                break;
            }
            table.Add(out + pos, length);
            pos += length;
        }
        codes.State() = state;
        if (pending)
            return true;
    }
    return false;
}

enum class Step { kGoOn, kClear, kStop };

// One code with every check: the end code or a full destination stop, a
// clear starts over, a code above the next free one fails; a string is cut
// at the destination's end.
[[gnu::always_inline]] inline Step ExpandCode(int code, int clear, const char* invalidCodeMessage,
    OriginalBytes& original, LZWGrowth& table, uint8_t* out, size_t& pos, size_t limit)
{
    if (code == clear + 1 || pos >= limit)
        return Step::kStop;
    if (code >= clear) {
        if (code == clear)
            return Step::kClear;
        // Above the next free code nothing may come; the next free code's entry is already in place.
        if (code > table.nextFree) {
            original.Restore(pos);
            throw Exception(invalidCodeMessage);
        }
    }
    const size_t length = table.Length(code);
    const uint8_t* string = table.String(code);
    const size_t room = limit - pos;
    if (code < clear) {
        out[pos] = uint8_t(code); // a root: one byte, nothing stale beyond it
    } else if (length <= 16 && original.Allow(pos)) {
        CopyShortString(out + pos, string, length);
        original.Dirty();
    } else {
        original.Restore(pos);
        if (length <= room)
            CopyString(out + pos, string, length);
        else
            std::memcpy(out + pos, string, room); // cut: the next code ends the decode
    }
    table.Add(out + pos, length);
    pos += std::min(length, room);
    return Step::kGoOn;
}

} // namespace

template <bool MostSignificantFirst>
size_t LZWTable::Expand(const Scheme& scheme, const uint8_t* source, uint8_t* out, size_t packedSize, size_t limit)
{
    const int clear = 1 << scheme.rootBits;
    LZWGrowth table(*this, scheme.rootBits, scheme.earlyChange);
    CodeReader<MostSignificantFirst> codes(source, packedSize);
    const size_t wordEnd = codes.WordEnd();
    OriginalBytes original(out, limit);
    size_t pos = 0;
    int code;
    Step step = Step::kClear;
    while (step == Step::kClear) {
        table.Restart(clear);
        if (!codes.Next(table.width, code) || code == clear + 1 || pos >= limit)
            break;
        if (code == clear)
            continue;
        if (code > clear) {
            original.Restore(pos);
            throw Exception(scheme.invalidCodeMessage);
        }
        out[pos] = uint8_t(code);
        table.Begin(out + pos, 1);
        ++pos;
        do {
            if (!ExpandInBlocks(codes, wordEnd, original, table, out, pos, code) && !codes.Next(table.width, code))
                step = Step::kStop;
            else
                step = ExpandCode(code, clear, scheme.invalidCodeMessage, original, table, out, pos, limit);
        } while (step == Step::kGoOn);
    }
    original.Restore(pos);
    return pos;
}

size_t LZWTable::Run(
    const Scheme& scheme, const uint8_t* source, uint8_t* destination, size_t packedSize, size_t unpackedSize)
{
    if (scheme.mostSignificantFirst)
        return Expand<true>(scheme, source, destination, packedSize, unpackedSize);
    return Expand<false>(scheme, source, destination, packedSize, unpackedSize);
}

size_t TTIFFLZW::Decode(std::span<const uint8_t> source, std::span<uint8_t> destination)
{
    static constexpr Scheme tiff {true, 1, 8, "TIF LZW: invalid opcode."};
    return Run(tiff, source.data(), destination.data(), source.size(), destination.size());
}

size_t TGIFLZW::Decode(std::span<const uint8_t> source, std::span<uint8_t> destination)
{
    // Beyond 11 bits the first code width would pass the 12-bit limit.
    if (initialCodeSize_ < 1 || initialCodeSize_ > 11)
        throw Exception("GIF LZW: invalid opcode.");
    const Scheme gif {false, 0, initialCodeSize_, "GIF LZW: invalid opcode."};
    return Run(gif, source.data(), destination.data(), source.size(), destination.size());
}

} // namespace pelmora
