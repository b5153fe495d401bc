// The browser's side of the display window: the navigation sequence, the
// file commands and options as BrowserLink offers them, and what closing
// the display window does to the lists.
#include "Pelmora_main.h"

#include "FramedToolButton.h"
#include "Guarded.h"
#include "Pelmora_options.h"

#include <QCheckBox>
#include <QLineEdit>

namespace pelmora {

int TForm1::EntryCount() const
{
    return ListView_files->Count();
}

int TForm1::FocusedEntry() const
{
    return ListView_files->FocusedPosition();
}

void TForm1::FocusEntry(int position)
{
    ListView_files->SetFocusedPosition(position);
}

QString TForm1::EntryCaption(int position) const
{
    return ListView_files->Caption(position);
}

bool TForm1::IsEntrySelected(int position) const
{
    return ListView_files->IsSelected(position);
}

void TForm1::SetEntrySelected(int position, bool selected)
{
    ListView_files->SetSelected(position, selected);
}

int TForm1::SelectedCount() const
{
    return ListView_files->SelectedCount();
}

int TForm1::SelectionPosition() const
{
    return ListView_files->SelectionPosition();
}

int TForm1::NextEntry(int position, bool down, bool selectedOnly) const
{
    return ListView_files->NextEntry(position, down, selectedOnly);
}

void TForm1::RemoveEntry(int position)
{
    ListView_files->Model().RemoveEntry(position);
}

void TForm1::OpenFocusedEntry()
{
    ListView_filesDblClick();
}

bool TForm1::IsDeletingFiles() const
{
    return DeletingFiles;
}

void TForm1::SetDeletingFiles(bool deleting)
{
    DeletingFiles = deleting;
}

QIcon TForm1::CommandIcon(FileCommand command) const
{
    switch (command) {
    case FileCommand::Copy: return ToolButton_copy->icon();
    case FileCommand::Move: return ToolButton_move->icon();
    case FileCommand::Delete: return ToolButton_delete->icon();
    }
    return {};
}

bool TForm1::IsFullScreenView() const
{
    return FullScreenView;
}

bool TForm1::RunOptionsDialog()
{
    if (!options_)
        return false;
    options_->exec();
    if (options_->LastResult() == QDialog::Accepted)
        FullScreenView = options_->FullScreenChosen();
    return true;
}

QString TForm1::PathBarText() const
{
    return Edit_path->text();
}

QScreen* TForm1::Screen() const
{
    return screen();
}

void TForm1::ShowHelp()
{
    ToolButton_helpClick();
}

void TForm1::DisplayClosed()
{
    FileListView* list = ListView_files;
    if (list->Count() == 0)
        return;
    int shown = list->FocusedPosition();
    if (list->SelectedCount() == 1)
        list->ClearSelection();
    list->SetSelected(shown, true);
    list->SetFocusedPosition(list->SelectionPosition());
    // A preview that fails is reported; the list still follows the file last shown.
    Guarded([this] { ListView_filesClick(); });
    list->ScrollIntoView(list->FocusedPosition());
}

} // namespace pelmora
