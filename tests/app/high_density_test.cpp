// A screen of two device pixels a unit: the display window and the preview
// show one picture pixel a device pixel, at 100% and fitted.
#include "DisplayTestSupport.h"

#include "app/BitmapImage.h"
#include "app/Platform.h"
#include "app/ToolbarPictures.h"

#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolButton>

using namespace pelmora;
using namespace pelmora::test;

namespace {

DisplayImage& Shown(DisplaySession& session)
{
    return *session.Display().findChild<DisplayImage*>("Image1");
}

// Every tenth device pixel of the control as painted, against the picture's own pixels.
void ComparePainted(DisplayImage& image, const QImage& picture)
{
    QImage painted = image.grab().toImage();
    QCOMPARE(painted.devicePixelRatio(), 2.0);
    QVERIFY(painted.width() >= picture.width() && painted.height() >= picture.height());
    for (int y = 0; y < picture.height(); y += 10)
        for (int x = 0; x < picture.width(); x += 10)
            QCOMPARE(painted.pixel(x, y), picture.pixel(x, y));
}

} // namespace

class HighDensityTest : public QObject {
    Q_OBJECT
private slots:
    void displayWindowShowsOnePicturePixelADevicePixel()
    {
        DisplaySession session({{"small.bmp", 101, 60}, {"large.bmp", 1500, 900}}, DisplaySetup {true, false});
        QCOMPARE(session.Display().devicePixelRatioF(), 2.0);
        session.Open("small.bmp");
        DisplayImage& image = Shown(session);
        QCOMPARE(image.size(), QSize(51, 30)); // 101 x 60 device pixels, the last one whole
        QCOMPARE(image.ShownPixels(), QSize(101, 60));
        QVERIFY(session.Status(1).endsWith("(101x60)"));
        ComparePainted(image, BitmapToImage(LoadBitmap((session.Pictures() + "small.bmp").toStdString())));
        // The readout names the picture pixel under a point of the control.
        QCOMPARE(image.OwnPixel(QPoint(10, 5)), std::optional<QPoint>(QPoint(20, 10)));
        // The exit button's glyph is drawn for the screen, not enlarged.
        auto* exit = session.ExitWindow().findChild<QToolButton*>("SpeedButton_exit");
        QCOMPARE(exit->icon().pixmap(exit->iconSize(), 2.0).width(), 2 * exit->iconSize().width());

        // Fitted, the picture takes the area's device pixels, not its units.
        session.Open("large.bmp");
        session.Display().Pop_screener_fitwindowClick();
        QSize units = image.size();
        QVERIFY(units.width() <= session.Display().width());
        QVERIFY(qAbs(image.ShownPixels().width() - 2 * units.width()) <= 1);
        QVERIFY(qAbs(image.ShownPixels().height() - 2 * units.height()) <= 1);
    }

    // A window moved to a screen of another device pixel ratio lays its
    // picture out again at once: the same pixels, one a device pixel.
    void aMoveToAnotherRatioLaysOutAgain()
    {
        const QList<QScreen*> screens = QGuiApplication::screens();
        if (screens.size() < 2)
            QSKIP("needs the second screen of the test's own platform setup");
        DisplaySession session({{"small.bmp", 101, 60}}, DisplaySetup {false, false});
        TForm1& browser = session.Browser();
        Inside(browser).ListView_files->FocusAndSelect(0);
        Inside(browser).ListView_filesClick();
        session.Open("small.bmp");
        auto moveToSecondScreen = [&](QWidget& window) {
            window.move(screens[1]->geometry().topLeft() + QPoint(10, 10));
            QTRY_COMPARE(window.devicePixelRatioF(), 4.0);
        };
        moveToSecondScreen(session.Display());
        QCOMPARE(Shown(session).size(), QSize(26, 15)); // 101 x 60 device pixels
        QCOMPARE(Shown(session).grab().toImage().devicePixelRatio(), 4.0);

        session.Display().close();
        moveToSecondScreen(browser);
        SettleLoads();
        auto& box = *browser.findChild<PreviewImageBox*>();
        QCOMPARE(box.Picture().size(), QSize(101, 60));
        QCOMPARE(box.size(), QSize(26, 15));
    }

    // Each toolbar picture has a drawing of its own for screens of 1, 2 and
    // 3 device pixels a unit, however small the style's bitmaps are.
    void toolbarPicturesAreDrawnForEveryRatio()
    {
        for (int number = 1; number <= 15; ++number) {
            QIcon icon = ToolbarPicture(number);
            for (int ratio : {1, 2, 3})
                if (!icon.isNull())
                    QCOMPARE(icon.pixmap(QSize(16, 16), ratio).width(), 16 * ratio);
        }
    }

    void previewShowsOnePicturePixelADevicePixel()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 100, 50);
        WriteBitmapFile(session.Pictures() + "b.bmp", 4000, 100);
        TForm1& browser = session.Start();
        auto& box = *browser.findChild<PreviewImageBox*>();
        QSize panel = Inside(browser).Panel_image->contentsRect().size();
        struct Case {
            int position;
            QSize units, pixels;
        } cases[] = {
            {0, QSize(50, 25), QSize(100, 50)},
            // Wider than the panel: as many device pixels as the panel has.
            {1, QSize(panel.width(), (100 * panel.width() * 2 / 4000 + 1) / 2),
                QSize(2 * panel.width(), 100 * panel.width() * 2 / 4000)},
        };
        for (const Case& c : cases) {
            Inside(browser).ListView_files->FocusAndSelect(c.position);
            Inside(browser).ListView_filesClick();
            SettleLoads();
            QCOMPARE(box.Picture().size(), c.pixels);
            QCOMPARE(box.size(), c.units);
            QCOMPARE(box.grab().toImage().devicePixelRatio(), 2.0);
        }
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    // A second screen of twice the density beside the first, to move windows to.
    QTemporaryDir screens;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        QFile setup(screens.filePath("screens.json"));
        if (setup.open(QIODevice::WriteOnly))
            setup.write(R"({"screens": [
                {"name": "one", "x": 0, "y": 0, "width": 1600, "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96},
                {"name": "two", "x": 1600, "y": 0, "width": 1600, "height": 1200, "logicalDpi": 192, "logicalBaseDpi": 96}]})");
        setup.close();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(setup.fileName()));
    }
    RegisterPictureReaders();
    InstallMetafilePainter();
    Application app(argc, argv);
    HighDensityTest test;
    int result = QTest::qExec(&test, argc, argv);
    UnregisterPictureReaders();
    return result;
}

#include "high_density_test.moc"
