// Stepping through the browser's list from the display window and the
// slideshow: the range recorded at showing, no wrap-around, merged steps,
// damaged files on the way, the slideshow's stops and skipped ticks.
#include "DisplayTestSupport.h"

#include <thread>

using namespace pelmora;
using namespace pelmora::test;

namespace {

void WriteDamagedFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write("BM damaged");
}

// Appends the name of every entry handed to the display window from now on.
void RecordShown(DisplaySession& session, QStringList& shown)
{
    QObject::connect(&session.Browser(), &TForm1::PictureOpened, &session.Browser(),
        [&session, &shown](Picture&) { shown.append(session.Shown()); });
}

} // namespace

class DisplayNavigationTest : public QObject {
    Q_OBJECT
private slots:
    void stepsVisitEveryEntryInOrderWithoutWrapping()
    {
        DisplaySession session({{"a.bmp", 10, 10}, {"b.bmp", 20, 10}, {"c.bmp", 30, 10}, {"d.bmp", 40, 10}});
        session.Open("a.bmp");
        QStringList visited;
        auto press = [&](int key) {
            session.Key(key);
            session.Settle();
            visited.append(session.Shown());
        };
        press(Qt::Key_PageUp);
        press(Qt::Key_PageDown);
        press(Qt::Key_PageDown);
        press(Qt::Key_PageDown);
        press(Qt::Key_PageDown);
        press(Qt::Key_Home);
        press(Qt::Key_End);
        QCOMPARE(visited, QStringList({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "d.bmp", "a.bmp", "d.bmp"}));
        QCOMPARE(session.Status(0), QString("File 4/4"));
        QCOMPARE(session.Status(1), QString("d.bmp  (40x10)"));

        // The menus' Next and Previous are the same steps.
        Inside(session.Display()).Menu_view_previous->trigger();
        session.Settle();
        QCOMPARE(session.Shown(), QString("c.bmp"));
        Inside(session.Display()).Pop_screener_next->trigger();
        session.Settle();
        QCOMPARE(session.Shown(), QString("d.bmp"));
    }

    // Neighbours decoded ahead: a step shows them without reading the file,
    // unless the file changed since or the worker has not got there yet.
    void stepsTakeTheNeighboursDecodedAhead_data()
    {
        QTest::addColumn<QString>("change"); // what happens to b.bmp before the step
        QTest::addColumn<int>("reads"); // of b.bmp in all
        QTest::addColumn<QSize>("shown");
        QTest::newRow("decoded ahead") << "" << 1 << QSize(20, 10);
        QTest::newRow("changed on disk") << "rewritten" << 2 << QSize(25, 10);
        QTest::newRow("still being read: joined") << "slow" << 1 << QSize(20, 10);
    }
    void stepsTakeTheNeighboursDecodedAhead()
    {
        QFETCH(QString, change);
        QFETCH(int, reads);
        QFETCH(QSize, shown);
        DisplaySession session({{"a.bmp", 10, 10}, {"b.bmp", 20, 10}, {"c.bmp", 30, 10}});
        ReadGate gate;
        if (change == "slow")
            gate.Hold("b.bmp");
        session.Open("a.bmp");
        if (change == "slow")
            QTRY_COMPARE(gate.Reads("b.bmp"), 1);
        else
            session.Settle();
        if (change == "rewritten")
            WriteBitmapFile(session.Pictures() + "b.bmp", 25, 10);
        // The step waits for the read under way; it is let go once the step waits.
        std::thread release([&] {
            while (change == "slow" && !session.Display().Neighbours().Loader().Joining())
                std::this_thread::yield();
            gate.Release();
        });
        session.Key(Qt::Key_PageDown);
        release.join();
        QTRY_VERIFY(!session.Display().StepPending());
        QCOMPARE(session.Shown(), QString("b.bmp"));
        QCOMPARE(session.ImageSize(), shown);
        session.Settle();
        QCOMPARE(gate.Reads("b.bmp"), reads);
        // In the middle both neighbours are held.
        QCOMPARE(session.Display().Neighbours().Held(), 2);
        QCOMPARE(gate.Reads("c.bmp"), 1);
        QCOMPARE(gate.Reads("a.bmp"), 2);
    }

    void everyStepResetsTheZoom()
    {
        DisplaySession session({{"a.bmp", 10, 10}, {"b.bmp", 20, 10}});
        session.Open("a.bmp");
        Inside(session.Display()).Pop_screener_zoomUp->trigger();
        QCOMPARE(session.ImageSize(), QSize(11, 11));
        session.Key(Qt::Key_PageDown);
        session.Settle();
        QCOMPARE(Inside(session.Display()).ZoomPercent, 0);
        QCOMPARE(session.ImageSize(), QSize(20, 10));
        Inside(session.Display()).Pop_screener_zoomUp->trigger();
        session.Key(Qt::Key_Home);
        session.Settle();
        QCOMPARE(Inside(session.Display()).ZoomPercent, 0);
        QCOMPARE(session.ImageSize(), QSize(10, 10));
    }

    void withTwoOrMoreSelectedOnlyTheSelectedAreVisited()
    {
        DisplaySession session(
            {{"a.bmp", 8, 8}, {"b.bmp", 8, 8}, {"c.bmp", 8, 8}, {"d.bmp", 8, 8}, {"e.bmp", 8, 8}, {"f.bmp", 8, 8}});
        FileListView& list = session.List();
        list.FocusAndSelect(1);
        list.SetSelected(3, true);
        list.SetSelected(4, true);
        Inside(session.Browser()).ToolButton_view->click();
        TForm2& display = session.Display();
        QCOMPARE(Inside(display).SelCountAtOpen, 3);
        QCOMPARE(Inside(display).FirstIndex, 1);
        QCOMPARE(Inside(display).LastIndex, 4);
        session.Key(Qt::Key_PageDown);
        session.Settle();
        QCOMPARE(session.Shown(), QString("d.bmp"));
        session.Key(Qt::Key_PageDown);
        session.Settle();
        QCOMPARE(session.Shown(), QString("e.bmp"));
        session.Key(Qt::Key_PageDown);
        session.Settle();
        QCOMPARE(session.Shown(), QString("e.bmp"));
        session.Key(Qt::Key_Home);
        session.Settle();
        QCOMPARE(session.Shown(), QString("b.bmp"));
        // The selection as it is at each step counts; the range stays as recorded.
        list.SetSelected(3, false);
        session.Key(Qt::Key_PageDown);
        session.Settle();
        QCOMPARE(session.Shown(), QString("e.bmp"));
        session.Key(Qt::Key_PageUp);
        session.Settle();
        QCOMPARE(session.Shown(), QString("b.bmp"));
        session.Key(Qt::Key_End);
        session.Settle();
        QCOMPARE(session.Shown(), QString("e.bmp"));
    }

    void oneSelectedEntryMeansTheWholeList()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}, {"c.bmp", 8, 8}});
        session.Open("b.bmp");
        QCOMPARE(Inside(session.Display()).SelCountAtOpen, 1);
        QCOMPARE(Inside(session.Display()).FirstIndex, 0);
        QCOMPARE(Inside(session.Display()).LastIndex, 2);
        session.Key(Qt::Key_PageDown);
        session.Settle();
        QCOMPARE(session.Shown(), QString("c.bmp"));
    }

    void stepsAskedForBeforeOneRunsMergeAndTheLatestWins()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}, {"c.bmp", 8, 8}, {"d.bmp", 8, 8}});
        session.Open("b.bmp");
        TForm2& display = session.Display();
        // Keys delivered one after the other, as a held key's repeats are.
        for (int key : {Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(&display, &press);
            QVERIFY(display.StepPending());
        }
        session.Settle();
        QCOMPARE(session.Shown(), QString("a.bmp"));
    }

    void aStepAskedForJustBeforeClosingIsDropped()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}});
        session.Open("a.bmp");
        TForm2& display = session.Display();
        display.Pop_screener_nextClick();
        display.Pop_screener_closeClick();
        QTest::qWait(20);
        QVERIFY(!display.isVisible());
        QVERIFY(!display.StepPending());
        QCOMPARE(session.Shown(), QString("a.bmp"));
        QVERIFY(!Inside(display).Image1->HasPicture());
    }

    void aDamagedFileOnTheWayIsReportedAndThePreviousPictureKept()
    {
        DisplaySession session({{"a.bmp", 12, 10}, {"c.bmp", 30, 20}});
        WriteDamagedFile(session.Pictures() + "b.bmp");
        session.Browser().ToolButton_refreshClick();
        session.Open("a.bmp");
        session.Key(Qt::Key_PageDown);
        session.Settle();
        QTRY_COMPARE(session.answerer.messages, QStringList({"b.bmp: Bitmap image is not valid"}));
        QCOMPARE(session.Shown(), QString("b.bmp"));
        QCOMPARE(session.ImageSize(), QSize(12, 10));
        QCOMPARE(session.Status(1), QString("a.bmp  (12x10)"));
        QVERIFY(session.Display().isVisible());
        session.Key(Qt::Key_PageDown);
        session.Settle();
        QCOMPARE(session.Shown(), QString("c.bmp"));
        QCOMPARE(session.ImageSize(), QSize(30, 20));
    }

    void aSlideshowPassesOverDamagedFiles()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"c.bmp", 12, 8}}, {.fullScreen = false, .slideDelay = 0});
        WriteDamagedFile(session.Pictures() + "b.bmp");
        WriteDamagedFile(session.Pictures() + "d.bmp");
        session.Browser().ToolButton_refreshClick();
        session.List().FocusAndSelect(0);
        QStringList shown;
        RecordShown(session, shown);
        Inside(session.Browser()).ToolButton_slideshow->click();
        QTRY_VERIFY(!Inside(session.Display()).Timer1->isActive());
        QVERIFY(session.answerer.messages.isEmpty());
        QCOMPARE(shown, QStringList({"a.bmp", "c.bmp"}));
        QCOMPARE(session.Shown(), QString("d.bmp"));
        QCOMPARE(session.ImageSize(), QSize(12, 8));
        QCOMPARE(session.Status(1), QString("d.bmp: Bitmap image is not valid"));
    }

    void slideshowRunsToTheRangesEndAndStops_data()
    {
        QTest::addColumn<bool>("selection");
        QTest::addColumn<QString>("last");
        QTest::newRow("whole list") << false << "e.bmp";
        QTest::newRow("selected entries") << true << "d.bmp";
    }
    void slideshowRunsToTheRangesEndAndStops()
    {
        QFETCH(bool, selection);
        QFETCH(QString, last);
        // A delay of 0 steps as soon as each picture is shown.
        DisplaySession session(
            {{"a.bmp", 8, 8}, {"b.bmp", 8, 8}, {"c.bmp", 8, 8}, {"d.bmp", 8, 8}, {"e.bmp", 8, 8}}, {.slideDelay = 0});
        FileListView& list = session.List();
        list.FocusAndSelect(0);
        if (selection) {
            list.SetSelected(2, true);
            list.SetSelected(3, true);
        }
        QStringList shown;
        RecordShown(session, shown);
        Inside(session.Browser()).ToolButton_slideshow->click();
        TForm2& display = session.Display();
        QVERIFY(Inside(display).Timer1->isActive());
        QCOMPARE(Inside(display).Pop_screener_slideshow->text(), QString("Stop Slideshow..."));
        QCOMPARE(Inside(display).Menu_view_slideshow->text(), QString("Stop Slideshow..."));
        QTRY_VERIFY(!Inside(display).Timer1->isActive());
        QCOMPARE(session.Shown(), last);
        QCOMPARE(shown,
            selection ? QStringList({"a.bmp", "c.bmp", "d.bmp"})
                      : QStringList({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}));
        QCOMPARE(Inside(display).Pop_screener_slideshow->text(), QString("Start Slideshow..."));
        QCOMPARE(Inside(display).Menu_view_slideshow->text(), QString("Start Slideshow..."));
        QVERIFY(display.isVisible());
    }

    void slideshowReadsItsDelayAtEveryStartAndStartsOnlyOverAnOpenWindow()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}}, {.slideDelay = 3});
        session.List().ClearSelection();
        Inside(session.Browser()).ToolButton_slideshow->click();
        QVERIFY(!session.Display().isVisible());
        QVERIFY(!Inside(session.Display()).Timer1->isActive());

        session.Open("a.bmp");
        Inside(session.Display()).Menu_view_slideshow->trigger();
        QCOMPARE(Inside(session.Display()).Timer1->interval(), 3000);
        Inside(session.Display()).Pop_screener_slideshow->trigger();
        QVERIFY(!Inside(session.Display()).Timer1->isActive());
        session.Settings().WriteInteger("Preferences", "SlideDelay", 1);
        Inside(session.Display()).Pop_screener_slideshow->trigger();
        QCOMPARE(Inside(session.Display()).Timer1->interval(), 1000);
    }

    void aSlideshowStartedOnTheLastEntryStopsAtItsFirstTick()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}});
        session.Open("b.bmp");
        TForm2& display = session.Display();
        display.Pop_screener_slideshowClick();
        display.Timer1Timer();
        QVERIFY(!Inside(display).Timer1->isActive());
        QCOMPARE(session.Shown(), QString("b.bmp"));
    }

    void closingStopsTheSlideshow()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}});
        session.Open("a.bmp");
        TForm2& display = session.Display();
        display.Pop_screener_slideshowClick();
        display.close();
        QVERIFY(!Inside(display).Timer1->isActive());
        session.Open("a.bmp");
        QCOMPARE(Inside(display).Pop_screener_slideshow->text(), QString("Start Slideshow..."));
    }

    void ticksWhileThePictureIsDraggedAreSkipped()
    {
        DisplaySession session({{"a.bmp", 2000, 1800}, {"b.bmp", 8, 8}});
        session.Open("a.bmp");
        TForm2& display = session.Display();
        display.Pop_screener_slideshowClick();
        QWidget* image = Inside(display).Image1;
        QTest::mousePress(image, Qt::LeftButton, {}, QPoint(300, 300));
        QVERIFY(display.Dragging());
        QTest::mouseMove(image, QPoint(250, 280));
        QCOMPARE(Inside(display).ScrollBox1->HorizontalPosition(), 50);
        QCOMPARE(Inside(display).ScrollBox1->VerticalPosition(), 20);
        display.Timer1Timer();
        session.Settle();
        QCOMPARE(session.Shown(), QString("a.bmp"));
        QVERIFY(Inside(display).Timer1->isActive());
        QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(250, 280));
        QVERIFY(!display.Dragging());
        display.Timer1Timer();
        session.Settle();
        QCOMPARE(session.Shown(), QString("b.bmp"));
    }

    void theContextMenuEndsADragItsRightButtonBegan()
    {
        DisplaySession session({{"a.bmp", 2000, 1800}, {"b.bmp", 8, 8}});
        session.Open("a.bmp");
        TForm2& display = session.Display();
        QTest::mousePress(Inside(display).Image1, Qt::RightButton, {}, QPoint(100, 100));
        QVERIFY(display.Dragging());
        emit display.customContextMenuRequested(QPoint(100, 100));
        QVERIFY(!display.Dragging());
        QVERIFY(Inside(display).PopupMenu_screener->isVisible());
        Inside(display).PopupMenu_screener->close();
    }

    void aPictureThatDoesNotScrollIsNotDragged()
    {
        DisplaySession session({{"a.bmp", 20, 20}});
        session.Open("a.bmp");
        QTest::mousePress(Inside(session.Display()).Image1, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!session.Display().Dragging());
        QTest::mouseRelease(Inside(session.Display()).Image1, Qt::LeftButton, {}, QPoint(5, 5));
    }

    void startedWithAFileTheWindowIsModal()
    {
        WindowSession session;
        WriteBitmapFile(session.Pictures() + "a.bmp", 8, 8);
        session.Start(session.Pictures() + "a.bmp");
        TForm2& display = *session.windows->Form2;
        QVERIFY(display.isVisible());
        QCOMPARE(display.windowModality(), Qt::ApplicationModal);
        // The exit button belongs to the modal window, so it still closes it.
        TForm5& exit = *session.windows->Form5;
        QVERIFY(exit.isVisible());
        QCOMPARE(exit.parentWidget(), &display);
        exit.SpeedButton_exit->click();
        QVERIFY(!display.isVisible());
        Inside(*session.windows->Form1).ToolButton_view->click();
        QCOMPARE(display.windowModality(), Qt::ApplicationModal);
    }

    void startedWithoutAFileTheWindowIsModeless()
    {
        DisplaySession session({{"a.bmp", 8, 8}});
        session.Open("a.bmp");
        QCOMPARE(session.Display().windowModality(), Qt::NonModal);
    }
};

PELMORA_WINDOW_TEST_MAIN(DisplayNavigationTest)
#include "display_navigation_test.moc"
