#include "HelpWindow.h"

#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextCursor>
#include <QVBoxLayout>

namespace pelmora {

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle("Pelmora help");
    resize(640, 560);
    Edit_search = new QLineEdit(this);
    Edit_search->setPlaceholderText("Search");
    Edit_search->setAccessibleName("Search");
    Edit_search->setClearButtonEnabled(true);
    Memo_help = new QPlainTextEdit(this);
    Memo_help->setReadOnly(true);
    Memo_help->setAccessibleName("Help");
    // The guide is laid out in columns of blanks.
    Memo_help->setFont(QFont("Monospace"));
    Memo_help->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Edit_search);
    layout->addWidget(Memo_help);

    // Typing searches from the top; Enter and F3 go on to the next place.
    connect(Edit_search, &QLineEdit::textEdited, this, [this] { Find(true); });
    connect(Edit_search, &QLineEdit::returnPressed, this, [this] { FindNext(); });
    connect(new QShortcut(QKeySequence::FindNext, this), &QShortcut::activated, this, [this] { FindNext(); });
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        Edit_search->setFocus();
        Edit_search->selectAll();
    });
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    // The text and the search field leave Esc to the window.
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

bool HelpWindow::ShowFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    Memo_help->setPlainText(QString::fromUtf8(file.readAll()));
    show();
    raise();
    activateWindow();
    Edit_search->setFocus();
    return true;
}

bool HelpWindow::FindNext()
{
    return Find(false);
}

bool HelpWindow::Find(bool fromStart)
{
    QString text = Edit_search->text();
    QTextCursor from = Memo_help->textCursor();
    if (fromStart)
        from.movePosition(QTextCursor::Start);
    QTextCursor found = text.isEmpty() ? QTextCursor() : Memo_help->document()->find(text, from);
    if (found.isNull() && !text.isEmpty())
        found = Memo_help->document()->find(text, 0);
    // A search that finds nothing shows in the field's colour; the place shown stays.
    QPalette colours = Edit_search->palette();
    colours.setColor(QPalette::Text, found.isNull() && !text.isEmpty() ? Qt::red : palette().color(QPalette::Text));
    Edit_search->setPalette(colours);
    if (found.isNull())
        return false;
    Memo_help->setTextCursor(found);
    return true;
}

} // namespace pelmora
