// The decompression codecs: each scheme's packets, where each stops, and that
// nothing is read or written past the sizes given.
#include "formats/Exception.h"
#include "formats/codecs/LZW.h"
#include "formats/codecs/RunLength.h"
#include "formats/codecs/TargaPackets.h"
#include "tests/support/LzwEncoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace pelmora;
using pelmora::test::EncodeGifLzw;
using pelmora::test::EncodeTiffLzw;
using pelmora::test::LzwOptions;
using pelmora::test::PackCodes;

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint8_t kUntouched = 0xEE;

struct Decoded {
    Bytes bytes; // the whole destination, untouched bytes included
    size_t written = 0;
    size_t consumed = 0; // a CUT row's packed bytes
};

// Runs `decode` into a destination of `unpacked` bytes plus a guard, all
// preset to kUntouched; the packed bytes sit in a buffer of exactly their size.
template <class Decode> Decoded Guarded(const Bytes& packed, size_t unpacked, Decode decode)
{
    Bytes source(packed);
    Decoded d;
    d.bytes.assign(unpacked + 16, kUntouched);
    decode(d, std::span<const uint8_t>(source), std::span(d.bytes).first(unpacked));
    for (size_t i = unpacked; i < d.bytes.size(); ++i)
        EXPECT_EQ(d.bytes[i], kUntouched) << "written past the unpacked size at " << i;
    d.bytes.resize(unpacked);
    return d;
}

Decoded DecodeGuarded(TDecoder& decoder, const Bytes& packed, size_t unpacked)
{
    return Guarded(packed, unpacked, [&](Decoded& d, auto in, auto out) { d.written = decoder.Decode(in, out); });
}

Decoded DecodeRowGuarded(const TCUTRLE& decoder, const Bytes& packed, size_t unpacked)
{
    return Guarded(packed, unpacked, [&](Decoded& d, auto in, auto out) {
        const TCUTRLE::Row row = decoder.DecodeRow(in, out);
        d.written = row.written;
        d.consumed = row.consumed;
    });
}

Bytes Repeat(uint8_t value, size_t n)
{
    return Bytes(n, value);
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct RleCase {
    const char* name;
    Bytes packed;
    size_t unpacked;
    Bytes expected; // the destination afterwards (kUntouched where nothing was written)
};

void CheckTable(TDecoder& decoder, const std::vector<RleCase>& cases)
{
    for (const RleCase& c : cases) {
        SCOPED_TRACE(c.name);
        Decoded d = DecodeGuarded(decoder, c.packed, c.unpacked);
        EXPECT_EQ(d.bytes, c.expected);
        size_t written = 0;
        for (uint8_t b : c.expected)
            written += b != kUntouched;
        EXPECT_EQ(d.written, written);
    }
}

const uint8_t U = kUntouched;

TEST(PackbitsRLE, PacketsAndBounds)
{
    TPackbitsRLE rle;
    CheckTable(rle,
        {
            {"literal of n+1", {2, 'a', 'b', 'c'}, 3, {'a', 'b', 'c'}},
            {"run of 1-n", {0xFE, 'x'}, 3, {'x', 'x', 'x'}},
            {"-128 uses one byte and writes nothing", {0x80, 0, 'q'}, 2, {'q', U}},
            {"run cut at the unpacked size", {0x81, 'r'}, 5, Repeat('r', 5)},
            {"literal cut at the packed end", {4, 'a', 'b'}, 4, {'a', 'b', U, U}},
            {"run without its byte", {0xFD}, 2, {U, U}},
            {"goes on until the packed bytes are used up", {0, 'a', 0xFF, 'b', 1, 'c', 'd'}, 5,
                {'a', 'b', 'b', 'c', 'd'}},
        });
}

// Literals of the longest length, the bulk of a photo, whole and cut at either end.
TEST(PackbitsRLE, LongestLiterals)
{
    Bytes ramp(128);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = uint8_t(i);
    const Bytes literal = Concat({{0x7F}, ramp});
    const Bytes cutShort(ramp.begin(), ramp.begin() + 100);
    TPackbitsRLE rle;
    CheckTable(rle,
        {
            {"two after each other", Concat({literal, literal}), 256, Concat({ramp, ramp})},
            {"cut at the unpacked size", literal, 100, cutShort},
            {"cut at the packed end", Concat({{0x7F}, cutShort}), 128, Concat({cutShort, Repeat(U, 28)})},
            {"a run after one", Concat({literal, {0xFF, 'z'}}), 130, Concat({ramp, {'z', 'z'}})},
        });
}

TEST(PCXRLE, PacketsAndBounds)
{
    TPCXRLE rle;
    CheckTable(rle,
        {
            {"run: byte AND 63 copies", {0xC3, 7}, 3, {7, 7, 7}},
            {"bytes below 192 are literal", {0x41, 0xBF}, 2, {0x41, 0xBF}},
            {"a run of 63 cut to the 10 bytes wanted", {0xFF, 9}, 10, Repeat(9, 10)},
            {"stops once the unpacked size is written", {1, 2, 3, 4}, 2, {1, 2}},
            {"a run byte at the packed end", {5, 0xC2}, 3, {5, U, U}},
        });
    // A line at a time: runs that a line ends inside go on in the next, as in one piece.
    Bytes packed = Concat({{0xD9, 4, 1, 2, 0xC1, 200, 3}, Repeat(5, 20), {0xC2, 6, 0xFF, 7, 0xC0, 9, 8}});
    Bytes whole(100, U), pieces(100, U);
    size_t total = TPCXRLE().Decode(packed, whole);
    ASSERT_EQ(total, 100u); // 115 bytes, the run of 63 cut
    PcxCursor cursor(packed.data(), packed.size());
    for (size_t at = 0; at < 100; at += 10)
        ASSERT_EQ(cursor.Decode(pieces.data() + at, 10), 10u) << at;
    EXPECT_EQ(pieces, whole);
}

TEST(SGIRLE, OneByteSamples)
{
    TSGIRLE rle(1);
    CheckTable(rle,
        {
            {"top bit set copies n bytes", {0x83, 1, 2, 3, 0}, 3, {1, 2, 3}},
            {"top bit clear repeats the next byte", {0x04, 9, 0}, 4, Repeat(9, 4)},
            {"a control with low bits 0 ends", {0x02, 5, 0x80, 0x01, 6}, 4, {5, 5, U, U}},
            {"copy cut at the unpacked size", {0x85, 1, 2, 3, 4, 5}, 2, {1, 2}},
        });
}

TEST(SGIRLE, TwoByteSamplesGiveTheirHighByte)
{
    TSGIRLE rle(2);
    CheckTable(rle,
        {
            {"copy keeps the first byte of each sample", {0, 0x83, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0, 0}, 3,
                {0x12, 0x56, 0x9A}},
            {"repeat", {0, 0x03, 0xAB, 0xCD, 0, 0}, 3, {0xAB, 0xAB, 0xAB}},
            {"the control is big-endian", {0x80, 0x02, 0x11, 0x22, 0, 0}, 2, {0x11, 0x11}},
            {"zero control ends", {0, 0x01, 7, 7, 0x00, 0x80, 0, 0x81, 1, 1}, 3, {7, U, U}},
        });
}

TEST(CUTRLE, RowsEndAtZeroAndSayHowMuchTheyTook)
{
    const TCUTRLE rle;
    // Two bytes of row length are skipped, then packets until a zero byte.
    Bytes row = {9, 0, 0x83, 4, 2, 'a', 'b', 0, 0xFF};
    Decoded d = DecodeRowGuarded(rle, row, 5);
    EXPECT_EQ(d.bytes, (Bytes {4, 4, 4, 'a', 'b'}));
    EXPECT_EQ(d.written, 5u);
    EXPECT_EQ(d.consumed, 8u) << "the row ends just past the zero";

    // 0x80 is a run of nothing, not the end of the row.
    d = DecodeRowGuarded(rle, {0, 0, 0x80, 7, 1, 'z', 0}, 2);
    EXPECT_EQ(d.bytes, (Bytes {'z', U}));
    EXPECT_EQ(d.consumed, 7u);

    // Without a zero the row ends with the packed bytes.
    d = DecodeRowGuarded(rle, {0, 0, 0x82, 1}, 4);
    EXPECT_EQ(d.bytes, (Bytes {1, 1, U, U}));
    EXPECT_EQ(d.consumed, 4u);
}

TEST(RLADecoder, PacketsAndBounds)
{
    TRLADecoder rle;
    CheckTable(rle,
        {
            {"0..127 repeats n+1 times", {2, 8}, 3, {8, 8, 8}},
            {"negative copies -n bytes", {0xFE, 1, 2}, 2, {1, 2}},
            {"-128 copies 128", Concat({{0x80}, Repeat(3, 128)}), 128, Repeat(3, 128)},
            {"copy cut at the packed end", {0xFC, 1, 2}, 4, {1, 2, U, U}},
            {"run cut at the unpacked size", {9, 5}, 4, Repeat(5, 4)},
        });
}

Bytes RandomBytes(size_t n, uint32_t seed, int alphabet = 256, int runChance = 0)
{
    std::mt19937 random(seed);
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = i > 0 && runChance && int(random() % 100) < runChance ? out[i - 1] : uint8_t(random() % alphabet);
    return out;
}

struct LzwRoundTrip {
    const char* name;
    Bytes data;
    LzwOptions options;
};

std::vector<LzwRoundTrip> LzwInputs(int alphabet)
{
    LzwOptions noClear;
    noClear.leadingClear = false;
    LzwOptions keepFull;
    keepFull.clearWhenFull = false;
    LzwOptions noEnd;
    noEnd.endCode = false;
    return {
        {"empty", {}, {}},
        {"one byte", {1}, {}},
        {"noise", RandomBytes(20000, 1, alphabet), {}},
        {"runs", RandomBytes(200000, 2, alphabet, 95), {}},
        {"one long run", Bytes(100000, uint8_t(alphabet - 1)), {}},
        {"without a leading clear", RandomBytes(5000, 3, alphabet, 50), noClear},
        {"full table kept without a clear", RandomBytes(60000, 4, alphabet, 30), keepFull},
        {"without an end code", RandomBytes(3000, 5, alphabet, 60), noEnd},
    };
}

TEST(TIFFLZW, RoundTripsAndStopsExactlyAtTheUnpackedSize)
{
    TTIFFLZW lzw;
    for (const LzwRoundTrip& c : LzwInputs(256)) {
        SCOPED_TRACE(c.name);
        Bytes packed = EncodeTiffLzw(c.data, c.options);
        Decoded d = DecodeGuarded(lzw, packed, c.data.size());
        EXPECT_EQ(d.written, c.data.size());
        EXPECT_TRUE(d.bytes == c.data);
        // Room to spare: the bytes past the output stay as they were.
        d = DecodeGuarded(lzw, packed, c.data.size() + 40);
        Bytes spare(c.data);
        spare.resize(c.data.size() + 40, kUntouched);
        EXPECT_EQ(d.written, c.data.size());
        EXPECT_TRUE(d.bytes == spare);
        // Asking for less: exactly that much, the rest untouched.
        size_t half = c.data.size() / 2 + 1;
        d = DecodeGuarded(lzw, packed, half);
        Bytes expected(c.data.begin(), c.data.begin() + long(std::min(half, c.data.size())));
        expected.resize(half, kUntouched);
        EXPECT_TRUE(d.bytes == expected);
    }
}

TEST(GIFLZW, RoundTripsForEveryCodeSize)
{
    for (int size = 2; size <= 8; ++size) {
        TGIFLZW lzw {uint8_t(size)};
        for (const LzwRoundTrip& c : LzwInputs(1 << size)) {
            SCOPED_TRACE(std::string(c.name) + ", code size " + std::to_string(size));
            Bytes packed = EncodeGifLzw(c.data, size, c.options);
            Decoded d = DecodeGuarded(lzw, packed, c.data.size());
            EXPECT_EQ(d.written, c.data.size());
            EXPECT_TRUE(d.bytes == c.data);
        }
    }
}

struct CodeCase {
    const char* name;
    std::vector<int> codes;
    size_t unpacked;
    Bytes expected;
    bool invalid = false;
};

void CheckCodes(TDecoder& decoder, bool tiff, int width, const std::vector<CodeCase>& cases)
{
    for (const CodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes packed = PackCodes(c.codes, width, tiff);
        Bytes destination(c.unpacked, kUntouched);
        if (c.invalid) {
            try {
                decoder.Decode(packed, destination);
                ADD_FAILURE() << "no exception";
            } catch (const Exception& e) {
                EXPECT_STREQ(e.what(), tiff ? "TIF LZW: invalid opcode." : "GIF LZW: invalid opcode.");
            }
        } else {
            EXPECT_EQ(decoder.Decode(packed, destination),
                size_t(std::count_if(c.expected.begin(), c.expected.end(), [](uint8_t b) { return b != U; })));
        }
        EXPECT_EQ(destination, c.expected);
    }
}

TEST(TIFFLZW, HandMadeCodes)
{
    TTIFFLZW lzw;
    CheckCodes(lzw, true, 9,
        {
            {"the next free code is the previous string and its first byte", {256, 'A', 258, 257}, 4,
                {'A', 'A', 'A', U}},
            {"a string of the table", {256, 'a', 'b', 258, 257}, 5, {'a', 'b', 'a', 'b', U}},
            {"no leading clear", {'x', 'y', 257}, 2, {'x', 'y'}},
            {"the end code stops", {256, 'a', 257, 'b'}, 2, {'a', U}},
            {"a clear starts over", {'a', 'b', 256, 'c', 258, 257}, 5, {'a', 'b', 'c', 'c', 'c'}},
            {"a code above the next free one", {256, 'A', 259}, 3, {'A', U, U}, true},
            {"a string code right after a clear", {256, 258}, 2, {U, U}, true},
        });
}

TEST(TIFFLZW, AnInvalidCodeLeavesThePartNotWrittenAsItWas)
{
    TTIFFLZW lzw;
    std::vector<int> codes {256};
    for (int i = 0; i < 100; ++i)
        codes.push_back(i % 7 + 'a');
    codes.push_back(500); // above the next free code, 357
    Bytes packed = PackCodes(codes, 9, true);
    Bytes destination(300, kUntouched);
    EXPECT_THROW(lzw.Decode(packed, destination), Exception);
    for (size_t i = 0; i < destination.size(); ++i)
        ASSERT_EQ(destination[i], i < 100 ? uint8_t(i % 7 + 'a') : kUntouched) << i;
}

TEST(GIFLZW, HandMadeCodes)
{
    TGIFLZW lzw(2); // clear 4, end 5, first free 6, 3-bit codes
    CheckCodes(lzw, false, 3,
        {
            {"the next free code is the previous string and its first byte", {4, 1, 6, 5}, 3, {1, 1, 1}},
            // Entry 7 takes the width to 4 bits; the unpacked size ends the stream.
            {"a string of the table", {4, 2, 3, 6}, 4, {2, 3, 2, 3}},
            {"a code above the next free one", {4, 1, 7}, 2, {1, U}, true},
        });
    Bytes packed {0};
    Bytes destination(1);
    EXPECT_THROW(TGIFLZW(12).Decode(packed, destination), Exception);
}

// A stream that fills the table and goes on without a clear: later codes use
// entries near the top, which a decoder that kept overwriting entry 4095
// would get wrong.
TEST(GIFLZW, FullTableStaysUntilAClear)
{
    TGIFLZW lzw(8);
    LzwOptions keepFull;
    keepFull.clearWhenFull = false;
    Bytes data = RandomBytes(100000, 9, 4);
    Bytes tail(data.begin(), data.begin() + 50000); // repeats strings learned before the table filled
    data.insert(data.end(), tail.begin(), tail.end());
    Decoded d = DecodeGuarded(lzw, EncodeGifLzw(data, 8, keepFull), data.size());
    EXPECT_TRUE(d.bytes == data);
}

int PixelSize(int bits)
{
    return bits == 8 ? 1 : bits == 32 ? 4 : bits == 24 ? 3 : 2;
}

TEST(TargaRow, PacketsForEachPixelSize)
{
    for (int bits : {8, 15, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const auto size = size_t(PixelSize(bits));
        Bytes pixelA(size), pixelB(size), pixelC(size);
        for (size_t i = 0; i < size; ++i) {
            pixelA[i] = uint8_t(0x10 + i);
            pixelB[i] = uint8_t(0x20 + i);
            pixelC[i] = uint8_t(0x30 + i);
        }
        // A run of 3, a literal of 2, then a run of 4 cut to the 1 pixel left.
        Bytes packed = Concat({{0x82}, pixelA, {0x01}, pixelB, pixelC, {0x83}, pixelC, {0xAA}});
        Bytes row(6 * size + 4, kUntouched);
        size_t used = DecodeTargaRow(packed.data(), packed.size(), row.data(), 6 * size, bits);
        EXPECT_EQ(used, packed.size() - 1);
        Bytes expected = Concat({pixelA, pixelA, pixelA, pixelB, pixelC, pixelC, Repeat(kUntouched, 4)});
        EXPECT_EQ(row, expected);
    }
    Bytes packed {0x80, 1, 2}, row(4, kUntouched);
    EXPECT_EQ(DecodeTargaRow(packed.data(), packed.size(), row.data(), 4, 12), 0u);
    EXPECT_EQ(row, Repeat(kUntouched, 4));
}

TEST(TargaRow, LiteralCutAtTheRowEndAndAtThePackedEnd)
{
    Bytes packed {0x03, 1, 2, 3, 4};
    Bytes row(2);
    EXPECT_EQ(DecodeTargaRow(packed.data(), packed.size(), row.data(), 2, 8), 5u);
    EXPECT_EQ(row, (Bytes {1, 2}));
    Bytes shortPacked {0x03, 1, 2};
    Bytes longRow(4, kUntouched);
    EXPECT_EQ(DecodeTargaRow(shortPacked.data(), shortPacked.size(), longRow.data(), 4, 8), 3u);
    EXPECT_EQ(longRow, (Bytes {1, 2, U, U}));
}

TEST(TargaRow, EncodesRunsAndLiterals)
{
    Bytes row(300, 7), out(600);
    size_t n = EncodeTargaRow(row.data(), out.data(), 300, 1);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + long(n)), (Bytes {0xFF, 7, 0xFF, 7, 0x80 | 43, 7}));

    // Literal up to the first equal pair; the row's last pixel goes out on its own.
    Bytes mixed {1, 2, 3, 3, 3, 4, 5};
    n = EncodeTargaRow(mixed.data(), out.data(), int(mixed.size()), 1);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + long(n)), (Bytes {0x01, 1, 2, 0x82, 3, 0x00, 4, 0x00, 5}));

    // Pixels compare as whole values.
    Bytes pairs {1, 2, 1, 3, 1, 3};
    n = EncodeTargaRow(pairs.data(), out.data(), 3, 2);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + long(n)), (Bytes {0x00, 1, 2, 0x81, 1, 3}));
}

// Runs and literals of every length, one packet a row and then cut by rows
// ending one pixel short, with the bytes past the row untouched.
TEST(TargaRow, EveryPacketLengthForEachPixelSize)
{
    for (int bytes = 1; bytes <= 4; ++bytes) {
        const auto size = size_t(bytes);
        const int bits = bytes == 1 ? 8 : bytes * 8;
        for (size_t n = 1; n <= 128; ++n) {
            for (bool run : {true, false}) {
                SCOPED_TRACE(std::to_string(bytes) + " bytes, " + std::to_string(n) + (run ? " run" : " literal"));
                Bytes pixels(n * size);
                for (size_t i = 0; i < pixels.size(); ++i)
                    pixels[i] = run ? uint8_t(0x41 + i % size) : uint8_t(i * 7 + 1);
                Bytes packed {uint8_t((n - 1) | (run ? 0x80 : 0))};
                packed.insert(packed.end(), pixels.begin(), run ? pixels.begin() + bytes : pixels.end());
                for (size_t rowPixels : {n, n - 1}) {
                    Bytes row(rowPixels * size + 20, kUntouched);
                    DecodeTargaRow(packed.data(), packed.size(), row.data(), rowPixels * size, bits);
                    Bytes expected(pixels.begin(), pixels.begin() + long(rowPixels * size));
                    expected.resize(row.size(), kUntouched);
                    ASSERT_EQ(row, expected) << rowPixels << " pixels a row";
                }
            }
        }
    }
}

TEST(TargaRow, RandomRowsRoundTrip)
{
    std::mt19937 random(11);
    for (int bytes = 1; bytes <= 4; ++bytes) {
        for (int trial = 0; trial < 50; ++trial) {
            int pixels = 1 + int(random() % 700);
            Bytes row(size_t(pixels * bytes));
            for (int x = 0; x < pixels; ++x)
                for (int b = 0; b < bytes; ++b)
                    row[size_t(x * bytes + b)]
                        = x > 0 && random() % 3 == 0 ? row[size_t((x - 1) * bytes + b)] : uint8_t(random() % 3);
            Bytes packed(size_t(pixels * (bytes + 1)));
            size_t n = EncodeTargaRow(row.data(), packed.data(), pixels, bytes);
            Bytes back(row.size());
            int bits = bytes == 1 ? 8 : bytes * 8;
            EXPECT_EQ(DecodeTargaRow(packed.data(), n, back.data(), back.size(), bits), n);
            EXPECT_EQ(back, row) << bytes << " bytes a pixel, " << pixels << " pixels";
        }
    }
}

} // namespace
