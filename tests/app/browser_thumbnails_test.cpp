// The thumbnails view of the file list: switching keeps the entries, their
// order, the focus and the selection; keys and commands act as in the
// details view; the thumbnails come from the shared cache once it has them.
#include "WindowTestSupport.h"

#include "app/ThumbnailView.h"

#include <QAction>
#include <QMenu>
#include <QStackedWidget>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// The cache of these tests, in a folder of their own.
struct CacheFolder {
    TempDir dir;
    CacheFolder() { qputenv("XDG_CACHE_HOME", QFile::encodeName(Native(dir.Path()))); }
    ~CacheFolder() { qunsetenv("XDG_CACHE_HOME"); }
};

void WritePictures(WindowSession& session, const QStringList& names)
{
    for (const QString& name : names)
        WriteBitmapFile(session.Pictures() + name, 40, 20);
    session.ListPicturesAtStart();
    session.Settings().WriteBool("Preferences", "HideImageOnLoad", true);
}

// Every tile shows its thumbnail or the plain icon.
bool ThumbnailsSettled(TForm1& browser)
{
    const ThumbnailView& view = *Inside(browser).ListView_thumbnails;
    return QTest::qWaitFor([&] {
        for (int row = 0; row < Inside(browser).ListView_files->Count(); ++row)
            if (view.Thumbnail(row).isNull() && !view.Failed(row))
                return false;
        return view.Maker().Idle();
    });
}

} // namespace

class BrowserThumbnailsTest : public QObject {
    Q_OBJECT
private slots:
    void switchingKeepsOrderFocusAndSelection()
    {
        CacheFolder cache;
        WindowSession session;
        WritePictures(session, {"c.bmp", "a.bmp", "b.bmp"});
        TForm1& browser = session.Start();
        QVERIFY(QTest::qWaitForWindowActive(&browser));
        FileListView& list = *Inside(browser).ListView_files;
        list.FocusAndSelect(1);
        list.SetSelected(2, true);
        list.setFocus();
        // Ctrl+T from the details view, then from the thumbnails and back.
        for (bool thumbnails : {true, false, true}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::ControlModifier);
            QCOMPARE(Inside(browser).ShowsThumbnails(), thumbnails);
            QCOMPARE(Inside(browser).Pop_file_thumbnails->isChecked(), thumbnails);
            QWidget* shown = thumbnails ? static_cast<QWidget*>(Inside(browser).ListView_thumbnails) : &list;
            QCOMPARE(Inside(browser).Panel_fileviews->currentWidget(), shown);
            QVERIFY(shown->hasFocus());
            QCOMPARE(list.Caption(0) + list.Caption(1) + list.Caption(2), QString("a.bmpb.bmpc.bmp"));
            QCOMPARE(list.FocusedPosition(), 1);
            QCOMPARE(list.SelectedCount(), 2);
            QCOMPARE(Inside(browser).ListView_thumbnails->currentIndex().row(), 1);
        }
        // Keys go to the browser's handlers: Right moves the focus, Enter opens the file.
        QTest::keyClick(Inside(browser).ListView_thumbnails, Qt::Key_Right);
        QCOMPARE(list.FocusedPosition(), 2);
        QTest::keyClick(Inside(browser).ListView_thumbnails, Qt::Key_Return);
        QTRY_VERIFY(QApplication::activeWindow() != &browser);
        session.Stop();
        QCOMPARE(session.Settings().ReadInteger("Preferences", "FileView", 0), 1);
        TForm1& again = session.Start();
        QVERIFY(Inside(again).ShowsThumbnails());
    }

    void thumbnailsAreMadeOnceAndFailuresShowAPlainIcon()
    {
        CacheFolder cache;
        WindowSession session;
        WritePictures(session, {"a.bmp", "b.bmp"});
        WriteFile((session.Pictures() + "bad.bmp").toStdString(), {'B', 'M', 0});
        session.Settings().WriteInteger("Preferences", "FileView", 1);
        ReadGate reads;
        for (int start : {1, 2}) {
            TForm1& browser = session.Start();
            QVERIFY(ThumbnailsSettled(browser));
            ThumbnailView& view = *Inside(browser).ListView_thumbnails;
            QCOMPARE(view.Thumbnail(0).size(), QSize(40, 20));
            QVERIFY(view.Thumbnail(2).isNull());
            QVERIFY(view.Failed(2));
            // The second start reads every thumbnail and the failure from the cache.
            for (const char* name : {"a.bmp", "b.bmp", "bad.bmp"})
                QCOMPARE(reads.Reads(name), 1);
            QVERIFY(QFileInfo::exists(view.Maker().Cache().ThumbnailPath(browser.PathForEntry(1), view.WantedSize())));
            QVERIFY(QFileInfo::exists(view.Maker().Cache().FailurePath(browser.PathForEntry(2))));
            session.Stop();
            Q_UNUSED(start);
        }
    }
};

PELMORA_WINDOW_TEST_MAIN(BrowserThumbnailsTest)
#include "browser_thumbnails_test.moc"
