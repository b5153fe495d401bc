// The path bar: typing a folder, the path history and its letter case,
// choosing from the drop-down, the path popup and the clipboard.
#include "WindowTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>

using namespace pelmora;
using namespace pelmora::test;

namespace {

void Type(TForm1& browser, const QString& text)
{
    Inside(browser).Edit_path->setFocus();
    Inside(browser).Edit_path->setText(text);
    QTest::keyClick(Inside(browser).Edit_path, Qt::Key_Return);
}

} // namespace

class BrowserPathTest : public QObject {
    Q_OBJECT
private slots:
    void typingAFolderListsItAndRemembersIt()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        QVERIFY(QDir().mkdir(session.Pictures() + "Sub"));
        WriteSizedFile(session.Pictures() + "Sub/a.gif", 5);
        session.Settings().WriteBool("Preferences", "HideImageOnLoad", true);
        TForm1& browser = session.Start();
        QString typed = session.Pictures() + "Sub";
        Type(browser, "  " + typed + " ");
        QCOMPARE(Inside(browser).Edit_path->text(), typed + "/");
        QCOMPARE(Inside(browser).CurrentFolder, typed + "/");
        QCOMPARE(browser.PathHistory(), QStringList { typed + "/" });
        QCOMPARE(Inside(browser).ListView_files->Count(), 1);
        QCOMPARE(QDir::currentPath() + "/", typed + "/");
        QVERIFY(session.answerer.messages.isEmpty());
    }

    void typingTheCurrentFolderDoesNotRebuild()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        TForm1& browser = session.Start();
        quint64 listing = browser.ListingGeneration();
        Type(browser, session.Pictures());
        QCOMPARE(browser.ListingGeneration(), listing);
        // The history still gains the entry.
        QCOMPARE(browser.PathHistory(), QStringList { session.Pictures() });
    }

    void historyIgnoresLetterCaseButFoldersDoNot()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        QVERIFY(QDir().mkdir(session.Pictures() + "Case"));
        QVERIFY(QDir().mkdir(session.Pictures() + "case"));
        TForm1& browser = session.Start();
        Type(browser, session.Pictures() + "Case/");
        quint64 listing = browser.ListingGeneration();
        Type(browser, session.Pictures() + "case/");
        QCOMPARE(browser.PathHistory(), QStringList { session.Pictures() + "Case/" });
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures() + "case/");
        QVERIFY(browser.ListingGeneration() > listing);
    }

    void aMissingFolderIsReportedAndChangesNothing()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        TForm1& browser = session.Start();
        quint64 listing = browser.ListingGeneration();
        QString missing = session.Pictures() + "nowhere";
        Type(browser, missing);
        QCOMPARE(session.answerer.messages, QStringList { "Sorry, path does not exists - please correct..." });
        QCOMPARE(Inside(browser).Edit_path->text(), missing + "/");
        QCOMPARE(Inside(browser).Edit_path->selectedText(), missing + "/");
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures());
        QVERIFY(browser.PathHistory().isEmpty());
        QCOMPARE(browser.ListingGeneration(), listing);
    }

    void choosingFromTheDropDownGoesThere()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        QVERIFY(QDir().mkdir(session.Pictures() + "One"));
        IniFile settings = session.Settings();
        settings.WriteInteger("ReadPaths", "PathNmbr", 2);
        settings.WriteString("ReadPaths", "1", (session.Pictures() + "One/").toStdString());
        settings.WriteString("ReadPaths", "2", (session.Pictures() + "Gone/").toStdString());
        TForm1& browser = session.Start();
        emit Inside(browser).ComboBox_path->activated(0);
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures() + "One/");
        QCOMPARE(Inside(browser).Edit_path->text(), session.Pictures() + "One/");
        // A remembered folder that has gone: the platform's error, and nothing changes.
        quint64 listing = browser.ListingGeneration();
        emit Inside(browser).ComboBox_path->activated(1);
        QCOMPARE(session.answerer.messages.size(), 1);
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures() + "One/");
        QCOMPARE(Inside(browser).Edit_path->text(), session.Pictures() + "One/");
        QCOMPARE(browser.ListingGeneration(), listing);
    }

    void pathPopupCopiesPastesAndClears()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        IniFile settings = session.Settings();
        settings.WriteInteger("ReadPaths", "PathNmbr", 2);
        settings.WriteString("ReadPaths", "1", "/a/");
        settings.WriteString("ReadPaths", "2", "/b/");
        TForm1& browser = session.Start();
        Inside(browser).Edit_path->setSelection(0, 4);
        Inside(browser).Pop_path_copy->trigger();
        QCOMPARE(QApplication::clipboard()->text(), session.Pictures().left(4));
        QApplication::clipboard()->setText("/pasted/");
        Inside(browser).Pop_path_paste->trigger();
        QCOMPARE(Inside(browser).Edit_path->text(), QString("/pasted/"));
        Inside(browser).Edit_path->setText(session.Pictures());
        Inside(browser).Pop_path_clear->trigger();
        QCOMPARE(browser.PathHistory(), QStringList { session.Pictures() });
        session.Stop();
        QCOMPARE(session.Settings().ReadInteger("ReadPaths", "PathNmbr", 0), 1);
    }
};

PELMORA_WINDOW_TEST_MAIN(BrowserPathTest)
#include "browser_path_test.moc"
