// The user's guide as plain text in a window of the program's own: read
// only, with a search field. It serves where no help program takes the guide.
#pragma once

#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

namespace pelmora {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    QPlainTextEdit* Memo_help = nullptr;
    QLineEdit* Edit_search = nullptr;

    // Loads the text file and shows the window in front; false when the file cannot be read.
    bool ShowFile(const QString& path);
    // Selects the next place the search text is found, going round past the end.
    bool FindNext();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool Find(bool fromStart);
};

} // namespace pelmora
