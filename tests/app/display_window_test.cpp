// The display window: opening from the browser, the status texts, the two
// layouts, fit, zoom, the menus and their hiding, the exit button, the keys,
// closing back to the browser, the settings it reads.
#include "DisplayTestSupport.h"

#include "display/AnimationPlayer.h"
#include "tests/support/GifFile.h"

#include "formats/Picture.h"
#include "tests/support/IconFile.h"
#include "tests/support/MetafileFile.h"

#include <thread>

using namespace pelmora;
using namespace pelmora::test;

namespace {

QStringList Captions(const QMenu* menu)
{
    QStringList captions;
    for (QAction* item : menu->actions())
        captions.append(item->isSeparator() ? "-" : item->text());
    return captions;
}

// Notes, at every showing of a window, whether another was on the screen already.
class ShownAfter : public QObject {
public:
    ShownAfter(QWidget* watched, QWidget* first)
        : first_(first)
    {
        watched->installEventFilter(this);
    }
    QList<bool> firstWasShown;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            firstWasShown.append(first_->windowHandle() && first_->windowHandle()->isVisible());
        return false;
    }

private:
    QWidget* first_;
};

} // namespace

class DisplayWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensTheFocusedEntryFromTheBrowser_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Enter") << "enter";
        QTest::newRow("double-click") << "double-click";
        QTest::newRow("view button") << "view";
    }
    void opensTheFocusedEntryFromTheBrowser()
    {
        QFETCH(QString, how);
        DisplaySession session({{"a.bmp", 20, 10}, {"b.bmp", 40, 30}, {"c.bmp", 5, 5}});
        session.List().FocusAndSelect(session.Position("b.bmp"));
        if (how == "enter") {
            QTest::keyClick(&session.List(), Qt::Key_Return);
        } else if (how == "double-click") {
            QRect row = session.List().visualRect(session.List().Model().index(1, 0));
            QWidget* rows = session.List().viewport();
            QTest::mousePress(rows, Qt::LeftButton, {}, row.center());
            QTest::mouseRelease(rows, Qt::LeftButton, {}, row.center());
            QTest::mouseDClick(rows, Qt::LeftButton, {}, row.center());
            QTest::mouseRelease(rows, Qt::LeftButton, {}, row.center());
        } else {
            Inside(session.Browser()).ToolButton_view->click();
        }
        QVERIFY(session.Display().isVisible());
        QCOMPARE(session.Display().windowTitle(), QString(" Pelmora ..."));
        QCOMPARE(session.Status(0), QString("File 2/3"));
        QCOMPARE(session.Status(1), QString("b.bmp  (40x30)"));
        QCOMPARE(session.ImageSize(), QSize(40, 30));
    }

    void statusCountsFromOneAndTheViewButtonNeedsASelection()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}}, {.fullScreen = false});
        session.Open("a.bmp");
        QCOMPARE(session.Status(0), QString("File 1/2"));
        QVERIFY(Inside(session.Display()).StatusBar1->isVisible());
        // Black is the picture area's: the bars stay readable.
        QImage shown = session.Display().grab().toImage();
        QCOMPARE(QColor(shown.pixel(2, shown.height() - 2)), QApplication::palette().color(QPalette::Window));
        QCOMPARE(QColor(shown.pixel(shown.width() - 2, 2)), QApplication::palette().color(QPalette::Window));
        session.Display().close();
        session.List().ClearSelection();
        Inside(session.Browser()).ToolButton_view->click();
        QVERIFY(!session.Display().isVisible());
    }

    void fullScreenCentresSmallPicturesAndScrollsLargeOnes_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("small") << QSize(101, 51) << false;
        QTest::newRow("large") << QSize(1500, 1300) << true;
    }
    void fullScreenCentresSmallPicturesAndScrollsLargeOnes()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, scrolls);
        DisplaySession session({{"p.bmp", picture.width(), picture.height()}});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        QCOMPARE(display.geometry(), session.Screen());
        QVERIFY(display.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!Inside(display).StatusBar1->isVisible());
        if (scrolls) {
            QCOMPARE(session.ImageOffset(), QPoint(0, 0));
            QVERIFY(Inside(display).ScrollBox1->ShowsScrollBar());
        } else {
            QCOMPARE(session.ImageOffset(),
                QPoint((display.ClientWidth() - picture.width()) / 2, (display.ClientHeight() - picture.height()) / 2));
            QVERIFY(!Inside(display).ScrollBox1->ShowsScrollBar());
        }
    }

    void windowedLayoutShowsAPictureThatFitsWholeAndClampsALargeOne()
    {
        DisplaySession session({{"small.bmp", 120, 90}, {"large.bmp", 1500, 1300}}, {.fullScreen = false});
        session.Open("small.bmp");
        TForm2& display = session.Display();
        QVERIFY(!(display.windowFlags() & Qt::FramelessWindowHint));
        // Whole: the window is no narrower than its menu bar, so the area may be wider.
        QTRY_VERIFY(Inside(display).ScrollBox1->viewport()->height() == 90);
        QVERIFY(Inside(display).ScrollBox1->viewport()->width() >= 120);
        QVERIFY(!Inside(display).ScrollBox1->ShowsScrollBar());
        QRect screen = session.Screen();
        QPoint middle = display.frameGeometry().center();
        QVERIFY(std::abs(middle.x() - screen.center().x()) <= 40);
        QVERIFY(std::abs(middle.y() - screen.center().y()) <= 40);
        display.close();

        session.Open("large.bmp");
        QVERIFY(display.geometry().width() <= screen.width());
        QVERIFY(display.geometry().height() <= screen.height());
        QVERIFY(display.geometry().left() < 20 && display.geometry().top() < 60);
        QTRY_VERIFY(Inside(display).ScrollBox1->ShowsScrollBar());
    }

    void fitShrinksLargePicturesWholeAndLeavesSmallOnes_data()
    {
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<QSize>("picture");
        QTest::newRow("full screen, small") << true << QSize(100, 80);
        QTest::newRow("full screen, wide") << true << QSize(3000, 700);
        QTest::newRow("full screen, tall") << true << QSize(700, 3000);
        QTest::newRow("full screen, wide but bound by the height") << true << QSize(1200, 1100);
        QTest::newRow("windowed, large") << false << QSize(2000, 1800);
    }
    void fitShrinksLargePicturesWholeAndLeavesSmallOnes()
    {
        QFETCH(bool, fullScreen);
        QFETCH(QSize, picture);
        DisplaySession session({{"p.bmp", picture.width(), picture.height()}}, {.fullScreen = fullScreen, .fit = true});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        QVERIFY(display.FitToWindow());
        QVERIFY(Inside(display).Menu_view_fitwindow->isChecked());
        QSize area(display.ClientWidth(),
            display.ClientHeight()
                - (Inside(display).StatusBar1->isVisible() ? Inside(display).StatusBar1->height() + 1 : 0));
        QSize shown = session.ImageSize();
        if (picture.width() < area.width() && picture.height() < area.height()) {
            QCOMPARE(shown, picture);
            return;
        }
        // Whole, aspect kept, and filling one direction up to a percent of the picture.
        QVERIFY(shown.width() <= area.width() && shown.height() <= area.height());
        QVERIFY(std::abs(double(shown.width()) / shown.height() - double(picture.width()) / picture.height()) < 0.02);
        double q = std::min(double(area.width()) / picture.width(), double(area.height()) / picture.height());
        QVERIFY(shown.width() >= picture.width() * (q - 0.02) || shown.height() >= picture.height() * (q - 0.02));
        QCOMPARE(Inside(display).Image1->Picture().Width(), shown.width());
        QVERIFY(!Inside(display).ScrollBox1->ShowsScrollBar());
        // Off again: the fitted size stays until the next open, and the area scrolls again.
        Inside(display).Pop_screener_fitwindow->trigger();
        QVERIFY(!display.FitToWindow() && !Inside(display).Menu_view_fitwindow->isChecked());
        QCOMPARE(session.ImageSize(), shown);
        QVERIFY(Inside(display).ScrollBox1->AutoScroll());
    }

    // Fitted, a JPEG more than twice the screen paints first from a reduced
    // read; the worker reads it whole, and a zoom waits for that.
    void fitPaintsFirstFromAReducedRead_data()
    {
        QTest::addColumn<double>("timesTheScreen");
        QTest::addColumn<bool>("fit");
        QTest::addColumn<bool>("reduced");
        QTest::newRow("more than twice the screen") << 2.2 << true << true;
        QTest::newRow("less than twice") << 1.5 << true << false;
        QTest::newRow("fit off") << 2.2 << false << false;
    }
    void fitPaintsFirstFromAReducedRead()
    {
        QFETCH(double, timesTheScreen);
        QFETCH(bool, fit);
        QFETCH(bool, reduced);
        QSize picture = QGuiApplication::primaryScreen()->geometry().size() * timesTheScreen;
        auto writeJpeg = [picture](const QString& pictures) {
            QImage image(picture, QImage::Format_RGB32);
            image.fill(QColor(40, 90, 160));
            QVERIFY(image.save(pictures + "p.jpg"));
        };
        DisplaySession session({}, {.fit = fit, .writeFiles = writeJpeg});
        ReadGate gate;
        gate.Hold("p.jpg");
        session.Open("p.jpg");
        TForm2& display = session.Display();
        QCOMPARE(Inside(display).reducedShown_, reduced);
        QSize first = session.ImageSize();
        QVERIFY(session.Status(1).startsWith("p.jpg  ("));
        if (reduced)
            QTRY_COMPARE(gate.Reads("p.jpg"), 2); // the worker's full read, held back
        // The zoom waits for the full picture; the read is let go once it waits.
        std::thread release([&] {
            while (reduced && !display.Neighbours().Loader().Joining())
                std::this_thread::yield();
            gate.Release();
        });
        session.Key(Qt::Key_Plus, Qt::KeypadModifier);
        release.join();
        QVERIFY(!Inside(display).reducedShown_);
        QCOMPARE(Inside(display).ZoomPercent, 10);
        session.Key(Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(session.ImageSize(), first); // the full picture at the reduced one's place and size
        SettleLoads();
        QCOMPARE(gate.Reads("p.jpg"), reduced ? 2 : 1);
    }

    void zoomStepsStopAtTheirBoundsAndScaleThePictureShown()
    {
        DisplaySession session({{"p.bmp", 40, 20}});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        for (int i = 0; i < 40; ++i)
            Inside(display).Pop_screener_zoomUp->trigger();
        QCOMPARE(Inside(display).ZoomPercent, 310);
        QCOMPARE(session.ImageSize(), QSize(164, 82));
        for (int i = 0; i < 60; ++i)
            Inside(display).Menu_view_zoomDown->trigger();
        QCOMPARE(Inside(display).ZoomPercent, -95);
        QCOMPARE(session.ImageSize(), QSize(2, 1));
        Inside(display).Menu_view_zoomUp->trigger();
        QCOMPARE(Inside(display).ZoomPercent, -85);

        // A step scales the picture shown from its own size, not the file: a changed file is not read.
        WriteBitmapFile(session.Pictures() + "p.bmp", 100, 60);
        Inside(display).Pop_screener_zoomUp->trigger();
        QCOMPARE(Inside(display).ZoomPercent, -75);
        QCOMPARE(session.ImageSize(), QSize(10, 5));
        // Back to 0: the picture as freshly opened.
        for (int i = 0; i < 8; ++i)
            Inside(display).Pop_screener_zoomUp->trigger();
        QCOMPARE(Inside(display).ZoomPercent, 5);
        for (int i = 0; i < 2; ++i)
            Inside(display).Pop_screener_zoomDown->trigger();
        QCOMPARE(Inside(display).ZoomPercent, -10);
    }

    void zoomingAPictureScalesFromTheDecodedFileByNearestNeighbour()
    {
        DisplaySession session({{"p.bmp", 10, 10}});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        QImage original = Inside(display).Image1->Shown().copy();
        for (int i = 0; i < 10; ++i)
            Inside(display).Pop_screener_zoomUp->trigger();
        QCOMPARE(Inside(display).ZoomPercent, 100);
        QImage doubled = Inside(display).Image1->Shown();
        QCOMPARE(doubled.size(), QSize(20, 20));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                QCOMPARE(doubled.pixel(x, y), original.pixel(x / 2, y / 2));
        // Centred: the zoomed picture is still smaller than the screen.
        QCOMPARE(session.ImageOffset().x(), (display.ClientWidth() - 20) / 2);
    }

    void menusCarryEveryCaption()
    {
        DisplaySession session({{"p.bmp", 8, 8}});
        TForm2& display = session.Display();
        QCOMPARE(Captions(Inside(display).PopupMenu_screener),
            QStringList({"Next        (PgDn)", "Previous  (PgUp)", "Close       (Esc)", "-", "Modify", "Colors",
                "Filters", "-", "| Fit to window", "| Hide main Menu", "| Magnify ...", "-", "Zoom +", "Zoom  -", "-",
                "| Options ...", "-", "File"}));
        QCOMPARE(Captions(Inside(display).Menu_view),
            QStringList({"Next        (PgDn)", "Previous  (PgUp)", "-", "| Fit to window", "| Hide main Menu",
                "| Magnify ...", "-", "Zoom +", "Zoom  -", "-", "Start Slideshow..."}));
        QCOMPARE(Captions(Inside(display).Menu_file),
            QStringList({"Copy ...", "Move ...", "Delete", "-", "Save As...", "-", "Close"}));
        QCOMPARE(Captions(Inside(display).Pop_screener_file),
            QStringList({"Copy...", "Move...", "Delete", "-", "Start Slideshow...", "-", "Save to file ..."}));
        QStringList bar;
        for (QAction* item : display.menuBar()->actions())
            bar.append(item->text());
        QCOMPARE(bar, QStringList({"File", "View", "|", "Modify", "Filters", "Colors"}));
        QVERIFY(!Inside(display).Menu_divider->isEnabled());

        // The copies are deep and named after their source; a copy's click is the source's.
        QMenu* filters = display.findChild<QMenu*>("Pop_screener_filtersCopy");
        QVERIFY(filters);
        QCOMPARE(Captions(filters), Captions(Inside(display).Pop_screener_filters));
        QMenu* blur = filters->findChild<QMenu*>("Pop_screener_filters_blurCopy");
        QVERIFY(blur);
        QCOMPARE(Captions(blur),
            QStringList({"Split Blur", "Gaussian Blur", "-", "Triangle Blur", "Blur Random", "Spray (glass)"}));
        QAction* sharpen = display.findChild<QAction*>("Pop_screener_filters_sharpen");
        QAction* sharpenCopy = display.findChild<QAction*>("Pop_screener_filters_sharpenCopy");
        QVERIFY(sharpen && sharpenCopy);
        int runs = 0;
        QObject::connect(sharpen, &QAction::triggered, [&] { ++runs; });
        sharpenCopy->trigger();
        QCOMPARE(runs, 1);
    }

    void hidingTheMenuHidesTheExitButtonWhichCloses()
    {
        DisplaySession session({{"p.bmp", 30, 30}});
        TForm2& display = session.Display();
        TForm5& exit = session.ExitWindow();
        // Shown before the display window, a window manager could stack it below.
        ShownAfter order(&exit, &display);
        session.Open("p.bmp");
        QVERIFY(display.menuBar()->isVisible());
        QVERIFY(exit.isVisible());
        QCOMPARE(order.firstWasShown, QList<bool>({true}));
        QCOMPARE(exit.size(), QSize(19, 18));
        QVERIFY(exit.geometry().right() < display.geometry().right());
        QVERIFY(exit.geometry().right() > display.geometry().right() - 30);

        Inside(display).Menu_view_hidemenu->trigger();
        QVERIFY(display.MenuHidden() && Inside(display).Pop_screener_hidemenu->isChecked());
        QVERIFY(!display.menuBar()->isVisible());
        QVERIFY(!exit.isVisible());
        Inside(display).Pop_screener_hidemenu->trigger();
        QVERIFY(display.menuBar()->isVisible() && exit.isVisible());

        exit.SpeedButton_exit->click();
        QVERIFY(!display.isVisible());
        QVERIFY(!exit.isVisible());
    }

    void windowedModeShowsNoExitButton()
    {
        DisplaySession session({{"p.bmp", 30, 30}}, {.fullScreen = false});
        session.Open("p.bmp");
        QVERIFY(!session.ExitWindow().isVisible());
    }

    void keysThatClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 0 << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0 << true;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Alt+X") << int(Qt::Key_X) << int(Qt::AltModifier) << true;
        QTest::newRow("Alt+Shift+X") << int(Qt::Key_X) << int(Qt::AltModifier | Qt::ShiftModifier) << true;
        QTest::newRow("X") << int(Qt::Key_X) << 0 << false;
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << int(Qt::ControlModifier) << false;
        QTest::newRow("C") << int(Qt::Key_C) << 0 << false;
        QTest::newRow("Alt+C (copy, still to come)") << int(Qt::Key_C) << int(Qt::AltModifier) << false;
    }
    void keysThatClose()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, closes);
        DisplaySession session({{"p.bmp", 30, 30}}, {.fullScreen = false});
        session.Open("p.bmp");
        session.Key(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(session.Display().isVisible(), !closes);
    }

    void keypadZoomsAndTheMainKeyboardsPlusAndMinusDoNot()
    {
        DisplaySession session({{"p.bmp", 30, 30}});
        session.Open("p.bmp");
        session.Key(Qt::Key_Plus);
        session.Key(Qt::Key_Minus);
        QCOMPARE(Inside(session.Display()).ZoomPercent, 0);
        session.Key(Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(Inside(session.Display()).ZoomPercent, 10);
        QCOMPARE(session.ImageSize(), QSize(33, 33));
        session.Key(Qt::Key_Minus, Qt::KeypadModifier);
        session.Key(Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(Inside(session.Display()).ZoomPercent, -5);
    }

    void arrowsScrollBy15AndStopAtTheEnds()
    {
        DisplaySession session({{"p.bmp", 2000, 1800}});
        session.Open("p.bmp");
        PictureScrollBox& box = *Inside(session.Display()).ScrollBox1;
        session.Key(Qt::Key_Right);
        session.Key(Qt::Key_Right);
        session.Key(Qt::Key_Down);
        QCOMPARE(box.HorizontalPosition(), 30);
        QCOMPARE(box.VerticalPosition(), 15);
        session.Key(Qt::Key_Left);
        session.Key(Qt::Key_Up);
        session.Key(Qt::Key_Up);
        QCOMPARE(box.HorizontalPosition(), 15);
        QCOMPARE(box.VerticalPosition(), 0);
    }

    void spaceTogglesTheShownEntrysSelectedMarkOnly()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}});
        session.Open("b.bmp");
        session.Key(Qt::Key_Space);
        QVERIFY(!session.List().IsSelected(1));
        session.Key(Qt::Key_Space);
        QVERIFY(session.List().IsSelected(1));
        QCOMPARE(session.List().FocusedPosition(), 1);
        QCOMPARE(session.Shown(), QString("b.bmp"));
        QVERIFY(session.Display().isVisible());
    }

    void animationsPlayAndSpacePausesThem()
    {
        DisplaySession session({{"a.bmp", 8, 8}});
        // Two frames of a 4 x 2 screen: red, then a green pixel over it.
        test::GifFile first;
        first.screenWidth = 4;
        first.screenHeight = 2;
        first.globalTable = {255, 0, 0, 0, 255, 0};
        first.extensions = {test::GifControlExtension(1, -1)};
        first.codeSize = 2;
        first.indices.assign(8, 0);
        test::GifFile second = first;
        second.globalTable.clear();
        second.width = second.height = 1;
        second.indices = {1};
        test::WriteFile((session.Pictures() + "anim.gif").toStdString(), test::AnimatedGif({first, second}));
        session.Browser().ToolButton_refreshClick();
        session.Open("anim.gif");
        AnimationPlayer& player = *Inside(session.Display()).Player_animation;
        QVERIFY(player.Playing());
        QCOMPARE(Inside(session.Display()).Image1->ColourAt({0, 0}), qRgb(255, 0, 0));
        player.ShowNext();
        QCOMPARE(Inside(session.Display()).Image1->ColourAt({0, 0}), qRgb(0, 255, 0));
        QCOMPARE(Inside(session.Display()).Image1->ColourAt({1, 0}), qRgb(255, 0, 0));

        // Space pauses and resumes; the file's selected mark stays as it was.
        const bool selected = session.List().IsSelected(session.List().FocusedPosition());
        session.Key(Qt::Key_Space);
        QVERIFY(!player.Playing());
        session.Key(Qt::Key_Space);
        QVERIFY(player.Playing());
        QCOMPARE(session.List().IsSelected(session.List().FocusedPosition()), selected);
        session.Display().close();
        QVERIFY(!player.Active());
    }

    void closingMovesTheBrowsersSelectionToTheLastFileShown()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}, {"c.bmp", 8, 8}});
        session.Open("a.bmp");
        session.List().SetFocusedPosition(2); // as a step leaves it
        session.Display().close();
        SettleLoads();
        QCOMPARE(session.List().SelectedCount(), 1);
        QVERIFY(session.List().IsSelected(2));
        QCOMPARE(session.List().FocusedPosition(), 2);
        QVERIFY(Inside(session.Browser()).Image1->HasPicture());
        QVERIFY(!Inside(session.Display()).Image1->HasPicture());
        QCOMPARE(Inside(session.Display()).ZoomPercent, 0);
    }

    void closingWithSeveralSelectedKeepsThemAndFocusesTheFirst()
    {
        DisplaySession session({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}, {"c.bmp", 8, 8}, {"d.bmp", 8, 8}});
        session.List().FocusAndSelect(1);
        session.List().SetSelected(3, true);
        Inside(session.Browser()).ToolButton_view->click();
        session.List().SetFocusedPosition(2);
        session.Display().close();
        QCOMPARE(session.List().SelectedCount(), 3);
        QCOMPARE(session.List().FocusedPosition(), 1);
    }

    void aFileThatFailsLeavesThePictureShownAndAHiddenWindowHidden()
    {
        DisplaySession session({{"a.bmp", 12, 10}});
        QFile damaged(session.Pictures() + "b.bmp");
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("BM not a bitmap");
        damaged.close();
        session.Browser().ToolButton_refreshClick();
        session.List().FocusAndSelect(session.Position("b.bmp"));
        QTest::keyClick(&session.List(), Qt::Key_Return);
        QCOMPARE(session.answerer.messages.size(), 1);
        QVERIFY(!session.Display().isVisible());

        // A zoom scales the picture shown: it reads no file, the damaged one focused meanwhile neither.
        session.Open("a.bmp");
        session.List().SetFocusedPosition(session.Position("b.bmp"));
        Inside(session.Display()).Pop_screener_zoomUp->trigger();
        QCOMPARE(session.answerer.messages.size(), 1);
        QCOMPARE(Inside(session.Display()).ZoomPercent, 10);
        QCOMPARE(session.ImageSize(), QSize(13, 11));
        QCOMPARE(session.Status(1), QString("a.bmp  (12x10)"));
    }

    void settingsAreReadAtCreation()
    {
        DisplaySession session({{"p.bmp", 8, 8}}, {.fit = true, .menuHidden = true});
        TForm2& display = session.Display();
        QVERIFY(display.FitToWindow() && Inside(display).Menu_view_fitwindow->isChecked());
        QVERIFY(display.MenuHidden() && Inside(display).Menu_view_hidemenu->isChecked());
        session.Open("p.bmp");
        QVERIFY(!display.menuBar()->isVisible());
        QVERIFY(!session.ExitWindow().isVisible());
        // The context menu still closes.
        Inside(display).Pop_screener_close->trigger();
        QVERIFY(!display.isVisible());
    }

    void everyPixelFormatIsShown_data()
    {
        QTest::addColumn<int>("format");
        for (PixelFormat format : {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8,
                 PixelFormat::Rgb15, PixelFormat::Rgb16, PixelFormat::Rgb24, PixelFormat::Rgb32})
            QTest::newRow(PixelFormatName(format)) << int(format);
    }
    void everyPixelFormatIsShown()
    {
        QFETCH(int, format);
        DisplaySession session({});
        Bitmap source = PatternBitmap(13, 7, PixelFormat(format));
        source.SaveBitmapToFile(FileSystemPath(session.Pictures() + "p.bmp"));
        session.Browser().ToolButton_refreshClick();
        session.Open("p.bmp");
        const QImage& shown = Inside(session.Display()).Image1->Shown();
        QCOMPARE(shown.size(), QSize(13, 7));
        Bitmap expected = LoadBitmap(FileSystemPath(session.Pictures() + "p.bmp"));
        expected.SetPixelFormat(PixelFormat::Rgb24);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                const uint8_t* bgr = expected.ScanLine(y) + 3 * x;
                QCOMPARE(QColor(shown.pixel(x, y)), QColor(bgr[2], bgr[1], bgr[0]));
            }
        // The rows are shown where they are, not copied (Qt has no 4-bit format).
        if (PixelFormat(format) != PixelFormat::Indexed4)
            QCOMPARE(shown.constBits(), Inside(session.Display()).Image1->Picture().Bits());
    }

    // A metafile is drawn at its size and drawn afresh when zoomed; an icon's
    // transparent pixels show the checkerboard, its opaque ones their colour.
    void metafilesRedrawWhenZoomedAndIconsShowTheirTransparency()
    {
        DisplaySession session({});
        WmfWriter wmf;
        wmf.Brush(0, 0xFF0000).Pen(5, 0, 0).Select(0).Select(1).Rectangle(10, 10, 30, 30);
        WriteFile(FileSystemPath(session.Pictures() + "m.wmf"), wmf.Placeable(0, 0, 40, 40, 96));
        WriteFile(FileSystemPath(session.Pictures() + "i.ico"), IconFile({{32, BitmapEntry(32, 200, true)}}));
        session.Browser().ToolButton_refreshClick();
        session.Open("m.wmf");
        TForm2& display = session.Display();
        QCOMPARE(session.ImageSize(), QSize(40, 40));
        QCOMPARE(QColor(Inside(display).Image1->Shown().pixel(20, 20)), QColor(Qt::red));
        for (int i = 0; i < 10; ++i)
            Inside(display).Pop_screener_zoomUp->trigger();
        const QImage& zoomed = Inside(display).Image1->Shown();
        QCOMPARE(zoomed.size(), QSize(80, 80));
        // Stretched pixels would leave the edge pixel's neighbour at 21 a copy of 20's.
        QCOMPARE(QColor(zoomed.pixel(19, 40)), QColor(Qt::white));
        QCOMPARE(QColor(zoomed.pixel(21, 40)), QColor(Qt::red));

        session.Open("i.ico");
        const QImage& icon = Inside(display).Image1->Shown();
        // Its top-left pixel is masked out: the checkerboard's light square shows.
        QCOMPARE(QColor(icon.pixel(0, 0)), QColor(0xE0, 0xE0, 0xE0));
        QCOMPARE(QColor(icon.pixel(1, 0)), QColor(0, 0, 200));
    }
};

PELMORA_WINDOW_TEST_MAIN(DisplayWindowTest)
#include "display_window_test.moc"
