// The file list's texts and order: size texts, comparison by each sort key,
// the sort order, and the extension table.
#include "app/FileEntries.h"

#include <gtest/gtest.h>

#include <QDateTime>

using namespace pelmora;

namespace {

struct SizeCase {
    qint64 bytes;
    const char* text;
};

class FormatFileSizeTest : public testing::TestWithParam<SizeCase> { };

TEST_P(FormatFileSizeTest, GivesTheSizeText)
{
    EXPECT_EQ(FormatFileSize(GetParam().bytes, QLocale::c()).toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FormatFileSizeTest,
    testing::Values(SizeCase { 0, "0 b " }, SizeCase { 1, "1 b " }, SizeCase { 1023, "1023 b " },
        SizeCase { 1024, "1 Kb" }, SizeCase { 1536, "1.5 Kb" }, SizeCase { 1234, "1.21 Kb" },
        SizeCase { 1048575, "1024 Kb" }, SizeCase { 1048576, "1 Mb" }, SizeCase { 1500000, "1.43 Mb" },
        SizeCase { 1073741824, "1 Gb" }, SizeCase { 3000000000LL, "2.79 Gb" }, SizeCase { 5LL << 40, "5120 Gb" }));

TEST(FormatFileSize, UsesTheLocalesDecimalSeparator)
{
    EXPECT_EQ(FormatFileSize(1536, QLocale(QLocale::German)).toStdString(), "1,5 Kb");
}

TEST(MakeFileEntry, FillsEveryColumnText)
{
    qint64 when = QDateTime(QDate(2020, 12, 31), QTime(23, 59, 58)).toSecsSinceEpoch();
    FileEntry entry = MakeFileEntry("a.jpg", 1234, when);
    EXPECT_EQ(entry.caption.toStdString(), "a.jpg");
    EXPECT_EQ(entry.type.toStdString(), "File");
    EXPECT_EQ(entry.realSize.toStdString(), "    1234");
    EXPECT_EQ(entry.dateText.toStdString(), "2020-12-31");
    EXPECT_EQ(entry.realDate.toStdString(), "2020-12-31 23:59:58");
    // Past eight digits the field simply grows.
    EXPECT_EQ(MakeFileEntry("b.jpg", 3000000000LL, when).realSize.toStdString(), "3000000000");
}

FileEntry Entry(const char* name, const char* type, qint64 bytes, qint64 modified)
{
    FileEntry entry = MakeFileEntry(name, bytes, modified);
    entry.type = type;
    return entry;
}

struct CompareCase {
    const char* what;
    FileEntry first, second;
    int key;
    int sign;
};

class CompareEntriesTest : public testing::TestWithParam<CompareCase> { };

TEST_P(CompareEntriesTest, OrdersByTheKey)
{
    const CompareCase& c = GetParam();
    int result = CompareEntries(c.first, c.second, c.key);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.what;
    int reversed = CompareEntries(c.second, c.first, c.key);
    EXPECT_EQ((reversed > 0) - (reversed < 0), -c.sign) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Keys, CompareEntriesTest,
    testing::Values(CompareCase { "name", Entry("apple.jpg", "", 0, 0), Entry("Banana.jpg", "", 0, 0), 0, -1 },
        CompareCase { "name without regard to case", Entry("PHOTO.JPG", "", 0, 0), Entry("photo.jpg", "", 9, 9), 0, 0 },
        CompareCase { "type", Entry("a", "JPEG image", 0, 0), Entry("b", "GIF image", 0, 0), 1, 1 },
        CompareCase {
            "type without regard to case", Entry("a", "gif image", 0, 0), Entry("b", "GIF Image", 0, 0), 1, 0 },
        CompareCase { "size", Entry("a", "", 999, 0), Entry("b", "", 1000, 0), 4, -1 },
        CompareCase {
            "sizes past eight digits as numbers", Entry("a", "", 20000000, 0), Entry("b", "", 100000000, 0), 4, -1 },
        CompareCase { "sizes past 2 GiB", Entry("a", "", 3000000000LL, 0), Entry("b", "", 2147483647, 0), 4, 1 },
        CompareCase { "equal sizes", Entry("a", "", 5, 0), Entry("b", "", 5, 9), 4, 0 },
        CompareCase { "date", Entry("a", "", 0, 1000), Entry("b", "", 0, 2000), 5, -1 },
        CompareCase { "no column for image size", Entry("a", "", 1, 1), Entry("b", "", 2, 2), 6, 0 },
        CompareCase { "size text", Entry("a", "", 2048, 0), Entry("b", "", 1024, 0), 2, 1 }));

std::vector<std::string> Names(const std::vector<FileEntry>& entries, const std::vector<int>& order)
{
    std::vector<std::string> names;
    for (int i : order)
        names.push_back(entries[size_t(i)].caption.toStdString());
    return names;
}

TEST(SortedOrder, DescendingNegatesAndEqualEntriesKeepTheirOrder)
{
    std::vector<FileEntry> entries = { Entry("c", "", 10, 0), Entry("a", "", 20, 0), Entry("b", "", 10, 0) };
    EXPECT_EQ(Names(entries, SortedOrder(entries, SortByName, true)), (std::vector<std::string> { "a", "b", "c" }));
    EXPECT_EQ(Names(entries, SortedOrder(entries, SortByName, false)), (std::vector<std::string> { "c", "b", "a" }));
    EXPECT_EQ(Names(entries, SortedOrder(entries, SortBySize, true)), (std::vector<std::string> { "c", "b", "a" }));
    EXPECT_EQ(Names(entries, SortedOrder(entries, SortBySize, false)), (std::vector<std::string> { "a", "c", "b" }));
}

TEST(SortKeyForColumn, SizeAndDateSortByTheirHiddenColumns)
{
    EXPECT_EQ(SortKeyForColumn(ColumnName), 0);
    EXPECT_EQ(SortKeyForColumn(ColumnType), 1);
    EXPECT_EQ(SortKeyForColumn(ColumnSize), 4);
    EXPECT_EQ(SortKeyForColumn(ColumnDate), 5);
}

TEST(IsListedPictureFile, TakesTheExtensionFromTheLastDotWithoutRegardToCase)
{
    for (const char* listed : { "PHOTO.JPG", "photo.jpeg", ".old.gif", "a.b.tiff", "x.RGBA", ".bmp", "w.wmf", "p.pcd",
             ".old.png", "a.WEBP", "b.avif", "c.heic", "d.heif", "e.jxl" })
        EXPECT_TRUE(IsListedPictureFile(listed)) << listed;
    for (const char* skipped :
        { "photo.jpe", "notes.txt", ".old.svg", "noextension", "a.jpg.txt", "jpg", "a.", "a.jpgx", "a.svg" })
        EXPECT_FALSE(IsListedPictureFile(skipped)) << skipped;
}

} // namespace
