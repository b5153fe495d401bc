// The folder-list dialog: a text box for a folder (or, for rename, a file
// name), the shell's folder picker behind "...", and the list of target
// folders of copy and move (`FolderHistory`), most recently used first.
#pragma once

#include <QDialog>
#include <QStringList>

class QAction;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace pelmora {

class TForm3 : public QDialog {
    Q_OBJECT
public:
    // Creation reads the list from the settings file's `SavePaths`.
    explicit TForm3(QWidget* parent = nullptr);

    enum class Use { Copy, Move, Rename };
    // The caption and layout for a use: the list and both buttons for copy
    // and move, the text box and "Ok" alone for rename.
    void LayOutFor(Use use);

    QStringList FolderHistory() const;
    // Moves the folder to the top (found without regard to case), or puts it there.
    void AddToFolderHistory(const QString& folder);
    // The folder the user picks, starting at `initial`; `initial` itself when the picker is cancelled.
    QString BrowseForFolder(const QString& initial);

    void Button_folderClick();
    void ListBox1Click();
    void PopupMenu1Popup();
    void PopupMenu1Click(QAction* item);

    QLineEdit* Edit1 = nullptr;
    QPushButton* Button_folder = nullptr;
    QPushButton* Button_ok = nullptr;
    QPushButton* Button1 = nullptr; // "Cancel"
    QListWidget* ListBox1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Pop_remove = nullptr;
    QAction* Pop_clearall = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void FormKeyDown(int key);
};

} // namespace pelmora
