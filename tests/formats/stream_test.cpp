// Streams: the file stream's buffering and scattered reads agree with the
// memory stream on every mix of positions and sizes.
#include "formats/Stream.h"
#include "formats/Exception.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>

using namespace pelmora;
using namespace pelmora::test;

namespace {

TEST(Stream, FileAndMemoryStreamsReadTheSameAtEveryPosition)
{
    TempDir dir;
    std::mt19937 random(11);
    std::vector<uint8_t> bytes(700000);
    for (auto& b : bytes)
        b = uint8_t(random());
    WriteFile(dir.File("f"), bytes);
    FileStream file(dir.File("f"), FileStream::Mode::Read);
    MemoryStream memory {std::span<const uint8_t>(bytes)};
    EXPECT_EQ(file.Size(), memory.Size());
    for (int i = 0; i < 400; ++i) {
        int64_t at = int64_t(random() % (bytes.size() + 10));
        size_t n = random() % 4 == 0 ? random() % 300000 : random() % 100;
        if (random() % 2) {
            file.SetPosition(at);
            memory.SetPosition(at);
        }
        std::vector<uint8_t> a(n), b(n);
        size_t got = file.Read(a.data(), n);
        ASSERT_EQ(got, memory.Read(b.data(), n)) << "read " << i;
        ASSERT_EQ(a, b);
        ASSERT_EQ(file.Position(), memory.Position());
    }
}

TEST(Stream, ReadPiecesScattersAndFailsWhenShort)
{
    TempDir dir;
    std::vector<uint8_t> bytes(3000 * 7);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i / 7);
    WriteFile(dir.File("f"), bytes);
    FileStream file(dir.File("f"), FileStream::Mode::Read);
    uint8_t first;
    file.ReadBuffer(&first, 1); // leaves the rest of a buffer behind
    file.SetPosition(7);
    std::vector<uint8_t> target(2999 * 7);
    std::vector<uint8_t*> pieces;
    for (int i = 2998; i >= 0; --i)
        pieces.push_back(target.data() + size_t(i) * 7);
    file.ReadPieces(pieces.data(), pieces.size(), 7);
    EXPECT_EQ(target[0], uint8_t(2999));
    EXPECT_EQ(target[2998 * 7], 1);
    EXPECT_EQ(file.Position(), int64_t(bytes.size()));
    file.SetPosition(int64_t(bytes.size()) - 10);
    EXPECT_THROW(file.ReadPieces(pieces.data(), 2, 7), EReadError);
}

TEST(Stream, WrittenFilesReadBackWhateverTheSizesOfTheWrites)
{
    TempDir dir;
    std::mt19937 random(3);
    std::vector<uint8_t> expected;
    {
        FileStream out(dir.File("w"), FileStream::Mode::Create);
        for (int i = 0; i < 60; ++i) {
            std::vector<uint8_t> chunk(random() % 2 ? random() % 50 : random() % 200000, uint8_t(i));
            out.WriteBuffer(chunk.data(), chunk.size());
            expected.insert(expected.end(), chunk.begin(), chunk.end());
        }
        out.Close();
    }
    EXPECT_EQ(ReadFile(dir.File("w")), expected);
    EXPECT_THROW(FileStream(dir.File("missing/x"), FileStream::Mode::Create), EFOpenError);
}

TEST(Stream, MemoryStreamReadsAreCutAtTheEnd)
{
    std::vector<uint8_t> bytes = {1, 2, 3};
    MemoryStream s {std::span<const uint8_t>(bytes)};
    uint8_t out[5];
    EXPECT_EQ(s.Read(out, 5), 3u);
    EXPECT_EQ(s.Read(out, 5), 0u);
    s.SetPosition(1);
    EXPECT_THROW(s.ReadBuffer(out, 3), EReadError);
    EXPECT_EQ(s.Remaining(), 0);
    s.SetPosition(10);
    EXPECT_EQ(s.Remaining(), 0);
}

// Borrowing gives what a read would, in place, and moves on the same way;
// a file lends nothing and stays put.
TEST(Stream, OnlyMemoryStreamsLendTheirBytes)
{
    TempDir dir;
    std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
    WriteFile(dir.File("f"), bytes);
    MemoryStream view {std::span<const uint8_t>(bytes)};
    MemoryStream owned {std::vector<uint8_t>(bytes)};
    for (MemoryStream* s : {&view, &owned}) {
        s->SetPosition(1);
        std::span<const uint8_t> lent = s->Borrow(3);
        EXPECT_EQ(std::vector<uint8_t>(lent.begin(), lent.end()), (std::vector<uint8_t> {2, 3, 4}));
        EXPECT_EQ(s->Position(), 4);
        EXPECT_EQ(s->Borrow(10).size(), 1u) << "cut at the end";
        EXPECT_TRUE(s->Borrow(1).empty());
    }
    EXPECT_EQ(view.Borrow(0).size(), 0u);
    view.SetPosition(0);
    EXPECT_EQ(view.Borrow(2).data(), bytes.data()) << "in place, not a copy";
    FileStream file(dir.File("f"), FileStream::Mode::Read);
    file.SetPosition(2);
    EXPECT_TRUE(file.Borrow(2).empty());
    EXPECT_EQ(file.Position(), 2);
}

} // namespace
