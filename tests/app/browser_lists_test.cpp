// The folder and file lists: what a folder lists, the texts of the columns,
// sorting by each column and the sort menu, the type names arriving from the
// worker, and moving between folders and drives.
#include "WindowTestSupport.h"

#include "app/Platform.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

using namespace pelmora;
using namespace pelmora::test;

namespace {

QStringList FileCaptions(TForm1& browser)
{
    QStringList captions;
    for (int i = 0; i < Inside(browser).ListView_files->Count(); ++i)
        captions.append(Inside(browser).ListView_files->Caption(i));
    return captions;
}

// The folder entries (type "F"), in list order.
QStringList FolderCaptions(TForm1& browser)
{
    QStringList captions;
    for (int i = 0; i < Inside(browser).ListView_folders->topLevelItemCount(); ++i)
        if (Inside(browser).ListView_folders->topLevelItem(i)->text(1) == "F")
            captions.append(Inside(browser).ListView_folders->topLevelItem(i)->text(0));
    return captions;
}

QTreeWidgetItem* FolderItem(TForm1& browser, const QString& caption)
{
    QList<QTreeWidgetItem*> found = Inside(browser).ListView_folders->findItems(caption, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

// The files of these tests are no pictures: nothing is previewed at start.
void ListWithoutPreview(WindowSession& session)
{
    session.ListPicturesAtStart();
    session.Settings().WriteBool("Preferences", "HideImageOnLoad", true);
}

void Enter(TForm1& browser, const QString& caption)
{
    Inside(browser).ListView_folders->setCurrentItem(FolderItem(browser, caption));
    browser.ListView_foldersDblClick();
}

} // namespace

class BrowserListsTest : public QObject {
    Q_OBJECT
private slots:
    void folderListsPicturesAndVisibleFolders()
    {
        WindowSession session;
        ListWithoutPreview(session);
        for (const char* name : { "PHOTO.JPG", "photo.jpeg", "photo.jpe", "notes.txt", ".old.gif", ".old.svg",
                 "noextension", "archive.tiff" })
            WriteSizedFile(session.Pictures() + name, 10);
        for (const char* name : { "Holiday", ".hidden", "folder.jpg" })
            QVERIFY(QDir().mkdir(session.Pictures() + name));
        TForm1& browser = session.Start();
        QCOMPARE(FileCaptions(browser), (QStringList { ".old.gif", "archive.tiff", "photo.jpeg", "PHOTO.JPG" }));
        QCOMPARE(FolderCaptions(browser), (QStringList { "..", "folder.jpg", "Holiday" }));
        QCOMPARE(Inside(browser).StatusBar_files->text(), QString("Total 4 files"));
        QCOMPARE(Inside(browser).Edit_path->text(), session.Pictures());
        // The drives follow the folders.
        QTreeWidgetItem* last
            = Inside(browser).ListView_folders->topLevelItem(Inside(browser).ListView_folders->topLevelItemCount() - 1);
        QCOMPARE(last->text(1), QString("D"));
    }

    void columnsHoldTheSizeAndDateTexts()
    {
        WindowSession session;
        ListWithoutPreview(session);
        QDateTime written(QDate(2021, 3, 4), QTime(5, 6, 8));
        WriteSizedFile(session.Pictures() + "a.bmp", 1234, written);
        WriteSizedFile(session.Pictures() + "b.bmp", 1536, written);
        TForm1& browser = session.Start();
        const FileEntry& first = Inside(browser).ListView_files->Model().Entry(0);
        // The type-name worker may already have replaced the placeholder.
        const QString type = first.Column(ColumnType);
        QVERIFY2(type == "File" || type.contains("BMP", Qt::CaseInsensitive), qPrintable(type));
        QCOMPARE(first.Column(ColumnSize), QString("1.21 Kb"));
        QCOMPARE(first.Column(ColumnDate), QString("2021-03-04"));
        QCOMPARE(first.Column(ColumnRealSize), QString("    1234"));
        QCOMPARE(first.Column(ColumnRealDate), QString("2021-03-04 05:06:08"));
        QCOMPARE(Inside(browser).ListView_files->Model().Entry(1).Column(ColumnSize), QString("1.5 Kb"));
    }

    void columnClicksSortAndReverse_data()
    {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("ascending");
        // Sizes: big 200, mid 100, small 10; dates: small oldest, big newest.
        QTest::newRow("start: by name") << QList<int> {} << QStringList { "big.gif", "mid.bmp", "Small.jpg" } << 0
                                        << true;
        QTest::newRow("size") << QList<int> { 2 } << QStringList { "Small.jpg", "mid.bmp", "big.gif" } << 4 << true;
        QTest::newRow("size twice") << QList<int> { 2, 2 } << QStringList { "big.gif", "mid.bmp", "Small.jpg" } << 4
                                    << false;
        QTest::newRow("size twice, then name keeps the direction")
            << QList<int> { 2, 2, 0 } << QStringList { "Small.jpg", "mid.bmp", "big.gif" } << 0 << false;
        QTest::newRow("date") << QList<int> { 3 } << QStringList { "Small.jpg", "mid.bmp", "big.gif" } << 5 << true;
        QTest::newRow("name twice") << QList<int> { 0 } << QStringList { "Small.jpg", "mid.bmp", "big.gif" } << 0
                                    << false;
    }
    void columnClicksSortAndReverse()
    {
        QFETCH(QList<int>, clicks);
        QFETCH(QStringList, order);
        QFETCH(int, key);
        QFETCH(bool, ascending);
        WindowSession session;
        ListWithoutPreview(session);
        QDateTime now = QDateTime::currentDateTime();
        WriteSizedFile(session.Pictures() + "Small.jpg", 10, now.addDays(-3));
        WriteSizedFile(session.Pictures() + "mid.bmp", 100, now.addDays(-2));
        WriteSizedFile(session.Pictures() + "big.gif", 200, now.addDays(-1));
        TForm1& browser = session.Start();
        for (int column : clicks)
            browser.ListView_filesColumnClick(column);
        QCOMPARE(FileCaptions(browser), order);
        QCOMPARE(Inside(browser).SortKey, key);
        QCOMPARE(Inside(browser).SortAscending, ascending);
    }

    void clickingAColumnTitleSorts()
    {
        WindowSession session;
        ListWithoutPreview(session);
        WriteSizedFile(session.Pictures() + "a.bmp", 300);
        WriteSizedFile(session.Pictures() + "b.bmp", 100);
        TForm1& browser = session.Start();
        QHeaderView* header = Inside(browser).ListView_files->header();
        QPoint sizeTitle(header->sectionViewportPosition(ColumnSize) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sizeTitle);
        QCOMPARE(FileCaptions(browser), (QStringList { "b.bmp", "a.bmp" }));
    }

    void sizesOfAHundredMillionBytesAndMoreSortAsNumbers()
    {
        WindowSession session;
        ListWithoutPreview(session);
        WriteSizedFile(session.Pictures() + "a.bmp", 100'000'000);
        WriteSizedFile(session.Pictures() + "b.bmp", 20'000'000);
        WriteSizedFile(session.Pictures() + "c.bmp", 3'000'000'000LL);
        WriteSizedFile(session.Pictures() + "d.bmp", 999);
        TForm1& browser = session.Start();
        browser.ListView_filesColumnClick(ColumnSize);
        QCOMPARE(FileCaptions(browser), (QStringList { "d.bmp", "b.bmp", "a.bmp", "c.bmp" }));
        QCOMPARE(Inside(browser).ListView_files->Model().Entry(3).Column(ColumnSize), QString("2.79 Gb"));
    }

    void sortingKeepsFocusAndSelectionOnTheirEntries()
    {
        WindowSession session;
        ListWithoutPreview(session);
        WriteSizedFile(session.Pictures() + "a.bmp", 300);
        WriteSizedFile(session.Pictures() + "b.bmp", 100);
        WriteSizedFile(session.Pictures() + "c.bmp", 200);
        TForm1& browser = session.Start();
        FileListView* files = Inside(browser).ListView_files;
        files->FocusAndSelect(0); // a.bmp
        files->SetSelected(2, true);
        browser.ListView_filesColumnClick(ColumnSize); // b, c, a
        QCOMPARE(files->Caption(files->FocusedPosition()), QString("a.bmp"));
        QVERIFY(files->IsSelected(1) && files->IsSelected(2) && !files->IsSelected(0));
    }

    void sortMenuChecksTheKeyAndActsAsAColumnClick_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("checked");
        QTest::newRow("name") << 0 << "Name";
        QTest::newRow("type: none checked") << 1 << "";
        QTest::newRow("size") << 4 << "File size";
        QTest::newRow("date") << 5 << "File date";
    }
    void sortMenuChecksTheKeyAndActsAsAColumnClick()
    {
        QFETCH(int, key);
        QFETCH(QString, checked);
        WindowSession session;
        session.Settings().WriteInteger("Preferences", "SortColumn", key);
        TForm1& browser = session.Start();
        browser.Pop_file_sortClick();
        QStringList checkedItems;
        for (QAction* item : Inside(browser).Pop_file_sort->actions())
            if (item->isChecked())
                checkedItems.append(item->text());
        QCOMPARE(checkedItems, checked.isEmpty() ? QStringList {} : QStringList { checked });
        QVERIFY(!Inside(browser).Pop_file_sort_imagesize->isEnabled());
        // Choosing the checked entry again reverses the order.
        if (!checked.isEmpty()) {
            for (QAction* item : Inside(browser).Pop_file_sort->actions())
                if (item->isChecked())
                    item->trigger();
            QCOMPARE(Inside(browser).SortKey, key);
            QVERIFY(!Inside(browser).SortAscending);
        }
    }

    void typeNamesArriveAfterTheRebuild()
    {
        WindowSession session;
        ListWithoutPreview(session);
        WriteBitmapFile(session.Pictures() + "a.bmp", 4, 4);
        WriteSizedFile(session.Pictures() + "b.gif", 10);
        WriteSizedFile(session.Pictures() + "c.jpg", 20);
        TForm1& browser = session.Start();
        browser.RefreshLists();
        // Until the worker's results are applied on this thread, every entry reads "File".
        for (int i = 0; i < 3; ++i)
            QCOMPARE(Inside(browser).ListView_files->Model().Entry(i).type, QString("File"));
        QVERIFY(WaitForTypeNames(browser));
        for (int i = 0; i < 3; ++i) {
            const FileEntry& entry = Inside(browser).ListView_files->Model().Entry(i);
            QCOMPARE(entry.type, platform::FileTypeName(session.Pictures() + entry.caption));
            QVERIFY(entry.type != "File");
        }
        // Sorting by type then uses the type names.
        browser.ListView_filesColumnClick(ColumnType);
        for (int i = 1; i < 3; ++i)
            QVERIFY(CompareCaptions(Inside(browser).ListView_files->Model().Entry(i - 1).type,
                        Inside(browser).ListView_files->Model().Entry(i).type)
                <= 0);
    }

    void typeNamesFollowTheirEntriesThroughASort()
    {
        WindowSession session;
        ListWithoutPreview(session);
        for (int i = 0; i < 60; ++i)
            WriteSizedFile(session.Pictures() + QString("%1.%2").arg(i).arg(i % 2 ? "gif" : "jpg"), 10 + i);
        TForm1& browser = session.Start();
        browser.RefreshLists();
        browser.ListView_filesColumnClick(ColumnSize);
        browser.ListView_filesColumnClick(ColumnSize);
        QVERIFY(WaitForTypeNames(browser));
        QString gif = platform::FileTypeName(session.Pictures() + "1.gif");
        QString jpeg = platform::FileTypeName(session.Pictures() + "0.jpg");
        for (int i = 0; i < Inside(browser).ListView_files->Count(); ++i) {
            const FileEntry& entry = Inside(browser).ListView_files->Model().Entry(i);
            QCOMPARE(entry.type, entry.caption.endsWith(".gif") ? gif : jpeg);
        }
    }

    void typeNamesOfAnOlderListingAreDropped()
    {
        WindowSession session;
        ListWithoutPreview(session);
        WriteSizedFile(session.Pictures() + "a.gif", 10);
        TForm1& browser = session.Start();
        quint64 older = browser.ListingGeneration();
        browser.RefreshLists();
        browser.TypeNamesFound(older, 0, { "Stale" });
        QCOMPARE(Inside(browser).ListView_files->Model().Entry(0).type, QString("File"));
        browser.TypeNamesFound(browser.ListingGeneration(), 0, { "Current" });
        QCOMPARE(Inside(browser).ListView_files->Model().Entry(0).type, QString("Current"));
        // Results for entries the listing does not have go nowhere.
        browser.TypeNamesFound(browser.ListingGeneration(), 5, { "Nowhere" });
        QCOMPARE(Inside(browser).ListView_files->Count(), 1);
    }

    void workersStillRunningAtExitAreJoined()
    {
        WindowSession session;
        ListWithoutPreview(session);
        for (int i = 0; i < 2000; ++i)
            WriteSizedFile(session.Pictures() + QString("p%1.pcx").arg(i), 1);
        TForm1& browser = session.Start();
        for (int i = 0; i < 3; ++i)
            browser.RefreshLists();
        QVERIFY(browser.TypeNamesRunning());
        session.Stop(); // must neither hang nor leave a thread touching freed lists
    }

    void enteringAndLeavingFolders()
    {
        WindowSession session;
        ListWithoutPreview(session);
        QVERIFY(QDir().mkpath(session.Pictures() + "Holiday/Beach"));
        WriteSizedFile(session.Pictures() + "Holiday/sea.jpg", 10);
        TForm1& browser = session.Start();
        Enter(browser, "Holiday");
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures() + "Holiday/");
        QCOMPARE(FileCaptions(browser), QStringList { "sea.jpg" });
        QCOMPARE(FolderCaptions(browser), (QStringList { "..", "Beach" }));
        // Enter in the folder list opens, Backspace goes up one level.
        Inside(browser).ListView_folders->setFocus();
        Inside(browser).ListView_folders->setCurrentItem(FolderItem(browser, "Beach"));
        QTest::keyClick(Inside(browser).ListView_folders, Qt::Key_Return);
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures() + "Holiday/Beach/");
        QTest::keyClick(Inside(browser).ListView_folders, Qt::Key_Backspace);
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures() + "Holiday/");
        Inside(browser).ToolButton_upone->click();
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures());
        QVERIFY(session.answerer.messages.isEmpty());
    }

    void enteringClearsThePreview()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 20, 20);
        QVERIFY(QDir().mkdir(session.Pictures() + "Sub"));
        TForm1& browser = session.Start();
        QVERIFY(Inside(browser).Image1->HasPicture());
        Enter(browser, "Sub");
        QVERIFY(!Inside(browser).Image1->HasPicture());
    }

    void aRootFolderHasNoParentEntry()
    {
        WindowSession session;
        session.Settings().WriteString("Preferences", "OpenPath", "/");
        TForm1& browser = session.Start();
        QVERIFY(!FolderCaptions(browser).contains(".."));
        QVERIFY(!FolderCaptions(browser).contains("."));
        browser.PopupMenu_folderPopup();
        QVERIFY(!Inside(browser).Pop_folder_upone->isEnabled());
        quint64 listing = browser.ListingGeneration();
        browser.ToolButton_uponeClick();
        QTest::keyClick(Inside(browser).ListView_folders, Qt::Key_Backspace);
        QCOMPARE(Inside(browser).CurrentFolder, QString("/"));
        QCOMPARE(browser.ListingGeneration(), listing);
    }

    void enteringADriveGoesToItsMountPoint()
    {
        WindowSession session;
        ListWithoutPreview(session);
        TForm1& browser = session.Start();
        QTreeWidgetItem* root = nullptr;
        for (int i = 0; i < Inside(browser).ListView_folders->topLevelItemCount(); ++i)
            if (Inside(browser).ListView_folders->topLevelItem(i)->text(0).startsWith("(/)"))
                root = Inside(browser).ListView_folders->topLevelItem(i);
        QVERIFY(root);
        QCOMPARE(root->text(1), QString("D"));
        Inside(browser).ListView_folders->setCurrentItem(root);
        browser.PopupMenu_folderPopup();
        QCOMPARE(Inside(browser).Pop_folder_explore->text(), QString("Explore drive"));
        browser.ListView_foldersDblClick();
        QCOMPARE(Inside(browser).CurrentFolder, QString("/"));
        QCOMPARE(QDir::currentPath(), QString("/"));
    }

    void folderPopupNamesTheSelectedEntry()
    {
        WindowSession session;
        ListWithoutPreview(session);
        QVERIFY(QDir().mkdir(session.Pictures() + "Sub"));
        TForm1& browser = session.Start();
        Inside(browser).ListView_folders->setCurrentItem(FolderItem(browser, "Sub"));
        browser.PopupMenu_folderPopup();
        QCOMPARE(Inside(browser).Pop_folder_explore->text(), QString("Explore folder"));
        QVERIFY(Inside(browser).Pop_folder_upone->isEnabled());
        // With nothing selected, the caption stays as it was and entering does nothing.
        Inside(browser).ListView_folders->clearSelection();
        browser.PopupMenu_folderPopup();
        QCOMPARE(Inside(browser).Pop_folder_explore->text(), QString("Explore folder"));
        browser.ListView_foldersDblClick();
        QCOMPARE(Inside(browser).CurrentFolder, session.Pictures());
    }

    void aFolderThatCannotBeReadListsOnlyTheDrives()
    {
        WindowSession session;
        session.Settings().WriteString("Preferences", "OpenPath", (session.Pictures() + "gone/").toStdString());
        TForm1& browser = session.Start();
        QCOMPARE(Inside(browser).ListView_files->Count(), 0);
        QVERIFY(FolderCaptions(browser).isEmpty());
        QVERIFY(Inside(browser).ListView_folders->topLevelItemCount() > 0);
        QCOMPARE(Inside(browser).StatusBar_files->text(), QString("Total 0 files"));
    }
};

PELMORA_WINDOW_TEST_MAIN(BrowserListsTest)
#include "browser_lists_test.moc"
