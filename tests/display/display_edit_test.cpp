// The display window's edit commands through its menus: each command's
// dialog value, effect and result, FishEye's 5 and 3, Emboss three times,
// Rotate four times, a zoom keeping an edit, and Ctrl+Z.
#include "tests/app/DisplayTestSupport.h"

#include "effects/ColorAdjustments.h"
#include "effects/Distortions.h"
#include "effects/EffectCommand.h"
#include "effects/FilterKinds.h"
#include "effects/Geometry.h"
#include "effects/NeighbourhoodFilters.h"
#include "effects/Random.h"
#include "effects/dialog/Pelmora_filters.h"

#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include <functional>

using namespace pelmora;
using namespace pelmora::test;

namespace {

bool SameRows(const Bitmap& a, const Bitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetPixelFormat() != b.GetPixelFormat())
        return false;
    size_t bytes = size_t(a.Width()) * size_t(BitsPerPixel(a.GetPixelFormat())) / 8;
    for (int y = 0; y < a.Height(); ++y)
        if (!std::equal(a.ScanLine(y), a.ScanLine(y) + bytes, b.ScanLine(y)))
            return false;
    return true;
}

Bitmap CopyOf(const Bitmap& b)
{
    Bitmap copy;
    copy.Assign(b);
    return copy;
}

// A 60 x 40 picture open in a windowed display window; the filter dialog
// answered with the positions given (Ok), or cancelled.
class EditSession : public DisplaySession {
public:
    // A picture of another format is written as "p8.bmp" and opened instead.
    explicit EditSession(std::optional<PixelFormat> format = std::nullopt)
        : DisplaySession({{"p.bmp", 60, 40}},
              {.fullScreen = false,
                  .writeFiles =
                      [format](const QString& pictures) {
                          if (format)
                              WriteBitmapFile(pictures + "p8.bmp", 60, 40, *format);
                      }})
    {
        Open(format ? "p8.bmp" : "p.bmp");
        original = CopyOf(Picture());
        answerer.answerDialog = [this](QDialog* dialog) {
            auto* filters = qobject_cast<TForm4*>(dialog);
            if (!filters || cancel)
                return dialog->reject();
            dialogs.append(filters->windowTitle());
            // Each size as given: the ratio would follow the one with the focus.
            filters->CheckBox_ratio->setChecked(false);
            for (auto [bar, position] : {std::pair {filters->ScrollEdit_opt, first},
                     std::pair {filters->ScrollEdit_opt2, second}, std::pair {filters->ScrollEdit_opt3, third}})
                if (position)
                    bar->setValue(*position);
            filters->Button_opt_ok->click();
        };
    }
    const Bitmap& Picture() { return Inside(Display()).Image1->Picture(); }
    // Runs the menu bar's copy of the command, as a click on it does.
    void Run(const QString& item)
    {
        QAction* copy = Display().findChild<QAction*>(item + "Copy");
        QVERIFY2(copy, qPrintable(item));
        copy->trigger();
        QCoreApplication::processEvents();
    }

    Bitmap original;
    std::optional<int> first, second, third;
    bool cancel = false;
    QStringList dialogs;
};

using Expected = std::function<void(const Bitmap& original, Bitmap& result)>;

// The effect run straight on the picture as it was, with the value the command gives it.
Expected Straight(const char* operation, std::vector<double> values)
{
    return [operation, values](const Bitmap& original, Bitmap& result) {
        RunEffect(operation, original, result, values, RandomSeeding::Continue);
    };
}

} // namespace

Q_DECLARE_METATYPE(Expected)

class DisplayEditTest : public QObject {
    Q_OBJECT
private slots:
    void everyCommandRunsItsEffectWithItsValue_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption"); // the dialog's, empty for none
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<Expected>("expected");
        auto row = [](const char* item, const char* caption, QList<int> positions, Expected expected) {
            QTest::newRow(item) << QString(item) << QString(caption) << positions << expected;
        };
        row("Pop_screener_modif_mirrorV", "", {}, Straight("MirrorVertical", {}));
        row("Pop_screener_modif_mirrorH", "", {}, Straight("MirrorHorizontal", {}));
        row("Pop_screener_modif_rotate90", "", {}, [](const Bitmap& o, Bitmap& r) { Rotate90(o, r); });
        row("Pop_screener_modif_resize", "  Resize ..", {30, 10, 2}, Straight("Resample", {30, 10, 2}));
        row("Pop_screener_colrs_grayscale", "", {}, Straight("Grayscale", {}));
        row("Pop_screener_colrs_invert", "", {}, Straight("InvertColors", {}));
        row("Pop_screener_colrs_contrast", "  Contrast ..", {-2}, Straight("Contrast", {-20}));
        row("Pop_screener_colrs_lightness", "  Lightness ..", {4}, Straight("Lightness", {40}));
        row("Pop_screener_colrs_darkness", "  Darkness ..", {3}, Straight("Darkness", {30}));
        row("Pop_screener_colrs_saturation", "  Saturation ..", {2}, Straight("Saturation", {100}));
        row("Pop_screener_filters_sharpen", "  Sharpen ..", {-4}, Straight("Sharpen", {-0.4}));
        row("Pop_screener_filters_convolve", "  Convolve ..", {3, 2}, Straight("Convolve", {3, 2}));
        row("Pop_screener_filters_emboss3D", "  Emboss ..", {3}, [](const Bitmap& o, Bitmap& r) {
            r.Assign(o);
            for (int i = 0; i < 3; ++i)
                Emboss(r);
        });
        row("Pop_screener_filters_mosaic", "  Mosaic ..", {7}, Straight("Mosaic", {7}));
        row("Pop_screener_filters_fisheye", "  FishEye ..", {5},
            [](const Bitmap& o, Bitmap& r) { FishEye(o, r, 0.6f); });
        row("Pop_screener_filters_trace", "  Trace ..", {2}, Straight("Trace", {2}));
        row("Pop_screener_filters_postireze", "  Posterize ..", {60}, Straight("Posterize", {60}));
        row("Pop_screener_filters_splitblur", "  SplitBlur ..", {3}, Straight("SplitBlur", {3}));
        row("Pop_screener_filters_gaussianblur", "  GaussianBlur ..", {1}, Straight("GaussianBlur", {1}));
        row("Pop_screener_filters_triangleblur", "  TriangleBlur ..", {2}, Straight("TriangleBlur", {20}));
        row("Pop_screener_filters_ripplerandom", "  RippleRandom ..", {3}, Expected());
        row("Pop_screener_filters_spray", "  Spray ..", {2}, Expected());
        row("Pop_screener_filters_rippletooth", "  RippleTooth ..", {5}, Straight("RippleTooth", {5}));
        row("Pop_screener_filters_rippletriangle", "  RippleTriangle ..", {4}, Straight("RippleTriangle", {4}));
        row("Pop_screener_filters___test", "", {}, [](const Bitmap& o, Bitmap& r) { r.Assign(o); });
    }
    void everyCommandRunsItsEffectWithItsValue()
    {
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(QList<int>, positions);
        QFETCH(Expected, expected);
        EditSession session;
        for (int i = 0; i < positions.size(); ++i)
            (i == 0 ? session.first : i == 1 ? session.second : session.third) = positions[i];
        // Cancel in the dialog changes nothing.
        if (!caption.isEmpty()) {
            session.cancel = true;
            session.Run(item);
            QVERIFY(SameRows(session.Picture(), session.original));
            session.cancel = false;
        }
        session.Run(item);
        QCOMPARE(session.dialogs, caption.isEmpty() ? QStringList() : QStringList {caption});
        const Bitmap& result = session.Picture();
        if (!expected) {
            // Drawn at random: a changed picture of the same size.
            QCOMPARE(QSize(result.Width(), result.Height()), QSize(60, 40));
            QVERIFY(!SameRows(result, session.original));
            return;
        }
        Bitmap want;
        expected(session.original, want);
        QVERIFY(SameRows(result, want));
        // The control takes the picture's size (Resize, Rotate).
        QCOMPARE(session.ImageSize(), QSize(want.Width(), want.Height()));
    }

    void fishEyeRunsFiveAndThreeAsSixAndFour()
    {
        for (auto [chosen, run] : {std::pair {5, 6}, std::pair {3, 4}}) {
            EditSession session;
            session.first = chosen;
            session.Run("Pop_screener_filters_fisheye");
            Bitmap want;
            FishEye(session.original, want, float(run) / 10);
            QVERIFY(SameRows(session.Picture(), want));
            QCOMPARE(session.windows->Form4->ScrollEdit_opt->value(), run);
            QCOMPARE(session.Settings().ReadInteger("Filters", "FishEye", 0), chosen);
        }
    }

    void rotateFourTimesGivesThePictureBackAndCentres()
    {
        EditSession session;
        for (int i = 0; i < 4; ++i) {
            session.Run("Pop_screener_modif_rotate90");
            QSize size = i % 2 == 0 ? QSize(40, 60) : QSize(60, 40);
            QCOMPARE(session.ImageSize(), size);
            TForm2& display = session.Display();
            QCOMPARE(session.ImageOffset().x(), std::max(0, (display.ClientWidth() - size.width()) / 2));
            QCOMPARE(session.ImageOffset().y(), std::max(0, (display.ClientHeight() - size.height()) / 2));
        }
        QVERIFY(SameRows(session.Picture(), session.original));
    }

    void aZoomKeepsTheEditAndTheReadoutItsPixels()
    {
        EditSession session;
        TForm2& display = session.Display();
        session.Run("Pop_screener_modif_mirrorH");
        Bitmap mirrored = CopyOf(session.Picture());
        Inside(display).Pop_screener_zoomUp->trigger();
        Inside(display).Menu_view_zoomUp->trigger();
        QCOMPARE(session.ImageSize(), QSize(72, 48));
        const QImage& shown = Inside(display).Image1->Shown();
        for (QPoint at : {QPoint(0, 0), QPoint(71, 47), QPoint(35, 20)}) {
            std::optional<QPoint> own = Inside(display).Image1->OwnPixel(at);
            QVERIFY(own);
            const uint8_t* bgr = mirrored.ScanLine(own->y()) + 3 * own->x();
            QCOMPARE(QColor(shown.pixel(at)), QColor(bgr[2], bgr[1], bgr[0]));
        }
        // An edit while zoomed works on the picture and is shown zoomed.
        session.Run("Pop_screener_modif_rotate90");
        QCOMPARE(session.ImageSize(), QSize(48, 72));
        QCOMPARE(QSize(session.Picture().Width(), session.Picture().Height()), QSize(40, 60));
        Inside(display).Pop_screener_zoomDown->trigger();
        Inside(display).Pop_screener_zoomDown->trigger();
        QCOMPARE(Inside(display).ZoomPercent, 0);
        Bitmap want;
        Rotate90(mirrored, want);
        QVERIFY(SameRows(session.Picture(), want));
        QCOMPARE(session.answerer.messages, QStringList());
    }

    void ctrlZTakesTheLastEditsBack()
    {
        EditSession session;
        TForm2& display = session.Display();
        session.Run("Pop_screener_colrs_invert");
        session.Run("Pop_screener_modif_rotate90");
        session.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(session.Status(1), QString("Undone: Rotate 90\u00BA"));
        QCOMPARE(session.ImageSize(), QSize(60, 40));
        session.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(session.Status(1), QString("Undone: Invert colors"));
        QVERIFY(SameRows(session.Picture(), session.original));
        session.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(session.Status(1), QString("Nothing to undo"));

        // The last five are kept; another picture drops them.
        for (int i = 0; i < 7; ++i)
            session.Run("Pop_screener_colrs_invert");
        QCOMPARE(display.UndoableEdits(), 5);
        Inside(display).Pop_screener_zoomUp->trigger();
        QCOMPARE(display.UndoableEdits(), 5);
        session.Open("p.bmp");
        QCOMPARE(display.UndoableEdits(), 0);

        // Emboss is taken back from what it kept of the very pixels it made:
        // scaled after it, the picture before it still comes back whole.
        session.Run("Pop_screener_filters_emboss3D");
        session.Run("Pop_screener_colrs_invert");
        display.ScaleImageByPercent(-50);
        session.Key(Qt::Key_Z, Qt::ControlModifier);
        session.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(session.Status(1), QString("Undone: Emboss 3D"));
        QVERIFY(SameRows(session.Picture(), session.original));
    }

    // Each undo gives back the very bytes the picture had before the edit,
    // whether the edit kept a copy or is taken back by running it again.
    void undoGivesBackTheBytesBeforeEachEdit_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<bool>("indexed");
        QTest::newRow("run again") << QStringList {"colrs_invert", "modif_mirrorH", "modif_mirrorV"} << false;
        QTest::newRow("copies kept") << QStringList {"colrs_grayscale", "modif_rotate90", "filters_emboss3D"} << false;
        QTest::newRow("both, mixed") << QStringList {"modif_mirrorH", "modif_rotate90", "colrs_invert",
            "colrs_grayscale", "modif_mirrorV"} << false;
        QTest::newRow("8-bit picture") << QStringList {"colrs_invert", "modif_mirrorV"} << true;
    }
    void undoGivesBackTheBytesBeforeEachEdit()
    {
        QFETCH(QStringList, items);
        QFETCH(bool, indexed);
        EditSession session(indexed ? std::optional(PixelFormat::Indexed8) : std::nullopt);
        std::vector<Bitmap> before;
        for (const QString& item : items) {
            before.push_back(CopyOf(session.Picture()));
            session.Run("Pop_screener_" + item);
        }
        while (!before.empty()) {
            session.Key(Qt::Key_Z, Qt::ControlModifier);
            QVERIFY(SameRows(session.Picture(), before.back()));
            QCOMPARE(session.Picture().GetPalette(), before.back().GetPalette());
            QCOMPARE(session.ImageSize(), QSize(before.back().Width(), before.back().Height()));
            before.pop_back();
        }
    }

    // What is painted is the picture shown, pixel for pixel, by either way of painting it.
    void theEditedPictureIsPaintedAsItIs_data()
    {
        QTest::addColumn<bool>("indexed");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("zoomed");
        // Painted into an image at an offset, only a part of the control: its
        // rows go straight into the image, and nothing outside the part changes.
        QTest::addColumn<QRect>("part");
        QTest::newRow("24-bit") << false << "colrs_invert" << false << QRect();
        QTest::newRow("24-bit zoomed") << false << "modif_mirrorV" << true << QRect();
        QTest::newRow("8-bit, not edited") << true << "" << false << QRect();
        QTest::newRow("24-bit, part into an image") << false << "colrs_grayscale" << false << QRect(3, 2, 17, 9);
        QTest::newRow("24-bit, whole into an image") << false << "modif_mirrorH" << false << QRect(0, 0, 999, 999);
    }
    void theEditedPictureIsPaintedAsItIs()
    {
        QFETCH(bool, indexed);
        QFETCH(QString, item);
        QFETCH(bool, zoomed);
        QFETCH(QRect, part);
        EditSession session(indexed ? std::optional(PixelFormat::Indexed8) : std::nullopt);
        if (!item.isEmpty())
            session.Run("Pop_screener_" + item);
        DisplayImage& image = *Inside(session.Display()).Image1;
        if (zoomed)
            Inside(session.Display()).Pop_screener_zoomUp->trigger();
        const QImage shown = image.Shown().convertToFormat(QImage::Format_RGB32);
        if (part.isNull()) {
            const QImage painted = image.grab().toImage().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(painted.copy(shown.rect()), shown);
            // And as the window's own pixels hold it once painted.
            QWidget& window = *image.window();
            window.repaint();
            const QImage held = window.screen()->grabWindow(window.winId()).toImage();
            const QRect place(image.mapTo(&window, QPoint(0, 0)), shown.size());
            QCOMPARE(held.convertToFormat(QImage::Format_RGB32).copy(place), shown);
            return;
        }
        // The part's corner goes to the offset; nothing else of the image changes.
        const QPoint offset(5, 4);
        const QRect painted = part.intersected(image.rect());
        QImage onto(shown.size() + QSize(10, 8), QImage::Format_RGB32);
        onto.fill(Qt::red);
        image.render(&onto, offset, QRegion(painted), QWidget::RenderFlags());
        QImage expected(onto.size(), QImage::Format_RGB32);
        expected.fill(Qt::red);
        QPainter(&expected).drawImage(offset, shown, painted);
        QCOMPARE(onto, expected);
    }

    // Full screen hides the status bar: what undo says shows over the picture.
    void undoSpeaksOverTheFullScreenPicture()
    {
        DisplaySession session({{"p.bmp", 60, 40}}, {.fullScreen = true});
        session.Open("p.bmp");
        TForm2& display = session.Display();
        display.findChild<QAction*>("Pop_screener_colrs_invertCopy")->trigger();
        for (QString said : {"Undone: Invert colors", "Nothing to undo"}) {
            session.Key(Qt::Key_Z, Qt::ControlModifier);
            auto* notice = display.findChild<QLabel*>("Label_notice");
            QVERIFY(notice && notice->isVisible());
            QCOMPARE(notice->text(), said);
            QVERIFY(display.rect().contains(notice->geometry()));
        }
    }
};

PELMORA_WINDOW_TEST_MAIN(DisplayEditTest)
#include "display_edit_test.moc"
