// Both LZW variants held against a plain decoder (prefix and suffix tables,
// one byte at a time) on random code streams: code width changes, clears,
// the next free code, long strings, a full table, cut streams and a full
// output, each at many stops, with the destination past the output untouched.
#include "formats/Exception.h"
#include "formats/codecs/LZW.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace pelmora;

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t kUntouched = 0xEE;

struct Variant {
    const char* name;
    bool tiff;
    int rootBits;
    int EarlyChange() const { return tiff ? 1 : 0; }
    int Clear() const { return 1 << rootBits; }
    // The width after the next free code became `nextFree`.
    int GrowAt(int width) const { return (1 << width) - EarlyChange(); }
};

// Codes of changing widths, packed most (TIFF) or least (GIF) significant bit first.
class CodePacker {
public:
    explicit CodePacker(bool mostSignificantFirst)
        : msb_(mostSignificantFirst)
    {
    }
    void Put(int code, int width)
    {
        for (int i = 0; i < width; ++i) {
            int bit = msb_ ? (code >> (width - 1 - i)) & 1 : (code >> i) & 1;
            if (used_ % 8 == 0)
                bytes_.push_back(0);
            if (bit)
                bytes_.back() |= uint8_t(msb_ ? 0x80 >> (used_ % 8) : 1 << (used_ % 8));
            ++used_;
        }
    }
    const Bytes& Packed() const { return bytes_; }

private:
    bool msb_;
    Bytes bytes_;
    size_t used_ = 0;
};

// What the plain decoder made of a whole stream, and after each code how
// many bits it had read and how many bytes it had written: a stream cut
// anywhere or an output of any size gives a prefix of it.
struct Reference {
    Bytes out;
    struct Step {
        size_t bits, bytes;
    };
    std::vector<Step> steps;
    bool invalid = false; // the last code read was past the next free one
    size_t invalidEnd = 0; // the bits read with it

    // The bytes a decode of the first `packedSize` bytes into `limit` gives, and whether it fails.
    std::pair<size_t, bool> Expect(size_t packedSize, size_t limit) const
    {
        size_t bytes = 0;
        for (const Step& s : steps) {
            if (s.bits > packedSize * 8)
                break;
            bytes = s.bytes;
        }
        bool fails = invalid && invalidEnd <= packedSize * 8 && out.size() < limit;
        return {std::min(bytes, limit), fails};
    }
};

// The plain decoder: reads codes of the width the table asks for, stops at
// the end code and at a code the packed bytes do not complete; a code past
// the next free one is invalid.
Reference DecodePlainly(const Variant& v, const Bytes& packed)
{
    Reference r;
    size_t bit = 0;
    auto read = [&](int width, int& code) {
        if (bit + size_t(width) > packed.size() * 8)
            return false;
        code = 0;
        for (int i = 0; i < width; ++i, ++bit) {
            int b = v.tiff ? packed[bit / 8] >> (7 - bit % 8) & 1 : packed[bit / 8] >> (bit % 8) & 1;
            code |= v.tiff ? b << (width - 1 - i) : b << i;
        }
        return true;
    };
    std::vector<int> prefix(4096, -1);
    Bytes suffix(4096);
    for (int i = 0; i < v.Clear(); ++i)
        suffix[size_t(i)] = uint8_t(i);
    auto string = [&](int code) {
        Bytes s;
        for (int c = code; c >= 0; c = prefix[size_t(c)])
            s.push_back(suffix[size_t(c)]);
        return Bytes(s.rbegin(), s.rend());
    };
    auto emit = [&](const Bytes& s) { r.out.insert(r.out.end(), s.begin(), s.end()); };
    auto step = [&] { r.steps.push_back({bit, r.out.size()}); };
    auto fail = [&] {
        r.invalid = true;
        r.invalidEnd = bit;
        return r;
    };
    const int clear = v.Clear(), end = clear + 1;
    int code;
    for (;;) {
        int width = v.rootBits + 1, nextFree = clear + 2;
        if (!read(width, code) || code == end)
            return r;
        if (code == clear) {
            step();
            continue;
        }
        if (code > clear)
            return fail();
        emit(string(code));
        step();
        int previous = code;
        for (;;) {
            if (!read(width, code) || code == end)
                return r;
            if (code == clear) {
                step();
                break;
            }
            if (code > nextFree)
                return fail();
            Bytes first = string(code == nextFree ? previous : code);
            if (nextFree < 4096) {
                prefix[size_t(nextFree)] = previous;
                suffix[size_t(nextFree)] = first[0];
                ++nextFree;
                if (width < 12 && nextFree >= v.GrowAt(width))
                    ++width;
            }
            emit(string(code));
            step();
            previous = code;
        }
    }
}

// How a random stream picks its codes (shares in percent; the rest are roots).
struct Mix {
    int clear; // a clear code
    int nextFree; // the next free code: the previous string and its first byte
    int recent; // the entry the previous code made: runs grow by one each time
    int table; // any entry of the table
};

// A random valid code stream of `count` codes, ending with the end code;
// `badAt` >= 0 puts a code past the next free one there instead.
Bytes RandomCodes(const Variant& v, const Mix& mix, int count, uint32_t seed, int badAt = -1)
{
    std::mt19937 random(seed);
    auto percent = [&] { return int(random() % 100); };
    CodePacker packer(v.tiff);
    const int clear = v.Clear();
    int width = v.rootBits + 1, nextFree = clear + 2;
    bool afterClear = true;
    packer.Put(clear, width);
    for (int i = 0; i < count; ++i) {
        int code;
        if (i == badAt) {
            if (!afterClear && nextFree + 1 < (1 << width)) {
                packer.Put(nextFree + 1 + int(random() % unsigned((1 << width) - 1 - nextFree)), width);
            } else {
                // No code of this width lies past the next free one: a string code right after a clear.
                if (!afterClear)
                    packer.Put(clear, width);
                packer.Put(clear + 2, v.rootBits + 1);
            }
            return packer.Packed();
        }
        int roll = percent();
        if (afterClear) {
            code = int(random() % unsigned(clear));
        } else if ((roll -= mix.clear) < 0) {
            code = clear;
        } else if ((roll -= mix.nextFree) < 0 && nextFree < 4096) {
            code = nextFree;
        } else if ((roll -= mix.recent) < 0 && nextFree > clear + 2) {
            code = nextFree - 1;
        } else if ((roll -= mix.table) < 0 && nextFree > clear + 2) {
            code = clear + 2 + int(random() % unsigned(nextFree - clear - 2));
        } else {
            code = int(random() % unsigned(clear));
        }
        packer.Put(code, width);
        if (code == clear) {
            width = v.rootBits + 1;
            nextFree = clear + 2;
            afterClear = true;
            continue;
        }
        if (!afterClear && nextFree < 4096) {
            ++nextFree;
            if (width < 12 && nextFree >= v.GrowAt(width))
                ++width;
        }
        afterClear = false;
    }
    packer.Put(clear + 1, width);
    return packer.Packed();
}

// Decodes the first `packedSize` bytes of `stream` into `limit` bytes (plus
// a guard) and compares everything with the plain decoder's `reference`.
void ExpectSameAsPlain(TDecoder& decoder, const Variant& v, const Bytes& stream, const Reference& reference,
    size_t packedSize, size_t limit)
{
    SCOPED_TRACE("packed " + std::to_string(packedSize) + " of " + std::to_string(stream.size()) + ", limit "
        + std::to_string(limit));
    const auto [size, fails] = reference.Expect(packedSize, limit);
    Bytes packed(stream.begin(), stream.begin() + long(packedSize)); // exactly this much readable
    Bytes destination(limit + 32, kUntouched);
    size_t written = 0;
    bool failed = false;
    try {
        written = decoder.Decode(packed, std::span(destination).first(limit));
    } catch (const Exception& e) {
        failed = true;
        EXPECT_STREQ(e.what(), v.tiff ? "TIF LZW: invalid opcode." : "GIF LZW: invalid opcode.");
    }
    ASSERT_EQ(failed, fails);
    if (!failed) {
        ASSERT_EQ(written, size);
    }
    Bytes wanted(reference.out.begin(), reference.out.begin() + long(size));
    wanted.resize(destination.size(), kUntouched);
    if (destination != wanted) {
        size_t at
            = size_t(std::mismatch(destination.begin(), destination.end(), wanted.begin()).first - destination.begin());
        FAIL() << "differs at " << at << " of " << size << " decoded";
    }
}

struct StreamCase {
    const char* name;
    Mix mix;
    int codes;
    bool everyCut = false; // cut the stream at each of its bytes
};

const StreamCase kStreams[] = {
    // Mostly roots and short strings: the widths change at 511, 1023 and 2047 (or 512 ...) and the table fills.
    {"short strings", {0, 2, 3, 30}, 9000},
    {"frequent clears", {4, 5, 5, 30}, 6000},
    // The previous entry again and again: strings a byte longer each time,
    // past 16 bytes, and with no roots between them past a thousand.
    {"growing runs", {0, 45, 45, 5}, 3000},
    {"one long run", {0, 50, 50, 0}, 700, true},
    {"a full table kept", {0, 1, 1, 50}, 12000},
};

std::vector<Variant> Variants()
{
    return {{"TIFF", true, 8}, {"GIF 8", false, 8}, {"GIF 2", false, 2}, {"GIF 11", false, 11}};
}

std::unique_ptr<TDecoder> MakeDecoder(const Variant& v)
{
    if (v.tiff)
        return std::make_unique<TTIFFLZW>();
    return std::make_unique<TGIFLZW>(uint8_t(v.rootBits));
}

} // namespace

TEST(LZWDecoder, MatchesAPlainDecoderAtEveryKindOfStop)
{
    for (const Variant& v : Variants()) {
        auto decoder = MakeDecoder(v);
        for (const StreamCase& c : kStreams) {
            SCOPED_TRACE(std::string(v.name) + ", " + c.name);
            Bytes stream = RandomCodes(v, c.mix, c.codes, uint32_t(c.codes + v.rootBits));
            Reference reference = DecodePlainly(v, stream);
            const size_t full = reference.out.size(), packed = stream.size();
            std::mt19937 random(7);
            // Whole stream; output ending early, at one byte, exactly, with room to spare.
            for (size_t limit : {full, full + 1, full + 100, size_t(1), full / 3, full - 1})
                ExpectSameAsPlain(*decoder, v, stream, reference, packed, limit);
            for (int i = 0; i < 100; ++i)
                ExpectSameAsPlain(*decoder, v, stream, reference, packed, 1 + random() % full);
            // Streams cut anywhere: every byte for the long strings, else the last bytes and at random.
            if (c.everyCut) {
                for (size_t cut = 0; cut < packed; ++cut)
                    ExpectSameAsPlain(*decoder, v, stream, reference, cut, full);
            }
            for (size_t cut = 1; cut <= 12 && cut < packed; ++cut)
                ExpectSameAsPlain(*decoder, v, stream, reference, packed - cut, full);
            for (int i = 0; i < 100; ++i)
                ExpectSameAsPlain(*decoder, v, stream, reference, random() % packed, full);
        }
    }
}

TEST(LZWDecoder, AnInvalidCodeAnywhereLeavesTheRestUntouched)
{
    for (const Variant& v : Variants()) {
        auto decoder = MakeDecoder(v);
        for (const StreamCase& c : kStreams) {
            SCOPED_TRACE(std::string(v.name) + ", " + c.name);
            std::mt19937 random(11);
            for (int i = 0; i < 10; ++i) {
                int badAt = int(random() % unsigned(c.codes));
                Bytes stream = RandomCodes(v, c.mix, c.codes, uint32_t(i), badAt);
                Reference reference = DecodePlainly(v, stream);
                ASSERT_TRUE(reference.invalid);
                ExpectSameAsPlain(*decoder, v, stream, reference, stream.size(), reference.out.size() + 64);
            }
        }
    }
}
