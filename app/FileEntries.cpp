#include "FileEntries.h"

#include <QCollator>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numeric>

namespace pelmora {

namespace {

// The extensions the browser lists, in their historic order, then today's
// formats. The format registry is separate: a listed file it does not know
// fails when opened.
constexpr std::array<const char*, 41> kListedExtensions = { ".bmp", ".bw", ".cel", ".cut", ".dib", ".icb", ".ico",
    ".gif", ".jpg", ".jpeg", ".pal", ".pbm", ".pcx", ".pcc", ".pdd", ".pic", ".pcd", ".ppm", ".pgm", ".psd", ".rgb",
    ".rgba", ".rla", ".rle", ".rpf", ".scr", ".sgi", ".tga", ".tif", ".tiff", ".vst", ".vda", ".win", ".wmf", ".png",
    ".webp", ".avif", ".heic", ".heif", ".jxl", ".cur" };

std::tm LocalTime(qint64 seconds)
{
    std::time_t t = std::time_t(seconds);
    std::tm local {};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local;
}

// "####0.##": at least one integer digit, at most two decimals, trailing
// zeros and a bare separator dropped, halves rounded away from zero.
QString FormatUpToTwoDecimals(double value, const QLocale& locale)
{
    auto hundredths = qint64(std::round(value * 100));
    QString text = QString::number(hundredths / 100);
    int fraction = int(hundredths % 100);
    if (fraction == 0)
        return text;
    QString digits = QString::asprintf("%02d", fraction);
    if (digits.endsWith('0'))
        digits.chop(1);
    return text + locale.decimalPoint() + digits;
}

int Sign(qint64 difference)
{
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

} // namespace

const QString& FileEntry::Column(int column) const
{
    switch (column) {
    case ColumnType: return type;
    case ColumnSize: return sizeText;
    case ColumnDate: return dateText;
    case ColumnRealSize: return realSize;
    case ColumnRealDate: return realDate;
    default: return caption;
    }
}

FileEntry MakeFileEntry(const QString& name, qint64 bytes, qint64 modified)
{
    FileEntry entry;
    entry.caption = name;
    entry.bytes = bytes;
    entry.modified = modified;
    entry.sizeText = FormatFileSize(bytes);
    entry.realSize = QString::asprintf("%8lld", static_cast<long long>(bytes));
    std::tm t = LocalTime(modified);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    entry.dateText = QString::fromLatin1(text);
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
        t.tm_hour, t.tm_min, t.tm_sec);
    entry.realDate = QString::fromLatin1(text);
    return entry;
}

QString FormatFileSize(qint64 bytes, const QLocale& locale)
{
    constexpr qint64 kKilo = 1024, kMega = kKilo * 1024, kGiga = kMega * 1024;
    if (bytes < kKilo)
        return QString::number(bytes) + " b ";
    if (bytes < kMega)
        return FormatUpToTwoDecimals(double(bytes) / kKilo, locale) + " Kb";
    if (bytes < kGiga)
        return FormatUpToTwoDecimals(double(bytes) / kMega, locale) + " Mb";
    return FormatUpToTwoDecimals(double(bytes) / kGiga, locale) + " Gb";
}

int CompareCaptions(const QString& first, const QString& second)
{
    // The lists are sorted on the user-interface thread only; one collator a thread.
    static thread_local QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(first, second);
}

int CompareEntries(const FileEntry& first, const FileEntry& second, int key)
{
    switch (key) {
    case SortByName: return CompareCaptions(first.caption, second.caption);
    case SortBySize: return Sign(first.bytes - second.bytes);
    case SortByDate: return Sign(first.modified - second.modified);
    default:
        // Sub-item key - 1 is column `key`; keys past the last column have nothing to compare.
        if (key < ColumnType || key >= FileColumnCount)
            return 0;
        return CompareCaptions(first.Column(key), second.Column(key));
    }
}

std::vector<int> SortedOrder(const std::vector<FileEntry>& entries, int key, bool ascending)
{
    std::vector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int result = CompareEntries(entries[size_t(a)], entries[size_t(b)], key);
        return ascending ? result < 0 : result > 0;
    });
    return order;
}

int SortKeyForColumn(int column)
{
    if (column == ColumnSize)
        return SortBySize;
    if (column == ColumnDate)
        return SortByDate;
    return column;
}

bool IsListedPictureFile(const QString& name)
{
    qsizetype dot = name.lastIndexOf('.');
    if (dot < 0 || name.size() - dot > 5)
        return false;
    QString extension = name.mid(dot).toLower();
    return std::any_of(kListedExtensions.begin(), kListedExtensions.end(),
        [&](const char* listed) { return extension == QLatin1String(listed); });
}

} // namespace pelmora
