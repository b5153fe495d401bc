// What the display window needs of the browser, and all it knows of it: the
// navigation sequence (the browser's file list in its displayed order,
// positions from 0, -1 for none), opening the focused entry, the file
// commands on one entry, the command icons and the options. The browser
// implements it; the display window is built against this header alone.
#pragma once

#include <QIcon>
#include <QString>

class QScreen;

namespace pelmora {

class BrowserLink {
public:
    enum class FileCommand { Copy, Move, Delete };

    // The navigation sequence.
    virtual int EntryCount() const = 0;
    virtual int FocusedEntry() const = 0;
    // Moves the focus mark without touching the selection.
    virtual void FocusEntry(int position) = 0;
    virtual QString EntryCaption(int position) const = 0;
    // The browser's current folder followed by the entry's caption.
    virtual QString PathForEntry(int position) const = 0;
    virtual bool IsEntrySelected(int position) const = 0;
    virtual void SetEntrySelected(int position, bool selected) = 0;
    virtual int SelectedCount() const = 0;
    // The first selected entry, -1 when none is.
    virtual int SelectionPosition() const = 0;
    // The next entry above (`down` false) or below the position, among all
    // entries or the selected ones only; -1 when there is none.
    virtual int NextEntry(int position, bool down, bool selectedOnly) const = 0;
    // Takes an entry whose file has gone out of the list.
    virtual void RemoveEntry(int position) = 0;
    // Loads the focused entry and hands it to the display window.
    virtual void OpenFocusedEntry() = 0;

    // The display window's file commands, one file each: copy and move of
    // the focused entry, reporting whether the file reached its folder; the
    // delete of an entry's file, reporting a failure itself. The list is
    // left as it is: the caller removes the entry.
    virtual bool CopyFocusedEntry() = 0;
    virtual bool MoveFocusedEntry() = 0;
    virtual bool DeleteEntryFile(int position) = 0;
    // Raised while files go away: the preview does not follow the focus meanwhile.
    virtual bool IsDeletingFiles() const = 0;
    virtual void SetDeletingFiles(bool deleting) = 0;
    virtual QIcon CommandIcon(FileCommand command) const = 0;

    // Options and the rest.
    virtual bool IsFullScreenView() const = 0;
    virtual bool StartedWithFile() const = 0;
    // Shows the options dialog modally and, on Ok, takes its full-screen
    // choice; false when there is no dialog.
    virtual bool RunOptionsDialog() = 0;
    // After the options dialog: rebuilds the lists and the layout, when it was closed with Ok.
    virtual void ApplyOptions() = 0;
    // The path bar's text: where the save dialog starts.
    virtual QString PathBarText() const = 0;
    // The screen the browser is on, which the full-screen layout covers.
    virtual QScreen* Screen() const = 0;
    virtual void ShowHelp() = 0;

protected:
    ~BrowserLink() = default;
};

} // namespace pelmora
