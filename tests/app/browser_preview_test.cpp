// The preview pane: the reduced picture in its box, the information line,
// clearing, the keys and clicks that preview, failing files, and handing
// the focused file to the display window.
#include "WindowTestSupport.h"

#include "app/PreviewLayout.h"
#include "formats/Picture.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QSplitter>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// The preview's box as it should be for a picture in the panel as it is now.
QRect ExpectedBox(TForm1& browser, QSize picture)
{
    QSize size = PreviewSize(picture, Inside(browser).Panel_image->contentsRect().size());
    return QRect(Inside(browser).Panel_image->contentsRect().topLeft()
            + PreviewOrigin(Inside(browser).Panel_image->size(), size),
        size);
}

void Focus(TForm1& browser, const QString& caption)
{
    for (int i = 0; i < Inside(browser).ListView_files->Count(); ++i)
        if (Inside(browser).ListView_files->Caption(i) == caption)
            Inside(browser).ListView_files->FocusAndSelect(i);
}

bool MakeWithImageMagick(const QString& arguments, const QString& path)
{
    return RunCommand(ImageMagick() + " " + arguments.toStdString() + " '" + path.toStdString() + "'").status == 0;
}

} // namespace

class BrowserPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void pictureIsShrunkToFitThePanelWhole_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::newRow("small: natural size") << QSize(100, 50);
        QTest::newRow("wide") << QSize(1600, 300);
        QTest::newRow("tall") << QSize(300, 1600);
        QTest::newRow("landscape but bound by the height") << QSize(800, 600);
    }
    void pictureIsShrunkToFitThePanelWhole()
    {
        QFETCH(QSize, picture);
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", picture.width(), picture.height());
        TForm1& browser = session.Start();
        QRect box = Inside(browser).Image1->geometry();
        QCOMPARE(box, ExpectedBox(browser, picture));
        QCOMPARE(Inside(browser).Image1->Picture().size(), box.size());
        QSize client = Inside(browser).Panel_image->contentsRect().size();
        QVERIFY(box.width() <= client.width() && box.height() <= client.height());
    }

    void resizingRecentresThePreviewAtItsSize()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 40, 30);
        TForm1& browser = session.Start();
        QSize before = Inside(browser).Image1->size();
        browser.resize(700, 600);
        QCoreApplication::processEvents();
        QCOMPARE(Inside(browser).Image1->size(), before);
        QCOMPARE(Inside(browser).Image1->geometry(), ExpectedBox(browser, before));
        Inside(browser).Splitter1->setSizes({100, 400});
        emit Inside(browser).Splitter1->splitterMoved(100, 1);
        QCOMPARE(Inside(browser).Image1->geometry(), ExpectedBox(browser, before));
    }

    void informationLineNamesTheColourDepth_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("words");
        QTest::newRow("1 bit") << int(PixelFormat::Indexed1) << "1 bit";
        QTest::newRow("4 bits") << int(PixelFormat::Indexed4) << "16 col";
        QTest::newRow("8 bits") << int(PixelFormat::Indexed8) << "256 col";
        QTest::newRow("24 bits") << int(PixelFormat::Rgb24) << "16M col";
        QTest::newRow("32 bits") << int(PixelFormat::Rgb32) << "32M col";
    }
    void informationLineNamesTheColourDepth()
    {
        QFETCH(int, format);
        QFETCH(QString, words);
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 30, 20, PixelFormat(format));
        TForm1& browser = session.Start();
        QVERIFY(WaitForTypeNames(browser));
        browser.ListView_filesClick();
        SettleLoads();
        const FileEntry& entry = Inside(browser).ListView_files->Model().Entry(0);
        QCOMPARE(Inside(browser).StatusBar_picture->text(),
            entry.sizeText + ", " + entry.realDate + "  (30x20 | " + words + " | " + entry.type + ")");
    }

    void jpegFilesReportTheirDecodedDepth()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        QVERIFY(MakeWithImageMagick("-size 64x48 plasma:fractal -quality 90", session.Pictures() + "colour.jpg"));
        QVERIFY(MakeWithImageMagick("-size 64x48 gradient: -colorspace Gray", session.Pictures() + "grey.jpg"));
        TForm1& browser = session.Start();
        QVERIFY(Inside(browser).StatusBar_picture->text().contains("(64x48 | 16M col | "));
        Focus(browser, "grey.jpg");
        browser.ListView_filesClick();
        SettleLoads();
        QVERIFY(Inside(browser).StatusBar_picture->text().contains("(64x48 | 256 col | "));
        QVERIFY(session.answerer.messages.isEmpty());
    }

    void aFileThatCannotBeReadIsReportedInThePane_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty: the file is gone once listed
        QTest::addColumn<QString>("message");
        QTest::newRow("no bitmap") << "b.bmp" << QByteArray(100, 0) << "b.bmp: Bitmap image is not valid";
        // A directory of one entry: no strips.
        QTest::newRow("damaged TIFF") << "b.tif" << QByteArray::fromHex("49492a00080000000100000103000100000010000000")
                                      << "b.tif: Invalid TIFF file.";
        QTest::newRow("vanished") << "b.bmp" << QByteArray() << "b.bmp: Cannot open file";
    }
    void aFileThatCannotBeReadIsReportedInThePane()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 30, 20);
        QFile file(session.Pictures() + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        TForm1& browser = session.Start();
        if (bytes.isEmpty())
            QVERIFY(file.remove());
        // Arrowing onto the file, as a user browses: no box to answer, the preview says why.
        Inside(browser).ListView_files->setFocus();
        QTest::keyClick(Inside(browser).ListView_files, Qt::Key_Down);
        SettleLoads();
        QCOMPARE(Inside(browser).ListView_files->FocusedPosition(), 1);
        QVERIFY(session.answerer.messages.isEmpty());
        QVERIFY(!Inside(browser).Image1->HasPicture());
        QVERIFY2(Inside(browser).Image1->Message().startsWith(message), qPrintable(Inside(browser).Image1->Message()));
        QCOMPARE(Inside(browser).StatusBar_picture->text(), Inside(browser).Image1->Message());
        QCOMPARE(Inside(browser).Image1->geometry(), Inside(browser).Panel_image->contentsRect());
        browser.PopupMenu_imagePopup();
        QVERIFY(!Inside(browser).Pop_image_clear->isEnabled());

        QTest::keyClick(Inside(browser).ListView_files, Qt::Key_Up);
        SettleLoads();
        QVERIFY(Inside(browser).Image1->HasPicture());
        QVERIFY(!Inside(browser).Image1->HasMessage());
        QVERIFY(Inside(browser).StatusBar_picture->text().contains("(30x20 | "));
    }

    void clickingThePreviewClearsIt()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 30, 20);
        TForm1& browser = session.Start();
        QRect box = Inside(browser).Image1->geometry();
        QString information = Inside(browser).StatusBar_picture->text();
        browser.PopupMenu_imagePopup();
        QVERIFY(Inside(browser).Pop_image_clear->isEnabled());
        QTest::mouseClick(Inside(browser).Image1, Qt::LeftButton);
        QVERIFY(!Inside(browser).Image1->HasPicture());
        QCOMPARE(Inside(browser).Image1->geometry(), box);
        QCOMPARE(Inside(browser).StatusBar_picture->text(), information);
        browser.PopupMenu_imagePopup();
        QVERIFY(!Inside(browser).Pop_image_clear->isEnabled());
        // A click on the panel around the box clears too.
        browser.ListView_filesClick();
        SettleLoads();
        QVERIFY(Inside(browser).Image1->HasPicture());
        QTest::mouseClick(Inside(browser).Panel_image, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(!Inside(browser).Image1->HasPicture());
    }

    void releasingAMoveKeyPreviewsTheEntryReached()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 10, 10);
        WriteBitmapFile(session.Pictures() + "b.bmp", 20, 10);
        WriteBitmapFile(session.Pictures() + "c.bmp", 30, 10);
        TForm1& browser = session.Start();
        FileListView* files = Inside(browser).ListView_files;
        QCOMPARE(Inside(browser).Image1->width(), 10);
        // Held down: the repeated releases preview nothing.
        QTest::sendKeyEvent(QTest::Press, files, Qt::Key_Down, QString(), {});
        QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Down, {}, QString(), true);
        QApplication::sendEvent(files, &repeated);
        SettleLoads();
        QCOMPARE(Inside(browser).Image1->width(), 10);
        QTest::keyClick(files, Qt::Key_Down);
        SettleLoads();
        QCOMPARE(files->FocusedPosition(), 2);
        QCOMPARE(Inside(browser).Image1->width(), 30);
        QTest::keyClick(files, Qt::Key_Home);
        SettleLoads();
        QCOMPARE(Inside(browser).Image1->width(), 10);
    }

    // Once a preview is painted the entries next to it are read ahead: a step
    // to one paints at once without reading it, unless it changed on disk.
    void neighboursArePreviewedAhead_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("rewritten"); // the entry stepped to, before the step
        QTest::addColumn<int>("width"); // painted at once; 0: read first
        QTest::newRow("the next entry") << int(Qt::Key_Down) << false << 30;
        QTest::newRow("back to the one shown before") << int(Qt::Key_Up) << false << 10;
        QTest::newRow("changed on disk") << int(Qt::Key_Down) << true << 0;
    }
    void neighboursArePreviewedAhead()
    {
        QFETCH(int, key);
        QFETCH(bool, rewritten);
        QFETCH(int, width);
        WindowSession session;
        session.ListPicturesAtStart();
        for (int i : {1, 2, 3})
            WriteBitmapFile(session.Pictures() + QString("%1.bmp").arg(QChar('a' + i - 1)), 10 * i, 10);
        TForm1& browser = session.Start();
        FileListView* files = Inside(browser).ListView_files;
        QTest::keyClick(files, Qt::Key_Down);
        SettleLoads();
        QCOMPARE(Inside(browser).Image1->width(), 20);
        ReadGate gate;
        QString target = key == Qt::Key_Down ? "c.bmp" : "a.bmp";
        if (rewritten)
            WriteBitmapFile(session.Pictures() + target, 35, 10);
        QTest::keyClick(files, Qt::Key(key));
        if (width)
            QCOMPARE(Inside(browser).Image1->width(), width);
        SettleLoads();
        QCOMPARE(gate.Reads(target), width ? 0 : 1);
        QCOMPARE(Inside(browser).Image1->width(), width ? width : 35);
    }

    // A slow file's preview, held back on the worker while the user goes on.
    void theFocusedEntrysPreviewAlwaysWins_data()
    {
        QTest::addColumn<QString>("slow");
        QTest::addColumn<QString>("then"); // an entry to focus, or "clear"
        QTest::addColumn<int>("width"); // of the preview in the end; 0 for none
        QTest::newRow("a later entry") << "b.bmp"
                                       << "c.bmp" << 30;
        QTest::newRow("back to the first") << "c.bmp"
                                           << "a.bmp" << 10;
        QTest::newRow("a damaged file left") << "bad.bmp"
                                             << "c.bmp" << 30;
        QTest::newRow("cleared meanwhile") << "b.bmp"
                                           << "clear" << 0;
    }
    void theFocusedEntrysPreviewAlwaysWins()
    {
        QFETCH(QString, slow);
        QFETCH(QString, then);
        QFETCH(int, width);
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 10, 10);
        WriteBitmapFile(session.Pictures() + "b.bmp", 20, 10);
        WriteBitmapFile(session.Pictures() + "c.bmp", 30, 10);
        QFile bad(session.Pictures() + "bad.bmp");
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(QByteArray(100, 0)) == 100);
        bad.close();
        TForm1& browser = session.Start();
        browser.Image1Click(); // lets go of the previews read ahead: each one below is read
        ReadGate gate;
        gate.Hold(slow);
        gate.Hold(then);
        Focus(browser, slow);
        browser.ListView_filesClick();
        QTRY_COMPARE(gate.Reads(slow), 1);
        if (then == "clear")
            browser.Image1Click();
        else {
            Focus(browser, then);
            browser.ListView_filesClick();
        }
        QImage before = Inside(browser).Image1->Picture();
        QString information = Inside(browser).StatusBar_picture->text();
        // The slow file's value arrives while the next file is being read: it is dropped.
        gate.Release(slow);
        if (then == "clear")
            SettleLoads();
        else
            QTRY_COMPARE(gate.Reads(then), 1);
        QCoreApplication::processEvents();
        QCOMPARE(Inside(browser).Image1->Picture(), before);
        QCOMPARE(Inside(browser).StatusBar_picture->text(), information);
        QVERIFY(!Inside(browser).Image1->HasMessage());
        gate.Release();
        SettleLoads();
        QCOMPARE(Inside(browser).Image1->HasPicture() ? Inside(browser).Image1->width() : 0, width);
        QVERIFY(!Inside(browser).Image1->HasMessage());
    }

    // A read asked for again goes on under its first tag; a read nobody
    // wants any more stops and hands nothing over.
    void aReadNoLongerWantedStops_data()
    {
        QTest::addColumn<QString>("next");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("the same file") << "a.bmp" << true;
        QTest::newRow("another file") << "b.bmp" << false;
    }
    void aReadNoLongerWantedStops()
    {
        QFETCH(QString, next);
        QFETCH(bool, goesOn);
        WindowSession session;
        WriteBitmapFile(session.Pictures() + "a.bmp", 10, 10);
        WriteBitmapFile(session.Pictures() + "b.bmp", 20, 10);
        ReadGate gate;
        gate.Hold("a.bmp");
        PictureLoader loader;
        QList<quint64> arrived;
        QObject::connect(&loader, &PictureLoader::Loaded, [&](const LoadedPicture& l) { arrived << l.tag; });
        const quint64 first = loader.Load({session.Pictures() + "a.bmp", {}, nullptr});
        QTRY_COMPARE(gate.Reads("a.bmp"), 1);
        const quint64 second = loader.Load({session.Pictures() + next, {}, nullptr});
        QCOMPARE(second == first, goesOn);
        gate.Release();
        SettleLoads();
        QCOMPARE(arrived, QList<quint64> {second});
        QCOMPARE(gate.Reads("a.bmp"), 1);
    }

    // Two workers read two files at once; asked again, the reads still wanted
    // go on under their tags, the others stop and hand nothing over.
    void twoWorkersReadAtOnce_data()
    {
        QTest::addColumn<QStringList>("between"); // asked for in between
        QTest::addColumn<QStringList>("next");
        QTest::addColumn<bool>("goOn"); // the reads of `next` keep their first tags
        QTest::addColumn<QStringList>("arrived");
        QTest::addColumn<int>("reads"); // of a and b together
        QTest::newRow("both again, the other way round")
            << QStringList {} << QStringList {"b.bmp", "a.bmp"} << true << QStringList {"a.bmp", "b.bmp"} << 2;
        QTest::newRow("the second only") << QStringList {} << QStringList {"b.bmp"} << true << QStringList {"b.bmp"} << 2;
        QTest::newRow("another file") << QStringList {} << QStringList {"c.bmp"} << false << QStringList {"c.bmp"} << 2;
        // A stopped read hands nothing over: the file is read afresh.
        QTest::newRow("stopped, then asked again")
            << QStringList {"c.bmp"} << QStringList {"a.bmp"} << false << QStringList {"a.bmp"} << 3;
    }
    void twoWorkersReadAtOnce()
    {
        QFETCH(QStringList, between);
        QFETCH(QStringList, next);
        QFETCH(bool, goOn);
        QFETCH(QStringList, arrived);
        QFETCH(int, reads);
        WindowSession session;
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            WriteBitmapFile(session.Pictures() + name, 10, 10);
        ReadGate gate;
        gate.Hold("a.bmp");
        gate.Hold("b.bmp");
        PictureLoader loader(nullptr, 2);
        QStringList names;
        QObject::connect(&loader, &PictureLoader::Loaded, [&](const LoadedPicture& l) {
            QVERIFY(!l.Failed());
            names << QFileInfo(l.path).fileName();
        });
        auto requests = [&](const QStringList& files) {
            std::vector<PictureRequest> wanted;
            for (const QString& file : files)
                wanted.push_back({session.Pictures() + file, {}, nullptr});
            return wanted;
        };
        const std::vector<quint64> first = loader.Load(requests({"a.bmp", "b.bmp"}));
        QTRY_VERIFY(gate.Reads("a.bmp") == 1 && gate.Reads("b.bmp") == 1);
        if (!between.isEmpty())
            loader.Load(requests(between));
        const std::vector<quint64> then = loader.Load(requests(next));
        for (int i = 0; i < next.size(); ++i)
            QCOMPARE(then[size_t(i)] == first[next[i] == "a.bmp" ? 0 : 1], goOn);
        gate.Release();
        SettleLoads();
        names.sort();
        QCOMPARE(names, arrived);
        QCOMPARE(gate.Reads("a.bmp") + gate.Reads("b.bmp"), reads);
    }

    // Keys faster than reads: the two entries ahead are read at once and go
    // on being read when a key reaches one before it is ready.
    void twoEntriesAheadAreReadWhileKeysOutrunReads()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        for (int i = 1; i <= 5; ++i)
            WriteBitmapFile(session.Pictures() + QString("%1.bmp").arg(QChar('a' + i - 1)), 10 * i, 10);
        TForm1& browser = session.Start();
        FileListView* files = Inside(browser).ListView_files;
        QCOMPARE(Inside(browser).Image1->width(), 10);
        ReadGate gate;
        gate.Hold("d.bmp");
        gate.Hold("e.bmp");
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(Inside(browser).Image1->width(), 20); // b and c were read ahead of a
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(Inside(browser).Image1->width(), 30);
        QTRY_VERIFY(gate.Reads("d.bmp") == 1 && gate.Reads("e.bmp") == 1);
        QTest::keyClick(files, Qt::Key_Down); // d is not read yet
        QCOMPARE(Inside(browser).Image1->width(), 30);
        gate.Release();
        SettleLoads();
        QCOMPARE(Inside(browser).Image1->width(), 40);
        QTest::keyClick(files, Qt::Key_Down);
        QCOMPARE(Inside(browser).Image1->width(), 50);
        QCOMPARE(gate.Reads("d.bmp") + gate.Reads("e.bmp"), 2);
    }

    void nothingIsPreviewedWhileFilesAreDeleted()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 10, 10);
        TForm1& browser = session.Start();
        browser.Image1Click();
        Inside(browser).DeletingFiles = true;
        browser.ListView_filesClick();
        QVERIFY(!Inside(browser).Image1->HasPicture());
    }

    void previewMovesTheFocusToTheSelection()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
            WriteBitmapFile(session.Pictures() + name, 10, 10);
        TForm1& browser = session.Start();
        FileListView* files = Inside(browser).ListView_files;
        files->ClearSelection();
        files->SetSelected(1, true);
        files->SetSelected(2, true);
        files->SetFocusedPosition(2);
        browser.ListView_filesClick();
        SettleLoads();
        QCOMPARE(files->FocusedPosition(), 1);
        files->ClearSelection();
        files->SetFocusedPosition(0);
        browser.ListView_filesClick();
        SettleLoads();
        QCOMPARE(files->FocusedPosition(), -1);
    }

    void openingHandsThePictureToTheDisplayWindow()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        QVERIFY(MakeWithImageMagick("-size 40x30 xc:red", session.Pictures() + "a.jpg"));
        WriteBitmapFile(session.Pictures() + "b.bmp", 20, 10);
        QStringList shown;
        TForm1& browser = session.Start({}, [&](TForm1& b) {
            // In place of the display window.
            QObject::disconnect(&b, &TForm1::PictureOpened, nullptr, nullptr);
            QObject::connect(&b, &TForm1::PictureOpened, &b, [&](Picture& picture) {
                // A JPEG picture arrives as a plain bitmap.
                QVERIFY(picture.GetGraphic()->Class().name == Bitmap::StaticClass().name);
                shown.append(QString("%1x%2").arg(picture.Width()).arg(picture.Height()));
            });
        });
        QVERIFY(Inside(browser).Image1->HasPicture());
        QTest::keyClick(Inside(browser).ListView_files, Qt::Key_Return);
        QCOMPARE(shown, QStringList {"40x30"});
        QVERIFY(!Inside(browser).Image1->HasPicture());
        // The view button opens only when something is selected; the menu item presses it.
        Inside(browser).ListView_files->ClearSelection();
        Inside(browser).ToolButton_view->click();
        QCOMPARE(shown.size(), 1);
        Inside(browser).ListView_files->FocusAndSelect(1);
        Inside(browser).Pop_file_view->trigger();
        QCOMPARE(shown, (QStringList {"40x30", "20x10"}));
        // A double-click opens too, and its second release does not preview again.
        QRect row = Inside(browser).ListView_files->visualRect(Inside(browser).ListView_files->Model().index(0, 0));
        QWidget* rows = Inside(browser).ListView_files->viewport();
        // What the platform sends for a double-click.
        QTest::mousePress(rows, Qt::LeftButton, {}, row.center());
        QTest::mouseRelease(rows, Qt::LeftButton, {}, row.center());
        SettleLoads();
        QVERIFY(Inside(browser).Image1->HasPicture());
        QTest::mouseDClick(rows, Qt::LeftButton, {}, row.center());
        QTest::mouseRelease(rows, Qt::LeftButton, {}, row.center());
        QCOMPARE(shown.size(), 3);
        QVERIFY(!Inside(browser).Image1->HasPicture());
    }

    void anIconPreviewsAsItsImage()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        QVERIFY(MakeWithImageMagick("-size 32x32 xc:blue", session.Pictures() + "a.ico"));
        TForm1& browser = session.Start();
        QVERIFY(Inside(browser).Image1->HasPicture());
        QVERIFY(Inside(browser).StatusBar_picture->text().contains("(32x32 | 32M col | "));
    }
};

PELMORA_WINDOW_TEST_MAIN(BrowserPreviewTest)
#include "browser_preview_test.moc"
