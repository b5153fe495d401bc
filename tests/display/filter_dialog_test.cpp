// The filter value dialog (TForm4) as the display window's commands set it
// up: each kind's layout, default and remembered key, the Sharpen and
// FishEye tenths, the Resize ratio and kernel, the key filter and the
// conversion error.
#include "tests/app/DisplayTestSupport.h"

#include "effects/FilterKinds.h"
#include "effects/dialog/Pelmora_filters.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace pelmora;
using namespace pelmora::test;

namespace {

const FilterKind& Kind(const char* operation)
{
    return *FindFilterKindByOperation(operation);
}

// The browser's windows with the dialog left to the test: shown by it, closed by it.
class DialogSession : public DisplaySession {
public:
    DialogSession()
        : DisplaySession({})
    {
        answerer.answerDialog = [](QDialog*) {};
    }
    TForm4& Dialog() { return *windows->Form4; }
    // Set up for the kind of a 400 x 300 picture, as the command does, and shown.
    TForm4& Show(const FilterKind& kind)
    {
        Dialog().SetUpFor(kind, 400, 300);
        Dialog().show();
        Dialog().activateWindow();
        QCoreApplication::processEvents();
        return Dialog();
    }
    QString Remembered(const char* key) { return QString::fromStdString(Settings().ReadString("Filters", key, "-")); }
};

} // namespace

class FilterDialogTest : public QObject {
    Q_OBJECT
private slots:
    void eachKindsLayoutDefaultAndKey_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("labels");
        QTest::addColumn<QString>("shown"); // Edit_opt's text at the default
        struct Row {
            const char *operation, *key;
            int height;
            const char *labels, *shown;
        };
        for (Row r : std::initializer_list<Row> {{"Sharpen", "Sharpen", 47, "Filter value :", "2.5"},
                 {"Convolve", "Convolve", 70, "Filter value :|Edge value :", "4"},
                 {"Emboss", "Emboss", 47, "Filter value :", "1"}, {"Mosaic", "Mosaic", 47, "Filter value :", "6"},
                 {"FishEye", "FishEye", 47, "Filter value :", "1"}, {"Trace", "Trace", 47, "Filter value :", "1"},
                 {"Posterize", "Posterize", 47, "Filter value :", "50"},
                 {"SplitBlur", "SplitBlur", 47, "Filter value :", "5"},
                 {"GaussianBlur", "GaussianBlur", 47, "Filter value :", "5"},
                 {"TriangleBlur", "TriangleBlur", 47, "Filter value :", "8"},
                 {"RippleRandom", "RippleRandom", 47, "Filter value :", "6"},
                 {"Spray", "Spray", 47, "Filter value :", "4"},
                 {"RippleTooth", "RippleTooth", 47, "Filter value :", "7"},
                 {"RippleTriangle", "RippleTriangle", 47, "Filter value :", "8"},
                 {"Contrast", "Contrast", 47, "Filter value :", "6"},
                 {"Lightness", "Lightness", 47, "Filter value :", "4"},
                 {"Darkness", "Darkness", 47, "Filter value :", "3"},
                 {"Saturation", "Saturation", 47, "Filter value :", "10"},
                 {"Resample", "Resize", 121, "Width :|Height :", "400"}})
            QTest::newRow(r.operation) << r.operation << r.key << r.height << r.labels << r.shown;
    }
    void eachKindsLayoutDefaultAndKey()
    {
        QFETCH(QString, operation);
        QFETCH(QString, key);
        QFETCH(int, height);
        QFETCH(QString, labels);
        QFETCH(QString, shown);
        DialogSession session;
        const FilterKind& kind = Kind(operation.toLatin1().constData());
        TForm4& dialog = session.Show(kind);
        QCOMPARE(dialog.FilterKey, key);
        QCOMPARE(dialog.height(), height);
        QCOMPARE(dialog.width(), 119);
        QStringList shownLabels {dialog.Label_opt->text()};
        if (dialog.Label_opt2->isVisible())
            shownLabels.append(dialog.Label_opt2->text());
        QCOMPARE(shownLabels.join('|'), labels);
        QCOMPARE(dialog.Edit_opt->text(), shown);
        // The rows below the visible area are out of the keyboard's reach.
        QCOMPARE(dialog.ScrollEdit_opt2->isVisibleTo(&dialog), kind.valueCount >= 2);
        QCOMPARE(dialog.CheckBox_ratio->isVisibleTo(&dialog), kind.valueCount == 3);
        QCOMPARE(dialog.Edit_opt->isReadOnly(), kind.valueCount != 3);
        int defaultPosition = (kind.sizeOfPicture ? dialog.ScrollEdit_opt3 : dialog.ScrollEdit_opt)->value();
        dialog.reject();
        QCOMPARE(session.Remembered(kind.key), QString::number(defaultPosition));

        // A remembered value comes back, clamped by the bar; Esc cancels and still stores.
        session.Settings().WriteInteger("Filters", kind.key, 100000);
        session.Show(kind);
        QScrollBar* remembered = kind.sizeOfPicture ? dialog.ScrollEdit_opt3 : dialog.ScrollEdit_opt;
        QCOMPARE(remembered->value(), remembered->maximum());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(session.Remembered(kind.key), QString::number(remembered->maximum()));
    }

    void tenthsInTheUsersSeparator_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Sharpen -4") << "Sharpen" << -4 << "C"
                                    << "-0.4";
        QTest::newRow("Sharpen 400") << "Sharpen" << 400 << "C"
                                     << "40";
        QTest::newRow("FishEye 10") << "FishEye" << 10 << "C"
                                    << "1";
        QTest::newRow("Sharpen 25, German") << "Sharpen" << 25 << "de_DE"
                                            << "2,5";
    }
    void tenthsInTheUsersSeparator()
    {
        QFETCH(QString, operation);
        QFETCH(int, position);
        QFETCH(QString, locale);
        QFETCH(QString, shown);
        QLocale::setDefault(QLocale(locale));
        DialogSession session;
        session.Settings().WriteInteger("Filters", operation.toStdString(), position);
        TForm4& dialog = session.Show(Kind(operation.toLatin1().constData()));
        QCOMPARE(dialog.Edit_opt->text(), shown);
        dialog.accept();
        QLocale::setDefault(QLocale::c());
    }

    void resizeKeepsTheRatioAndNamesTheKernel()
    {
        DialogSession session;
        TForm4& dialog = session.Show(Kind("Resample"));
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.Edit_opt3->text(), QString("Lanczos3 filter"));
        QVERIFY(dialog.CheckBox_ratio->isChecked());
        // Typing 200 into the width box gives the height 150.
        dialog.Edit_opt->setFocus();
        dialog.Edit_opt->selectAll();
        QTest::keyClicks(dialog.Edit_opt, "2x0.0");
        QCOMPARE(dialog.Edit_opt->text(), QString("200"));
        QCOMPARE(dialog.ScrollEdit_opt2->value(), 150);
        QCOMPARE(dialog.Edit_opt2->text(), QString("150"));
        // Moving the height bar to 100 gives the width 133.
        dialog.ScrollEdit_opt2->setFocus();
        dialog.ScrollEdit_opt2->setValue(100);
        QCOMPARE(dialog.ScrollEdit_opt->value(), 133);
        QCOMPARE(dialog.Edit_opt->text(), QString("133"));
        // Without the ratio the other size stays; checking it again recomputes the height from the width.
        dialog.CheckBox_ratio->click();
        dialog.ScrollEdit_opt2->setValue(50);
        QCOMPARE(dialog.ScrollEdit_opt->value(), 133);
        dialog.CheckBox_ratio->click();
        QCOMPARE(dialog.ScrollEdit_opt2->value(), 133 * 300 / 400);
        // Typed sizes are clamped: 0 becomes 1, above 20000 20000.
        dialog.Edit_opt->setFocus();
        dialog.Edit_opt->selectAll();
        QTest::keyClicks(dialog.Edit_opt, "0");
        QCOMPARE(dialog.ScrollEdit_opt->value(), 1);
        dialog.Edit_opt->setText("99999");
        QTest::keyClick(dialog.Edit_opt, Qt::Key_End);
        QCOMPARE(dialog.ScrollEdit_opt->value(), 20000);

        for (auto [position, label] : {std::pair {0, "Box filter"}, {6, "Mitchell filter"}, {2, "Hermite filter"}}) {
            dialog.ScrollEdit_opt3->setValue(position);
            QCOMPARE(dialog.Edit_opt3->text(), QString(label));
            QCOMPARE(QString(KernelLabels[size_t(position)]), QString(label));
        }
        dialog.Button_opt_ok->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(session.Remembered("Resize"), QString("2"));
        QCOMPARE(session.Remembered("Mosaic"), QString("-"));
    }

    void aValueThatIsNoWholeNumberIsAConversionError()
    {
        DialogSession session;
        TForm4& dialog = session.Show(Kind("Resample"));
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.Edit_opt->setFocus();
        dialog.Edit_opt->selectAll();
        QTest::keyClick(dialog.Edit_opt, Qt::Key_Backspace);
        QCOMPARE(session.answerer.messages, QStringList {"'' is not a valid integer value"});
        QCOMPARE(dialog.ScrollEdit_opt->value(), 400);
        dialog.reject();

        // Sharpen's read-only box holds a decimal text: a key in it cannot be read back.
        session.Show(Kind("Sharpen"));
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.Edit_opt->setFocus();
        QTest::keyClick(dialog.Edit_opt, Qt::Key_Right);
        QCOMPARE(session.answerer.messages.last(), QString("'2.5' is not a valid integer value"));
        QCOMPARE(dialog.ScrollEdit_opt->value(), 25);
        dialog.reject();
    }

    void withUserFiltersOffNothingIsStoredButEarlierValuesAreRead()
    {
        DialogSession session;
        session.Settings().WriteBool("Preferences", "UserFilters", false);
        session.Settings().WriteInteger("Filters", "Mosaic", 12);
        TForm4& dialog = session.Show(Kind("Mosaic"));
        QCOMPARE(dialog.ScrollEdit_opt->value(), 12);
        dialog.ScrollEdit_opt->setValue(20);
        dialog.accept();
        QCOMPARE(session.Remembered("Mosaic"), QString("12"));
    }
};

PELMORA_WINDOW_TEST_MAIN(FilterDialogTest)
#include "filter_dialog_test.moc"
