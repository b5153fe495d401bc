// The file list's content: one FileEntry a row, in the displayed order.
// Sorting rearranges the rows and keeps the focus and selection on their
// entries; type names arrive by the serials the type-name worker was given.
#pragma once

#include "FileEntries.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <vector>

namespace pelmora {

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void SetGlyph(const QIcon& glyph) { glyph_ = glyph; }
    void Clear();
    void SetEntries(std::vector<FileEntry> entries);
    int Count() const { return int(entries_.size()); }
    const FileEntry& Entry(int row) const { return entries_[size_t(row)]; }

    void Sort(int key, bool ascending);

    // Numbers the entries in their present order and returns their captions
    // in that order: the snapshot a type-name worker works from.
    QStringList NumberForTypeNames();
    // Type names for the entries numbered first, first + 1, ...; entries
    // removed since are passed over.
    void ApplyTypeNames(int first, const QStringList& typeNames);
    // How many entries have their type name from the worker.
    int TypeNamesApplied() const { return typeNamesApplied_; }

    void RemoveEntry(int row);
    void SetCaption(int row, const QString& caption);

private:
    void IndexSerials();

    std::vector<FileEntry> entries_;
    std::vector<int> rowOfSerial_; // -1 once the entry is gone
    int typeNamesApplied_ = 0;
    QIcon glyph_;
};

} // namespace pelmora
