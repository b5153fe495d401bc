// A screen of two device pixels a unit: the display window and the preview
// show one picture pixel a device pixel, at 100% and fitted.
#include "DisplayTestSupport.h"

#include "app/BitmapImage.h"
#include "app/Platform.h"

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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RegisterPictureReaders();
    InstallMetafilePainter();
    Application app(argc, argv);
    HighDensityTest test;
    int result = QTest::qExec(&test, argc, argv);
    UnregisterPictureReaders();
    return result;
}

#include "high_density_test.moc"
