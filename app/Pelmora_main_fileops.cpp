// The file commands of the browser: copy, move, delete and rename of the
// selected files. Their dialog is the folder-list dialog (TForm3).
#include "Pelmora_main.h"

namespace pelmora {

// The commands are wired to the toolbar, the file popup and the Delete key
// already; the operations themselves come with the file commands' change.

bool TForm1::Pop_file_copyClick(QObject* sender)
{
    Q_UNUSED(sender);
    return false;
}

void TForm1::Pop_file_moveClick() { }

void TForm1::ToolButton_deleteClick() { }

void TForm1::Pop_file_renameClick() { }

} // namespace pelmora
