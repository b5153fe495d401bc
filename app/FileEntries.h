// The file list's entries as plain data: the texts of their columns, the size
// text, the extension table of the files the browser lists, and the one
// comparison every sort of the list goes through. No widgets here.
#pragma once

#include <QLocale>
#include <QString>

#include <vector>

namespace pelmora {

// The file list's columns, in their displayed order.
enum FileColumn { ColumnName, ColumnType, ColumnSize, ColumnDate, ColumnRealSize, ColumnRealDate, FileColumnCount };

// The sort key numbers of the file list: 0 the caption, n > 0 the sub-item at
// place n - 1 (1 "Type", 4 "RealSize", 5 "RealDate"); 6 has no column.
enum SortKeyNumber { SortByName = 0, SortByType = 1, SortBySize = 4, SortByDate = 5, SortByImageSize = 6 };

struct FileEntry {
    QString caption; // the file name with its extension
    QString type = "File"; // until the type-name worker has reached the entry
    QString sizeText; // FormatFileSize
    QString dateText; // "yyyy-mm-dd"
    QString realSize; // the byte count right-aligned in 8 characters
    QString realDate; // "yyyy-mm-dd hh:mm:ss"
    qint64 bytes = 0;
    qint64 modified = 0; // last write, seconds since the epoch
    int serial = -1; // position in the listing the type-name worker was given

    // The text of a column (ColumnName is the caption).
    const QString& Column(int column) const;
};

// An entry for a file of `bytes` bytes last written at `modified` (seconds
// since the epoch), its dates in local time.
FileEntry MakeFileEntry(const QString& name, qint64 bytes, qint64 modified);

// "1023 b ", "1.5 Kb", "1.43 Mb", "2 Gb": at most two decimals, trailing zeros
// dropped, the locale's decimal separator.
QString FormatFileSize(qint64 bytes, const QLocale& locale = QLocale());

// Negative, zero or positive. Texts compare by the user's locale without
// regard to case; the size compares the byte counts, so files of 100,000,000
// bytes and more sort right too, and the date compares the write times.
int CompareEntries(const FileEntry& first, const FileEntry& second, int key);

// The positions of the entries in the order CompareEntries gives, negated
// when descending; equal entries keep their order.
std::vector<int> SortedOrder(const std::vector<FileEntry>& entries, int key, bool ascending);

// The sort key of a file list column: "Size" sorts by "RealSize", "Date" by "RealDate".
int SortKeyForColumn(int column);

// True when the lower-cased extension of the name (from its last dot) is one
// of the 34 the browser lists.
bool IsListedPictureFile(const QString& name);

// Locale-aware comparison without regard to case, the one the lists use.
int CompareCaptions(const QString& first, const QString& second);

} // namespace pelmora
