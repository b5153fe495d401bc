// The display window's magnifier: the lens drawn while the left button is
// held, the readout of the picture's own pixel, the presses that drag
// instead, the panel's place and the two settings of the lens.
#include "DisplayTestSupport.h"

#include "display/DisplayImage.h"
#include "display/Magnifier.h"

#include <QClipboard>
#include <QLineEdit>

#include <cstring>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// A white picture with one orange (255, 128, 0) pixel, for reading colours back.
void WriteMarkedPicture(const QString& path, QSize size, QPoint orange)
{
    Bitmap picture(size.width(), size.height(), PixelFormat::Rgb24);
    for (int y = 0; y < size.height(); ++y)
        std::fill_n(picture.ScanLine(y), 3 * size.width(), uint8_t(255));
    uint8_t* pixel = picture.ScanLine(orange.y()) + 3 * orange.x();
    pixel[0] = 0, pixel[1] = 128, pixel[2] = 255;
    picture.SaveBitmapToFile(FileSystemPath(path));
}

QImage Seen(TForm2& display)
{
    return Inside(display).Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Where the panel shows in the picture area.
QPoint PanelOnView(TForm2& display)
{
    return Inside(display).Panel_magnify->mapTo(Inside(display).ScrollBox1->viewport(), QPoint());
}

} // namespace

class DisplayMagnifierTest : public QObject {
    Q_OBJECT
private slots:
    void theLensMagnifiesWholePixelsInARedFrame_data()
    {
        QTest::addColumn<int>("magnifyX");
        QTest::addColumn<int>("magnifySize");
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("half");
        QTest::addColumn<QString>("sizeShown");
        QTest::newRow("defaults: b 33, 198 square") << 3 << 100 << 3 << 33 << "100";
        QTest::newRow("factor 10, size 10: b raised to 2") << -4 << 190 << 10 << 2 << "40";
        QTest::newRow("factor 2, size 180") << 4 << 20 << 2 << 90 << "180";
    }
    void theLensMagnifiesWholePixelsInARedFrame()
    {
        QFETCH(int, magnifyX);
        QFETCH(int, magnifySize);
        QFETCH(int, factor);
        QFETCH(int, half);
        QFETCH(QString, sizeShown);
        DisplaySession session({{"p.bmp", 600, 500}}, {.magnifyX = magnifyX, .magnifySize = magnifySize});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        Inside(display).Pop_screener_magnify->trigger();
        QImage picture = Seen(display);
        QPoint c(300, 250);
        QTest::mousePress(Inside(display).Image1, Qt::LeftButton, {}, c);
        QVERIFY(display.LensActive());
        QCOMPARE(Inside(display).Image1->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(Inside(display).Panel_magnify->EditMagnifierRadius->text(), sizeShown);

        QImage seen = Seen(display);
        int side = half * factor;
        int wrong = 0;
        for (int y = c.y() - side - 2; y <= c.y() + side + 1; ++y)
            for (int x = c.x() - side - 2; x <= c.x() + side + 1; ++x) {
                bool outside = x < c.x() - side - 1 || x > c.x() + side || y < c.y() - side - 1 || y > c.y() + side;
                bool frame = x == c.x() - side - 1 || x == c.x() + side || y == c.y() - side - 1 || y == c.y() + side;
                QRgb expected = outside ? picture.pixel(x, y)
                    : frame             ? qRgb(255, 0, 0)
                                        : picture.pixel(
                                            c.x() - half + (x - c.x() + side) / factor, c.y() - half + (y - c.y() + side) / factor);
                wrong += seen.pixel(x, y) != expected;
            }
        QCOMPARE(wrong, 0);
        QTest::mouseRelease(Inside(display).Image1, Qt::LeftButton, {}, c);
        QVERIFY(!Inside(display).Image1->testAttribute(Qt::WA_SetCursor));
    }

    void pressesWithoutALens_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("magnify");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<bool>("drags");
        QTest::newRow("right button with the magnifier drags") << QSize(2000, 1800) << true << Qt::RightButton << true;
        QTest::newRow("a picture that fits: nothing") << QSize(20, 20) << false << Qt::LeftButton << false;
        QTest::newRow("right button on one that fits: nothing") << QSize(20, 20) << true << Qt::RightButton << false;
    }
    void pressesWithoutALens()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, magnify);
        QFETCH(Qt::MouseButton, button);
        QFETCH(bool, drags);
        DisplaySession session({{"p.bmp", picture.width(), picture.height()}});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        if (magnify)
            Inside(display).Pop_screener_magnify->trigger();
        QImage before = Seen(display);
        QTest::mousePress(Inside(display).Image1, button, {}, QPoint(10, 10));
        QVERIFY(!display.LensActive());
        QCOMPARE(display.Dragging(), drags);
        QCOMPARE(Inside(display).Image1->testAttribute(Qt::WA_SetCursor), drags);
        if (drags)
            QCOMPARE(Inside(display).Image1->cursor().shape(), Qt::OpenHandCursor);
        QCOMPARE(Seen(display), before);
        QTest::mouseRelease(Inside(display).Image1, button, {}, QPoint(10, 10));
        QVERIFY(!display.Dragging());
    }

    void releaseLeavesThePictureAsBeforeThePress()
    {
        DisplaySession session({{"p.bmp", 300, 200}});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        // An edit before the press: the picture shown replaced, as the edit commands replace it.
        Bitmap edited;
        edited.Assign(Inside(display).Image1->Picture());
        std::fill_n(edited.ScanLine(100), 3 * 300, uint8_t(7));
        Bitmap expected;
        expected.Assign(edited);
        Inside(display).Image1->SetPicture(std::move(edited), 300, 200);
        QImage before = Seen(display);
        Inside(display).Pop_screener_magnify->trigger();
        QTest::mousePress(Inside(display).Image1, Qt::LeftButton, {}, QPoint(150, 100));
        QTest::mouseMove(Inside(display).Image1, QPoint(160, 110));
        QTest::mouseMove(Inside(display).Image1, QPoint(290, 10));
        QTest::mouseRelease(Inside(display).Image1, Qt::LeftButton, {}, QPoint(290, 10));
        QVERIFY(!display.LensActive());
        QCOMPARE(Seen(display), before);
        const Bitmap& kept = Inside(display).Image1->Picture();
        QCOMPARE(kept.BytesPerLine(), expected.BytesPerLine());
        QVERIFY(std::equal(kept.Bits(), kept.Bits() + 200 * kept.BytesPerLine(), expected.Bits()));
    }

    void theReadoutNamesThePicturesOwnPixel_data()
    {
        QTest::addColumn<bool>("zoomed");
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QString>("readout");
        QTest::addColumn<QString>("copied");
        QTest::newRow("white") << false << QPoint(10, 10)
                               << "(X,Y)   = [10, 10]\n(R,G,B) =[255,255,255]\n     hex - clWhite"
                               << "#FFFFFF";
        QTest::newRow("orange") << false << QPoint(50, 40)
                                << "(X,Y)   = [50, 40]\n(R,G,B) =[255,128,0]\n     hex - $000080FF"
                                << "#FF8000";
        QTest::newRow("zoomed 110%: its own pixel")
            << true << QPoint(55, 44) << "(X,Y)   = [50, 40]\n(R,G,B) =[255,128,0]\n     hex - $000080FF"
            << "#FF8000";
        QTest::newRow("zoomed 110%: the last column and row")
            << true << QPoint(109, 87) << "(X,Y)   = [99, 79]\n(R,G,B) =[255,255,255]\n     hex - clWhite"
            << "#FFFFFF";
        QTest::newRow("outside the picture, no colour")
            << false << QPoint(-5, 10) << "outside the picture\n(R,G,B) =\n   hex - "
            << "";
    }
    void theReadoutNamesThePicturesOwnPixel()
    {
        QFETCH(bool, zoomed);
        QFETCH(QPoint, pointer);
        QFETCH(QString, readout);
        QFETCH(QString, copied);
        DisplaySession session({{"m.bmp", 100, 80}});
        WriteMarkedPicture(session.Pictures() + "m.bmp", {100, 80}, {50, 40});
        session.Open("m.bmp");
        if (zoomed)
            session.Key(Qt::Key_Plus, Qt::KeypadModifier);
        TForm2& display = session.Display();
        Inside(display).Menu_view_magnify->trigger();
        QCOMPARE(Inside(display).Panel_magnify->LabelLocation->text(), QString("(X,Y)   =\n(R,G,B) =\n   hex - "));
        QGuiApplication::clipboard()->clear();
        QTest::mousePress(Inside(display).Image1, Qt::LeftButton, {}, QPoint(1, 1));
        QTest::mouseMove(Inside(display).Image1, pointer);
        QCOMPARE(Inside(display).Panel_magnify->LabelLocation->text(), readout);
        session.Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
        QTest::mouseRelease(Inside(display).Image1, Qt::LeftButton, {}, pointer);
    }

    void aTransparentPixelReadsAsItselfNotAsTheCheckerboard()
    {
        DisplayImage image;
        Bitmap picture(2, 1, PixelFormat::Rgb32);
        const uint8_t clearRed[8] = {0, 0, 255, 0, 0, 255, 0, 128}; // then half-opaque green
        std::memcpy(picture.ScanLine(0), clearRed, sizeof clearRed);
        picture.SetHasAlpha(true);
        image.SetPicture(std::move(picture), 2, 1);
        QCOMPARE(image.ColourAt({0, 0}), qRgba(255, 0, 0, 0));
        QCOMPARE(image.ColourAt({1, 0}), qRgba(0, 255, 0, 128));
        QVERIFY(qAlpha(image.Shown().pixel(0, 0)) == 255 && image.Shown().pixel(0, 0) != qRgb(255, 0, 0));
    }

    void theSpinsFollowTheStoredValuesAndAreWrittenBack_data()
    {
        QTest::addColumn<int>("magnifyX");
        QTest::addColumn<int>("magnifySize");
        QTest::addColumn<bool>("arrowsUp");
        QTest::addColumn<QString>("factorShown");
        QTest::addColumn<QString>("sizeShown");
        QTest::addColumn<int>("writtenX");
        QTest::addColumn<int>("writtenSize");
        QTest::newRow("defaults") << 3 << 100 << false << "3"
                                  << "100" << 3 << 100;
        QTest::newRow("MagnifyX 2 is factor 4") << 2 << 100 << false << "4"
                                                << "100" << 2 << 100;
        QTest::newRow("out of range: clamped") << 100 << -500 << false << "2"
                                               << "180" << 4 << 20;
        QTest::newRow("up arrows raise both") << 3 << 100 << true << "4"
                                              << "110" << 2 << 90;
    }
    void theSpinsFollowTheStoredValuesAndAreWrittenBack()
    {
        QFETCH(int, magnifyX);
        QFETCH(int, magnifySize);
        QFETCH(bool, arrowsUp);
        QFETCH(QString, factorShown);
        QFETCH(QString, sizeShown);
        QFETCH(int, writtenX);
        QFETCH(int, writtenSize);
        DisplaySession session({{"p.bmp", 8, 8}}, {.magnifyX = magnifyX, .magnifySize = magnifySize});
        MagnifierPanel& panel = *Inside(session.Display()).Panel_magnify;
        if (arrowsUp) {
            panel.ScrollEditMagnification->triggerAction(QAbstractSlider::SliderSingleStepSub);
            panel.ScrollEditMagnifierRadius->triggerAction(QAbstractSlider::SliderSingleStepSub);
        }
        QCOMPARE(panel.EditMagnification->text(), factorShown);
        QCOMPARE(panel.EditMagnifierRadius->text(), sizeShown);
        session.Stop();
        QCOMPARE(session.Settings().ReadInteger("Preferences", "MagnifyX", 0), writtenX);
        QCOMPARE(session.Settings().ReadInteger("Preferences", "MagnifySize", 0), writtenSize);
    }

    void thePanelsPlace_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QPoint>("shown");
        QTest::newRow("a picture that fits: 8, 8") << QSize(200, 100) << "" << QPoint(8, 8);
        QTest::newRow("scrolled: 8 inside the visible corner") << QSize(2000, 1800) << "" << QPoint(8, 8);
        QTest::newRow("keys scroll it with the picture") << QSize(2000, 1800) << "keys" << QPoint(8 - 15, 8 - 30);
        QTest::newRow("a scroll-bar move puts it back first")
            << QSize(2000, 1800) << "keys, scroll bar" << QPoint(8 - 15, 8 - 40);
    }
    void thePanelsPlace()
    {
        QFETCH(QSize, picture);
        QFETCH(QString, then);
        QFETCH(QPoint, shown);
        DisplaySession session({{"p.bmp", picture.width(), picture.height()}});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        PictureScrollBox& box = *Inside(display).ScrollBox1;
        box.SetHorizontalPosition(100);
        box.SetVerticalPosition(30);
        Inside(display).Pop_screener_magnify->trigger();
        QVERIFY(Inside(display).Panel_magnify->isVisible());
        if (then.startsWith("keys")) {
            session.Key(Qt::Key_Down);
            session.Key(Qt::Key_Down);
            session.Key(Qt::Key_Right);
        }
        // Dragging the thumb 40 pixels down.
        if (then.endsWith("scroll bar"))
            box.verticalScrollBar()->setSliderPosition(box.VerticalPosition() + 40);
        QCOMPARE(PanelOnView(display), shown);
    }

    void closingSwitchesTheMagnifierOff()
    {
        DisplaySession session({{"p.bmp", 40, 40}});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        Inside(display).Menu_view_magnify->trigger();
        QVERIFY(Inside(display).Pop_screener_magnify->isChecked());
        QTest::mousePress(Inside(display).Image1, Qt::LeftButton, {}, QPoint(20, 20));
        session.Key(Qt::Key_Escape);
        QVERIFY(!display.LensActive());
        QVERIFY(!Inside(display).Image1->ShownLens());
        session.Open("p.bmp");
        QVERIFY(!Inside(display).Pop_screener_magnify->isChecked());
        QVERIFY(!Inside(display).Menu_view_magnify->isChecked());
        QVERIFY(!Inside(display).Panel_magnify->isVisible());
    }
};

PELMORA_WINDOW_TEST_MAIN(DisplayMagnifierTest)
#include "display_magnifier_test.moc"
