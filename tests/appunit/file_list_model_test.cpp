// The file list's model: sorting keeps persistent indexes on their entries,
// and type names reach their entries by the worker's numbering.
#include "app/FileListModel.h"

#include <gtest/gtest.h>

#include <QPersistentModelIndex>

using namespace pelmora;

namespace {

std::vector<FileEntry> Entries(std::initializer_list<std::pair<const char*, qint64>> files)
{
    std::vector<FileEntry> entries;
    for (auto [name, bytes] : files)
        entries.push_back(MakeFileEntry(name, bytes, 0));
    return entries;
}

TEST(FileListModel, SortingMovesPersistentIndexesWithTheirEntries)
{
    FileListModel model;
    model.SetEntries(Entries({ { "a", 30 }, { "b", 10 }, { "c", 20 } }));
    QPersistentModelIndex a(model.index(0, 0)), c(model.index(2, 3));
    model.Sort(SortBySize, true);
    EXPECT_EQ(model.Entry(0).caption.toStdString(), "b");
    EXPECT_EQ(a.row(), 2);
    EXPECT_EQ(c.row(), 1);
    EXPECT_EQ(c.column(), 3);
}

TEST(FileListModel, TypeNamesFindTheirEntriesAfterASort)
{
    FileListModel model;
    model.SetEntries(Entries({ { "a", 30 }, { "b", 10 }, { "c", 20 } }));
    QStringList snapshot = model.NumberForTypeNames();
    EXPECT_EQ(snapshot, (QStringList { "a", "b", "c" }));
    model.Sort(SortBySize, false); // a, c, b
    model.ApplyTypeNames(1, { "type of b", "type of c" });
    EXPECT_EQ(model.Entry(0).type.toStdString(), "File");
    EXPECT_EQ(model.Entry(1).type.toStdString(), "type of c");
    EXPECT_EQ(model.Entry(2).type.toStdString(), "type of b");
    EXPECT_EQ(model.TypeNamesApplied(), 2);
}

TEST(FileListModel, TypeNamesOfRemovedEntriesGoNowhere)
{
    FileListModel model;
    model.SetEntries(Entries({ { "a", 1 }, { "b", 2 }, { "c", 3 } }));
    model.NumberForTypeNames();
    model.RemoveEntry(1);
    model.ApplyTypeNames(0, { "A", "B", "C", "past the end" });
    ASSERT_EQ(model.Count(), 2);
    EXPECT_EQ(model.Entry(0).type.toStdString(), "A");
    EXPECT_EQ(model.Entry(1).type.toStdString(), "C");
}

TEST(FileListModel, ARebuildForgetsTheOldNumbering)
{
    FileListModel model;
    model.SetEntries(Entries({ { "a", 1 } }));
    model.NumberForTypeNames();
    model.SetEntries(Entries({ { "x", 1 } }));
    model.ApplyTypeNames(0, { "old" });
    EXPECT_EQ(model.Entry(0).type.toStdString(), "File");
}

} // namespace
