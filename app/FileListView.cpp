#include "FileListView.h"

#include <QHeaderView>

namespace pelmora {

FileListView::FileListView(QWidget* parent)
    : QTreeView(parent)
{
    setModel(&model_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    setColumnHidden(ColumnRealSize, true);
    setColumnHidden(ColumnRealDate, true);
}

QString FileListView::Caption(int position) const
{
    return position >= 0 && position < Count() ? model_.Entry(position).caption : QString();
}

int FileListView::FocusedPosition() const
{
    QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void FileListView::SetFocusedPosition(int position)
{
    QModelIndex index = position >= 0 && position < Count() ? model_.index(position, 0) : QModelIndex();
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

bool FileListView::IsSelected(int position) const
{
    return position >= 0 && position < Count() && selectionModel()->isRowSelected(position, {});
}

void FileListView::SetSelected(int position, bool selected)
{
    if (position < 0 || position >= Count())
        return;
    selectionModel()->select(model_.index(position, 0),
        (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows);
}

void FileListView::ClearSelection()
{
    selectionModel()->clearSelection();
}

int FileListView::SelectedCount() const
{
    return int(selectionModel()->selectedRows().size());
}

int FileListView::SelectionPosition() const
{
    int first = -1;
    for (const QModelIndex& row : selectionModel()->selectedRows())
        if (first < 0 || row.row() < first)
            first = row.row();
    return first;
}

int FileListView::NextEntry(int position, bool down, bool selectedOnly) const
{
    for (int at = position + (down ? 1 : -1); at >= 0 && at < Count(); at += down ? 1 : -1)
        if (!selectedOnly || IsSelected(at))
            return at;
    return -1;
}

void FileListView::ScrollIntoView(int position)
{
    if (position >= 0 && position < Count())
        scrollTo(model_.index(position, 0));
}

void FileListView::focusInEvent(QFocusEvent* event)
{
    bool hadFocusMark = currentIndex().isValid();
    QTreeView::focusInEvent(event);
    if (!hadFocusMark && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void FileListView::FocusAndSelect(int position)
{
    if (position < 0 || position >= Count())
        return;
    selectionModel()->setCurrentIndex(
        model_.index(position, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

} // namespace pelmora
