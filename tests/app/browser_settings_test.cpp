// The browser window's settings and geometry: first-run defaults, what the
// close writes and the next start reads back, the folder list's hiding, the
// chosen start entry, the panel layout, the toolbar's elastic gaps.
#include "WindowTestSupport.h"

#include <QAction>
#include <QFrame>
#include <QScrollBar>
#include <QStackedWidget>
#include <QSplitter>
#include <QTreeWidget>

using namespace pelmora;
using namespace pelmora::test;

namespace {

const char* const kPreferences = "Preferences";

int ReadPreference(const WindowSession& session, const char* key, int missing = -12345)
{
    return session.Settings().ReadInteger(kPreferences, key, missing);
}

void WritePictures(const WindowSession& session, int count)
{
    for (int i = 0; i < count; ++i)
        WriteBitmapFile(session.Pictures() + QString("picture%1.bmp").arg(i, 2, 10, QChar('0')), 8, 8);
}

} // namespace

class BrowserSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void firstRunGivesTheDesignDefaults()
    {
        WindowSession session;
        TForm1& browser = session.Start();
        QCOMPARE(browser.size(), QSize(502, 483));
        QCOMPARE(browser.pos(), QPoint(229, 114));
        QCOMPARE(Inside(browser).ListView_folders->width(), 136);
        QCOMPARE(Inside(browser).Panel_files->height(), 147);
        QCOMPARE(Inside(browser).ListView_files->columnWidth(ColumnName), 160);
        QCOMPARE(Inside(browser).ListView_files->columnWidth(ColumnType), 80);
        QCOMPARE(Inside(browser).ListView_files->columnWidth(ColumnSize), 60);
        QVERIFY(Inside(browser).ListView_files->isColumnHidden(ColumnRealSize));
        QVERIFY(Inside(browser).ListView_files->isColumnHidden(ColumnRealDate));
        // The home folder outside Windows, where "C:\Windows\" is not.
        QCOMPARE(Inside(browser).CurrentFolder, session.Home());
        QCOMPARE(Inside(browser).SortKey, 0);
        QVERIFY(Inside(browser).SortAscending);
        QVERIFY(Inside(browser).FullScreenView);
        QCOMPARE(Inside(browser).DriveTypesSetting, 0);
        QCOMPARE(Inside(browser).Splitter1->orientation(), Qt::Vertical);
        QCOMPARE(Inside(browser).Pop_file_hidefolderlist->text(), QString("Hide folder list"));
        QCOMPARE(browser.windowTitle(), QString(" Picture Pelmora"));
    }

    void dateColumnFillsTheRestOfTheList()
    {
        WindowSession session;
        TForm1& browser = session.Start();
        for (QSize size : { QSize(502, 483), QSize(800, 500), QSize(400, 400) }) {
            browser.resize(size);
            QCoreApplication::processEvents();
            FileListView* files = Inside(browser).ListView_files;
            int rest = files->width() - 160 - 80 - 60 - 4;
            if (files->verticalScrollBar()->isVisible())
                rest -= files->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
            QCOMPARE(files->columnWidth(ColumnDate), std::max(0, rest));
        }
    }

    void closeWritesWhatTheNextStartReads()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WritePictures(session, 3);
        QString focusedName;
        {
            TForm1& browser = session.Start();
            browser.resize(640, 520);
            browser.move(40, 30);
            Inside(browser).ListView_files->setColumnWidth(ColumnName, 120);
            Inside(browser).ListView_files->setColumnWidth(ColumnType, 90);
            Inside(browser).ListView_files->setColumnWidth(ColumnSize, 70);
            Inside(browser).Splitter2->setSizes({150, 400});
            Inside(browser).Splitter1->setSizes({200, 200});
            browser.ListView_filesColumnClick(ColumnSize);
            browser.ListView_filesColumnClick(ColumnSize);
            Inside(browser).ListView_files->SetFocusedPosition(2);
            focusedName = Inside(browser).ListView_files->Caption(2);
            session.Stop();
        }
        QCOMPARE(
            QString::fromStdString(session.Settings().ReadString(kPreferences, "OpenPath", "")), session.Pictures());
        QCOMPARE(ReadPreference(session, "SortColumn"), 4);
        QCOMPARE(ReadPreference(session, "SortOrder"), 0);
        QCOMPARE(ReadPreference(session, "FolderColumn"), 150);
        QCOMPARE(ReadPreference(session, "PelmoraHeight"), 200);
        QCOMPARE(ReadPreference(session, "Column_1"), 120);
        QCOMPARE(ReadPreference(session, "Column_2"), 90);
        QCOMPARE(ReadPreference(session, "Column_3"), 70);
        QCOMPARE(ReadPreference(session, "WindowLeft"), 40);
        QCOMPARE(ReadPreference(session, "WindowTop"), 30);
        QCOMPARE(ReadPreference(session, "SelectedFile"), 2);

        TForm1& again = session.Start();
        QCOMPARE(again.frameGeometry().size(),
            QSize(ReadPreference(session, "WindowWidth"), ReadPreference(session, "WindowHeight")));
        QCOMPARE(again.size(), QSize(640, 520));
        QCOMPARE(Inside(again).ListView_folders->width(), 150);
        QCOMPARE(Inside(again).Panel_files->height(), 200);
        QCOMPARE(Inside(again).ListView_files->columnWidth(ColumnName), 120);
        QCOMPARE(Inside(again).SortKey, 4);
        QVERIFY(!Inside(again).SortAscending);
        // Files of one size may come in another order: the file is found by its name.
        QCOMPARE(Inside(again).ListView_files->Caption(Inside(again).ListView_files->FocusedPosition()), focusedName);
    }

    void closingWithoutAFocusedFileRemovesSelectedFile()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WritePictures(session, 3);
        session.Settings().WriteInteger(kPreferences, "SelectedFile", 2);
        TForm1& browser = session.Start();
        QCOMPARE(Inside(browser).ListView_files->FocusedPosition(), 2);
        Inside(browser).ListView_files->SetFocusedPosition(-1);
        session.Stop();
        QVERIFY(!session.Settings().ValueExists(kPreferences, "SelectedFile"));
        TForm1& again = session.Start();
        QCOMPARE(Inside(again).ListView_files->FocusedPosition(), 0);
    }

    void selectedFileChoosesTheStartEntry_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("chosen");
        QTest::newRow("inside the list") << 4 << 4;
        QTest::newRow("past the end gives the last entry") << 57 << 9;
        QTest::newRow("negative gives the first") << -3 << 0;
    }
    void selectedFileChoosesTheStartEntry()
    {
        QFETCH(int, stored);
        QFETCH(int, chosen);
        WindowSession session;
        session.ListPicturesAtStart();
        WritePictures(session, 10);
        session.Settings().WriteInteger(kPreferences, "SelectedFile", stored);
        TForm1& browser = session.Start();
        QCOMPARE(Inside(browser).ListView_files->FocusedPosition(), chosen);
        QVERIFY(Inside(browser).ListView_files->IsSelected(chosen));
        QCOMPARE(Inside(browser).ListView_files->SelectedCount(), 1);
        QVERIFY(Inside(browser).Image1->HasPicture());
    }

    void storedFolderColumnOfOneStartsHidden()
    {
        WindowSession session;
        session.Settings().WriteInteger(kPreferences, "FolderColumn", 1);
        TForm1& browser = session.Start();
        QCOMPARE(Inside(browser).ListView_folders->width(), 1);
        QCOMPARE(Inside(browser).Pop_file_hidefolderlist->text(), QString("Show folder list"));
        Inside(browser).Pop_file_hidefolderlist->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(Inside(browser).ListView_folders->width(), 136);
        QCOMPARE(Inside(browser).Pop_file_hidefolderlist->text(), QString("Hide folder list"));
    }

    void hidingKeepsTheWidthForShowing()
    {
        WindowSession session;
        TForm1& browser = session.Start();
        Inside(browser).Splitter2->setSizes({180, 300});
        // The folder popup's item runs the same command and always reads "Hide folder list".
        Inside(browser).Pop_folder_hidefolderlist->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(Inside(browser).ListView_folders->width(), 1);
        QCOMPARE(ReadPreference(session, "FolderColumn"), 180);
        QCOMPARE(Inside(browser).Pop_folder_hidefolderlist->text(), QString("Hide folder list"));
        Inside(browser).Pop_file_hidefolderlist->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(Inside(browser).ListView_folders->width(), 180);
        // Hidden at close, hidden at the next start, and showing brings back the default.
        Inside(browser).Pop_file_hidefolderlist->trigger();
        session.Stop();
        QCOMPARE(ReadPreference(session, "FolderColumn"), 1);
    }

    void panelFilesOnePutsTheFilesLeftOfThePreview()
    {
        WindowSession session;
        session.Settings().WriteInteger(kPreferences, "PanelFiles", 1);
        TForm1& browser = session.Start();
        QCOMPARE(Inside(browser).Splitter1->orientation(), Qt::Horizontal);
        QCOMPARE(Inside(browser).Splitter2->orientation(), Qt::Vertical);
        QVERIFY(Inside(browser).Panel_files->geometry().right() < Inside(browser).Panel_image->geometry().left());
        // The file list's place in the splitter holds it or its thumbnails.
        QVERIFY(Inside(browser).ListView_folders->geometry().bottom()
            < Inside(browser).Panel_fileviews->geometry().top());
        // Back to the default layout when the setting changes and the layout is applied again.
        session.Settings().WriteInteger(kPreferences, "PanelFiles", 0);
        browser.ApplyPanelLayout();
        QCOMPARE(Inside(browser).Splitter1->orientation(), Qt::Vertical);
        QCOMPARE(Inside(browser).Splitter2->orientation(), Qt::Horizontal);
    }

    void windowHasAMinimumSize()
    {
        WindowSession session;
        TForm1& browser = session.Start();
        browser.resize(100, 100);
        QCoreApplication::processEvents();
        QCOMPARE(browser.width(), 326);
        QCOMPARE(browser.frameGeometry().height(), 290);
        QVERIFY(Inside(browser).ToolBar1->width() > 299);
    }

    void elasticGapsShareTheToolbarsExtraWidth_data()
    {
        QTest::addColumn<int>("windowWidth");
        QTest::newRow("narrowest") << 326;
        QTest::newRow("default") << 502;
        QTest::newRow("wide") << 1200;
    }
    void elasticGapsShareTheToolbarsExtraWidth()
    {
        QFETCH(int, windowWidth);
        WindowSession session;
        TForm1& browser = session.Start();
        browser.resize(windowWidth, 483);
        QCoreApplication::processEvents();
        int extra = Inside(browser).ToolBar1->width() - 299;
        QCOMPARE(Inside(browser).ToolButton_sep2->width(), extra * 356 / 1000);
        for (QWidget* gap : {Inside(browser).ToolButton_sep4, Inside(browser).ToolButton_sep5,
                 Inside(browser).ToolButton_sep8, Inside(browser).ToolButton_sep9, Inside(browser).ToolButton_sep10})
            QCOMPARE(gap->width(), extra * 96 / 1000);
        // The buttons keep their order and never overlap.
        QVERIFY(Inside(browser).ToolButton_upone->geometry().right()
            < Inside(browser).ToolButton_explore->geometry().left());
        QVERIFY(
            Inside(browser).ToolButton_help->geometry().right() < Inside(browser).ToolButton_exit->geometry().left());
        QVERIFY(Inside(browser).ToolButton_exit->geometry().right() < Inside(browser).ToolBar1->width());
    }

    void failingWriteAtCloseIsShownOnceAndTheWindowStillCloses()
    {
        WindowSession session;
        TForm1& browser = session.Start();
        // A folder in the settings file's place: no write can replace it.
        QVERIFY(QDir().mkdir(SettingsFilePath()));
        bool closed = false;
        connect(&browser, &TForm1::Closed, this, [&] { closed = true; });
        QVERIFY(browser.close());
        QVERIFY(closed);
        QCOMPARE(session.answerer.messages, QStringList { "Unable to write to " + SettingsFilePath() });
    }

    void pathHistorySurvivesARestart()
    {
        WindowSession session;
        IniFile settings = session.Settings();
        settings.WriteInteger("ReadPaths", "PathNmbr", 3);
        settings.WriteString("ReadPaths", "1", "/first/");
        settings.WriteString("ReadPaths", "3", "/third/");
        // Left from a longer list: beyond PathNmbr, ignored and kept.
        settings.WriteString("ReadPaths", "4", "/stale/");
        TForm1& browser = session.Start();
        // A numbered key that is missing contributes nothing.
        QCOMPARE(browser.PathHistory(), (QStringList { "/first/", "/third/" }));
        session.Stop();
        QCOMPARE(ReadPreference(session, "PathNmbr", 0), 0); // not a Preferences key
        QCOMPARE(session.Settings().ReadInteger("ReadPaths", "PathNmbr", 0), 2);
        QCOMPARE(QString::fromStdString(session.Settings().ReadString("ReadPaths", "2", "")), QString("/third/"));
        QCOMPARE(QString::fromStdString(session.Settings().ReadString("ReadPaths", "4", "")), QString("/stale/"));
    }
};

PELMORA_WINDOW_TEST_MAIN(BrowserSettingsTest)
#include "browser_settings_test.moc"
