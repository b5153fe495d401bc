// The browser's file list: a report view of the FileListModel with
// multi-selection. Its displayed order is the program's navigation sequence;
// positions count from 0, the focused entry is the current file, and "the
// selection" is the first selected entry in list order.
#pragma once

#include "FileListModel.h"

#include <QTreeView>

namespace pelmora {

class FileListView : public QTreeView {
    Q_OBJECT
public:
    explicit FileListView(QWidget* parent = nullptr);

    FileListModel& Model() { return model_; }
    const FileListModel& Model() const { return model_; }

    int Count() const { return model_.Count(); }
    QString Caption(int position) const;

    // -1 when no entry has the focus mark.
    int FocusedPosition() const;
    // Moves the focus mark without touching the selection; -1 removes it.
    void SetFocusedPosition(int position);

    bool IsSelected(int position) const;
    void SetSelected(int position, bool selected);
    void ClearSelection();
    int SelectedCount() const;
    // The first selected entry, -1 when none is.
    int SelectionPosition() const;

    // The next entry above (`down` false) or below the position, among all
    // entries or the selected ones only; -1 when there is none.
    int NextEntry(int position, bool down, bool selectedOnly) const;
    void ScrollIntoView(int position);

    // Gives the entry the focus mark and makes it the only selected one.
    void FocusAndSelect(int position);

protected:
    // Getting the keyboard focus gives no entry the focus mark of its own:
    // which entry has it is the browser's choice.
    void focusInEvent(QFocusEvent* event) override;

private:
    FileListModel model_;
};

} // namespace pelmora
