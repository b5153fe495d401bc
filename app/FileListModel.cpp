#include "FileListModel.h"

#include <algorithm>

namespace pelmora {

namespace {

const char* const kColumnTitles[FileColumnCount] = { "Name", "Type", "Size", "Date", "RealSize", "RealDate" };

} // namespace

FileListModel::FileListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FileColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::DisplayRole)
        return Entry(index.row()).Column(index.column());
    if (role == Qt::DecorationRole && index.column() == ColumnName)
        return glyph_;
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < FileColumnCount)
        return QString::fromLatin1(kColumnTitles[section]);
    return {};
}

void FileListModel::Clear()
{
    SetEntries({});
}

void FileListModel::SetEntries(std::vector<FileEntry> entries)
{
    beginResetModel();
    entries_ = std::move(entries);
    rowOfSerial_.clear();
    typeNamesApplied_ = 0;
    endResetModel();
}

void FileListModel::Sort(int key, bool ascending)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The persistent indexes (focus, selection) follow their entries to their new rows.
    std::vector<int> order = SortedOrder(entries_, key, ascending);
    std::vector<int> newRowOf(order.size());
    std::vector<FileEntry> sorted;
    sorted.reserve(entries_.size());
    for (size_t row = 0; row < order.size(); ++row) {
        newRowOf[size_t(order[row])] = int(row);
        sorted.push_back(std::move(entries_[size_t(order[row])]));
    }
    entries_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(index.isValid() ? this->index(newRowOf[size_t(index.row())], index.column()) : index);
    changePersistentIndexList(before, after);
    IndexSerials();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList FileListModel::NumberForTypeNames()
{
    QStringList names;
    names.reserve(Count());
    for (int row = 0; row < Count(); ++row) {
        entries_[size_t(row)].serial = row;
        names.append(entries_[size_t(row)].caption);
    }
    IndexSerials();
    return names;
}

void FileListModel::IndexSerials()
{
    rowOfSerial_.assign(entries_.size(), -1);
    for (size_t row = 0; row < entries_.size(); ++row) {
        int serial = entries_[row].serial;
        if (serial >= 0) {
            if (size_t(serial) >= rowOfSerial_.size())
                rowOfSerial_.resize(size_t(serial) + 1, -1);
            rowOfSerial_[size_t(serial)] = int(row);
        }
    }
}

void FileListModel::ApplyTypeNames(int first, const QStringList& typeNames)
{
    int top = Count(), bottom = -1;
    for (int i = 0; i < typeNames.size(); ++i) {
        size_t serial = size_t(first + i);
        if (serial >= rowOfSerial_.size() || rowOfSerial_[serial] < 0)
            continue;
        int row = rowOfSerial_[serial];
        entries_[size_t(row)].type = typeNames[i];
        ++typeNamesApplied_;
        top = std::min(top, row);
        bottom = std::max(bottom, row);
    }
    if (bottom >= 0)
        emit dataChanged(index(top, ColumnType), index(bottom, ColumnType), { Qt::DisplayRole });
}

void FileListModel::RemoveEntry(int row)
{
    if (row < 0 || row >= Count())
        return;
    beginRemoveRows({}, row, row);
    entries_.erase(entries_.begin() + row);
    IndexSerials();
    endRemoveRows();
}

void FileListModel::SetCaption(int row, const QString& caption)
{
    if (row < 0 || row >= Count())
        return;
    entries_[size_t(row)].caption = caption;
    emit dataChanged(index(row, ColumnName), index(row, ColumnName), { Qt::DisplayRole });
}

} // namespace pelmora
