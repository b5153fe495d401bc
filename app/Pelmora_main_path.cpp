// The path bar: typing a folder, choosing one from the path history, and the
// path popup with the clipboard.
#include "Pelmora_main.h"

#include "FolderPath.h"
#include "Platform.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>

namespace pelmora {

QStringList TForm1::PathHistory() const
{
    QStringList paths;
    for (int i = 0; i < ComboBox_path->count(); ++i)
        paths.append(ComboBox_path->itemText(i));
    return paths;
}

void TForm1::Edit_pathKeyDown()
{
    QString text = WithTrailingSeparator(Edit_path->text().trimmed());
    Edit_path->setText(text);
    if (!platform::FolderExists(text)) {
        platform::ShowMessage(this, "Sorry, path does not exists - please correct...");
        Edit_path->selectAll();
        return;
    }
    if (!PathHistory().contains(text, Qt::CaseInsensitive))
        ComboBox_path->addItem(text);
    if (text != CurrentFolder) {
        platform::SetWorkingFolder(text);
        CurrentFolder = text;
        RefreshLists();
    }
}

void TForm1::ComboBox_pathChange(int index)
{
    QString text = ComboBox_path->itemText(index);
    // No existence test first: a folder that has gone fails here, before anything changes.
    if (text != CurrentFolder)
        platform::SetWorkingFolder(text);
    Edit_path->setText(text);
    if (text != CurrentFolder) {
        CurrentFolder = text;
        RefreshLists();
    }
}

void TForm1::Pop_path_menuClick(QAction* item)
{
    // The drop-down shows no text of its own but its chosen entry; the text box is where text goes.
    bool onDropDown = pathPopupOwner_ == ComboBox_path;
    if (item == Pop_path_copy) {
        QString text = onDropDown ? ComboBox_path->currentText() : Edit_path->selectedText();
        if (!text.isEmpty())
            QApplication::clipboard()->setText(text);
    } else if (item == Pop_path_paste) {
        Edit_path->clear();
        Edit_path->paste();
    } else if (item == Pop_path_clear) {
        ComboBox_path->clear();
        ComboBox_path->addItem(Edit_path->text());
    }
}

} // namespace pelmora
