// The folder-list dialog: its list from the settings file and back,
// AddToFolderHistory, the list's popup, its keys, its layouts and the folder picker.
#include "WindowTestSupport.h"

#include "app/Pelmora_paths.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

using namespace pelmora;
using namespace pelmora::test;

namespace {

void WriteFolders(const WindowSession& session, const QStringList& folders)
{
    IniFile settings = session.Settings();
    settings.WriteInteger("SavePaths", "PathNmbr", int(folders.size()));
    for (int i = 0; i < folders.size(); ++i)
        settings.WriteString("SavePaths", std::to_string(i + 1), folders[i].toStdString());
}

} // namespace

class FolderDialogTest : public QObject {
    Q_OBJECT
private slots:
    void listComesFromTheSettingsAndGoesBackAtClose()
    {
        WindowSession session;
        WriteFolders(session, { "/one/", "/two/" });
        session.Start();
        TForm3& dialog = *session.windows->Form3;
        QCOMPARE(dialog.FolderHistory(), (QStringList { "/one/", "/two/" }));
        dialog.AddToFolderHistory("/three/");
        session.Stop();
        IniFile settings = session.Settings();
        QCOMPARE(settings.ReadInteger("SavePaths", "PathNmbr", 0), 3);
        QCOMPARE(QString::fromStdString(settings.ReadString("SavePaths", "1", "")), QString("/three/"));
        QCOMPARE(QString::fromStdString(settings.ReadString("SavePaths", "3", "")), QString("/two/"));
    }

    void anEmptySectionGivesAnEmptyList()
    {
        WindowSession session;
        session.Start();
        QVERIFY(session.windows->Form3->FolderHistory().isEmpty());
    }

    void addToFolderHistory_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("new goes on top") << QStringList { "/a/", "/b/" } << "/c/"
                                         << QStringList { "/c/", "/a/", "/b/" };
        QTest::newRow("third moves to the top")
            << QStringList { "/a/", "/b/", "/c/", "/d/" } << "/c/" << QStringList { "/c/", "/a/", "/b/", "/d/" };
        QTest::newRow("found without regard to case, keeping its text")
            << QStringList { "/a/", "/Photos/" } << "/PHOTOS/" << QStringList { "/Photos/", "/a/" };
        QTest::newRow("blank is ignored") << QStringList { "/a/" } << "   " << QStringList { "/a/" };
        QTest::newRow("empty list") << QStringList {} << "/a/" << QStringList { "/a/" };
    }
    void addToFolderHistory()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, added);
        QFETCH(QStringList, after);
        WindowSession session;
        WriteFolders(session, before);
        TForm3 dialog;
        dialog.AddToFolderHistory(added);
        QCOMPARE(dialog.FolderHistory(), after);
    }

    void listPopupRemovesAndClears()
    {
        WindowSession session;
        WriteFolders(session, { "/a/", "/b/", "/c/" });
        TForm3 dialog;
        dialog.PopupMenu1Popup();
        QVERIFY(!dialog.Pop_remove->isEnabled());
        QListWidgetItem* b = dialog.ListBox1->item(1);
        QTest::mouseClick(dialog.ListBox1->viewport(), Qt::LeftButton, {}, dialog.ListBox1->visualItemRect(b).center());
        QCOMPARE(dialog.Edit1->text(), QString("/b/"));
        dialog.PopupMenu1Popup();
        QVERIFY(dialog.Pop_remove->isEnabled());
        dialog.Pop_remove->trigger();
        QCOMPARE(dialog.FolderHistory(), (QStringList { "/a/", "/c/" }));
        QVERIFY(dialog.Edit1->text().isEmpty());
        dialog.Pop_clearall->trigger();
        QVERIFY(dialog.FolderHistory().isEmpty());
    }

    void enterAndEscCloseWhateverHasTheFocus_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Esc") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void enterAndEscCloseWhateverHasTheFocus()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        WindowSession session;
        WriteFolders(session, { "/a/" });
        TForm3 dialog;
        for (QWidget* control : { static_cast<QWidget*>(dialog.Edit1), static_cast<QWidget*>(dialog.ListBox1),
                 static_cast<QWidget*>(dialog.Button1) }) {
            QTimer::singleShot(0, &dialog, [&] {
                control->setFocus();
                QTest::keyClick(control, Qt::Key(key));
            });
            QCOMPARE(dialog.exec(), result);
        }
    }

    void folderPickerPutsTheFolderWithASeparator_data()
    {
        QTest::addColumn<QString>("picked"); // below the session's pictures; "" cancels
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("text");
        QTest::newRow("a folder") << "Photos"
                                  << "/start/"
                                  << "Photos/";
        QTest::newRow("cancelled: one more separator") << ""
                                                       << "/start/"
                                                       << "/start//";
    }
    void folderPickerPutsTheFolderWithASeparator()
    {
        QFETCH(QString, picked);
        QFETCH(QString, start);
        QFETCH(QString, text);
        WindowSession session;
        QVERIFY(QDir().mkdir(session.Pictures() + "Photos"));
        TForm3 dialog;
        dialog.Edit1->setText(start);
        session.answerer.answerDialog = [&](QDialog* shown) {
            auto* picker = qobject_cast<QFileDialog*>(shown);
            if (!picker || picked.isEmpty())
                return shown->reject();
            picker->setDirectory(session.Pictures() + picked);
            QMetaObject::invokeMethod(picker, "accept");
        };
        dialog.Button_folderClick();
        QString expected = picked.isEmpty() ? text : session.Pictures() + text;
        QCOMPARE(dialog.Edit1->text(), expected);
        QCOMPARE(session.answerer.dialogs, QStringList { "Choose a folder ..." });
    }

    void pickingARootKeepsItsSeparator()
    {
        WindowSession session;
        TForm3 dialog;
        session.answerer.answerDialog = [](QDialog* shown) {
            auto* picker = qobject_cast<QFileDialog*>(shown);
            picker->setDirectory("/");
            QMetaObject::invokeMethod(picker, "accept");
        };
        QCOMPARE(dialog.BrowseForFolder("/tmp"), QString("/"));
    }
};

PELMORA_WINDOW_TEST_MAIN(FolderDialogTest)
#include "folder_dialog_test.moc"
