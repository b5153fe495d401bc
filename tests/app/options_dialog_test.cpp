// The options dialog, opened by the browser's options button and by the
// display window's "| Options ...": what it shows of the settings and writes
// back, its two spinners, Cancel, Esc and the close box writing nothing, and
// what Ok changes at once in the browser and the display window.
#include "DisplayTestSupport.h"

#include "app/Pelmora_options.h"
#include "tests/support/OptionsAccess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>

using namespace pelmora;
using namespace pelmora::test;

namespace {

const char* const kKeys[] = {"FullScreenView", "FitToWindow", "UserFilters", "PelmoraTopMenu", "HideImageOnLoad",
    "DeleteToTrash", "SlideDelay", "PanelFiles", "DriveTypes"};

// The dialog's state in one line: the six check boxes, the delay, the position, the drives.
QString Shown(TForm6& form)
{
    OptionsAccess dialog = Inside(form);
    QString boxes;
    for (QCheckBox* box : {dialog.CheckBox_fullscreen, dialog.CheckBox_fitimage, dialog.CheckBox_savefilter,
             dialog.CheckBox_hidemenu, dialog.CheckBox_showimage, dialog.CheckBox_trash})
        boxes += box->isChecked() ? '1' : '0';
    return QString("%1 %2 %3 %4")
        .arg(boxes, dialog.Edit_slideshow_delay->text(), dialog.Edit_explorer_screen->text())
        .arg(dialog.ComboBox_drivetypes->currentIndex());
}

// The settings in the same form ("-" for a missing key).
QString Written(const IniFile& settings)
{
    QStringList values;
    for (const char* key : kKeys)
        values.append(QString::fromStdString(settings.ReadString("Preferences", key, "-")));
    QString boxes = values.mid(0, 6).join("");
    QString position = values[7] == "0" ? "Top" : values[7] == "1" ? "Left" : values[7];
    return QString("%1 %2 %3 %4").arg(boxes, values[6], position, values[8]);
}

class OptionsSession : public DisplaySession {
public:
    explicit OptionsSession(DisplaySetup setup = {})
        : DisplaySession({{"a.bmp", 8, 8}, {"b.bmp", 8, 8}, {"c.bmp", 8, 8}}, setup)
    {
    }
    TForm6& Options() { return *windows->Form6; }
    // Runs the options command from the browser's button or the display
    // window's item; `answer` acts on the shown dialog and closes it.
    void Run(std::function<void(TForm6&)> answer, bool fromDisplay = false)
    {
        answerer.answerDialog = [answer](QDialog* dialog) {
            if (auto* options = qobject_cast<TForm6*>(dialog))
                answer(*options);
        };
        if (fromDisplay)
            Inside(Display()).Pop_screener_options->trigger();
        else
            Inside(Browser()).ToolButton_options->click();
        QCoreApplication::processEvents();
    }
};

void Press(QWidget* control, int key)
{
    control->setFocus();
    QTest::keyClick(control, Qt::Key(key));
}

} // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheSettingsAndOkWritesThem_data()
    {
        QTest::addColumn<QStringList>("settings"); // key=value; the other keys are missing
        QTest::addColumn<QString>("shown");
        QTest::newRow("defaults") << QStringList() << "101001 2 Top 0";
        QTest::newRow("delay 45 is shown and written as 30") << QStringList {"SlideDelay=45"} << "101001 30 Top 0";
        QTest::newRow("every value the other way") << QStringList {"FullScreenView=0", "FitToWindow=1", "UserFilters=0",
            "PelmoraTopMenu=1", "HideImageOnLoad=1", "DeleteToTrash=0", "SlideDelay=7", "PanelFiles=1", "DriveTypes=1"}
                                                   << "010110 7 Left 1";
    }
    void showsTheSettingsAndOkWritesThem()
    {
        QFETCH(QStringList, settings);
        QFETCH(QString, shown);
        OptionsSession session;
        IniFile file = session.Settings();
        for (const char* key : kKeys)
            file.DeleteKey("Preferences", key);
        for (const QString& setting : settings)
            file.WriteString(
                "Preferences", setting.section('=', 0, 0).toStdString(), setting.section('=', 1).toStdString());
        QString seen;
        session.Run([&](TForm6& form) {
            OptionsAccess dialog = Inside(form);
            seen = Shown(form);
            dialog.Button1->click();
        });
        QCOMPARE(seen, shown);
        QCOMPARE(Written(file), shown);
        QCOMPARE(session.Options().windowTitle(), QString("   Options..."));
        QCOMPARE(Inside(session.Options()).ComboBox_drivetypes->itemText(1), QString("All drives (inc Floppy)"));
    }

    void spinnersStayInRangeAndPositionToggles_data()
    {
        QTest::addColumn<QString>("setting"); // SlideDelay or PanelFiles
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("written");
        QTest::newRow("up at 30 keeps 30") << "SlideDelay" << 30 << int(Qt::Key_Up) << "30" << 30;
        QTest::newRow("down at 0 keeps 0") << "SlideDelay" << 0 << int(Qt::Key_Down) << "0" << 0;
        QTest::newRow("up raises the delay") << "SlideDelay" << 5 << int(Qt::Key_Up) << "6" << 6;
        QTest::newRow("down lowers it") << "SlideDelay" << 5 << int(Qt::Key_Down) << "4" << 4;
        QTest::newRow("Top, up") << "PanelFiles" << 0 << int(Qt::Key_Up) << "Left" << 1;
        QTest::newRow("Top, down") << "PanelFiles" << 0 << int(Qt::Key_Down) << "Left" << 1;
        QTest::newRow("Left, down") << "PanelFiles" << 1 << int(Qt::Key_Down) << "Top" << 0;
        QTest::newRow("Left, up") << "PanelFiles" << 1 << int(Qt::Key_Up) << "Top" << 0;
    }
    void spinnersStayInRangeAndPositionToggles()
    {
        QFETCH(QString, setting);
        QFETCH(int, value);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, written);
        OptionsSession session;
        session.Settings().WriteInteger("Preferences", setting.toStdString(), value);
        bool delay = setting == "SlideDelay";
        QString shown;
        session.Run([&](TForm6& form) {
            OptionsAccess dialog = Inside(form);
            Press(delay ? dialog.Scroll_slideshow_delay : dialog.Scroll_explorer_screen, key);
            shown = (delay ? dialog.Edit_slideshow_delay : dialog.Edit_explorer_screen)->text();
            dialog.Button1->click();
        });
        QCOMPARE(shown, text);
        QCOMPARE(session.Settings().ReadInteger("Preferences", setting.toStdString(), -1), written);
    }

    void cancelWritesNothingAndLeavesTheBrowser_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "Cancel";
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("the close box") << "close";
        QTest::newRow("Enter on a check box does nothing, then Esc") << "Enter";
    }
    void cancelWritesNothingAndLeavesTheBrowser()
    {
        QFETCH(QString, how);
        OptionsSession session;
        std::vector<uint8_t> before = ReadFile(session.Settings().FileName());
        quint64 listing = session.Browser().ListingGeneration();
        bool stayedOpen = false;
        session.Run([&](TForm6& form) {
            OptionsAccess dialog = Inside(form);
            for (QCheckBox* box : form.findChildren<QCheckBox*>())
                box->click();
            Press(dialog.Scroll_explorer_screen, Qt::Key_Up);
            if (how == "Enter") {
                Press(dialog.CheckBox_fitimage, Qt::Key_Return);
                stayedOpen = form.isVisible();
            }
            if (how == "Cancel")
                dialog.Button2->click();
            else if (how == "close")
                form.close();
            else
                Press(dialog.CheckBox_fitimage, Qt::Key_Escape);
        });
        QVERIFY(!session.Options().isVisible());
        QCOMPARE(session.Options().LastResult(), int(QDialog::Rejected));
        QVERIFY(ReadFile(session.Settings().FileName()) == before);
        QCOMPARE(session.Browser().ListingGeneration(), listing);
        QCOMPARE(stayedOpen, how == "Enter");
    }

    void okAppliesAtOnceKeepingTheSelectedPosition_data()
    {
        QTest::addColumn<bool>("toLeft");
        QTest::addColumn<bool>("hideImage");
        QTest::newRow("file panel left, preview shown") << true << false;
        QTest::newRow("file panel on top, preview hidden") << false << true;
    }
    void okAppliesAtOnceKeepingTheSelectedPosition()
    {
        QFETCH(bool, toLeft);
        QFETCH(bool, hideImage);
        OptionsSession session;
        session.List().FocusAndSelect(1);
        quint64 listing = session.Browser().ListingGeneration();
        session.Run([&](TForm6& form) {
            OptionsAccess dialog = Inside(form);
            if (toLeft)
                Press(dialog.Scroll_explorer_screen, Qt::Key_Down);
            if (dialog.CheckBox_showimage->isChecked() != hideImage)
                dialog.CheckBox_showimage->click();
            Press(dialog.ComboBox_drivetypes, Qt::Key_Down);
            Press(dialog.Button1, Qt::Key_Return);
        });
        QCOMPARE(session.Options().LastResult(), int(QDialog::Accepted));
        SettleLoads();
        QVERIFY(session.Browser().ListingGeneration() > listing);
        QCOMPARE(Inside(session.Browser()).Splitter1->orientation(), toLeft ? Qt::Horizontal : Qt::Vertical);
        QCOMPARE(Inside(session.Browser()).DriveTypesSetting, 1);
        QCOMPARE(session.List().SelectionPosition(), 1);
        QCOMPARE(session.List().FocusedPosition(), 1);
        QCOMPARE(Inside(session.Browser()).Image1->HasPicture(), !hideImage);
    }

    void okRunsTheDisplayTogglesThatDiffer_data()
    {
        QTest::addColumn<QString>("toggle"); // fit or menu
        QTest::addColumn<bool>("setting");
        QTest::addColumn<bool>("userToggled"); // the display window's command run since
        QTest::addColumn<bool>("boxClicked");
        QTest::addColumn<bool>("after");
        QTest::newRow("fit: box checked") << "fit" << false << false << true << true;
        QTest::newRow("fit: checked on both sides stays") << "fit" << true << false << false << true;
        QTest::newRow("fit: turned on in the window, box unchecked") << "fit" << false << true << false << false;
        QTest::newRow("menu: box checked") << "menu" << false << false << true << true;
        QTest::newRow("menu: box unchecked") << "menu" << true << false << true << false;
    }
    void okRunsTheDisplayTogglesThatDiffer()
    {
        QFETCH(QString, toggle);
        QFETCH(bool, setting);
        QFETCH(bool, userToggled);
        QFETCH(bool, boxClicked);
        QFETCH(bool, after);
        bool fit = toggle == "fit";
        OptionsSession session({.fit = fit && setting, .menuHidden = !fit && setting});
        TForm2& display = session.Display();
        auto state = [&] { return fit ? display.FitToWindow() : display.MenuHidden(); };
        if (userToggled)
            (fit ? Inside(display).Pop_screener_fitwindow : Inside(display).Pop_screener_hidemenu)->trigger();
        session.Run([&](TForm6& form) {
            OptionsAccess dialog = Inside(form);
            if (boxClicked)
                (fit ? dialog.CheckBox_fitimage : dialog.CheckBox_hidemenu)->click();
            dialog.Button1->click();
        });
        QCOMPARE(state(), after);
        QCOMPARE((fit ? Inside(display).Menu_view_fitwindow : Inside(display).Menu_view_hidemenu)->isChecked(), after);
    }

    void aFullScreenChangeRestylesTheDisplayWindow_data()
    {
        QTest::addColumn<bool>("fromDisplay");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("fullScreenAfter");
        QTest::newRow("Ok in the display window") << true << true << false;
        QTest::newRow("Cancel in the display window") << true << false << true;
        QTest::newRow("Ok from the browser") << false << true << false;
    }
    void aFullScreenChangeRestylesTheDisplayWindow()
    {
        QFETCH(bool, fromDisplay);
        QFETCH(bool, ok);
        QFETCH(bool, fullScreenAfter);
        OptionsSession session;
        if (fromDisplay)
            session.Open("b.bmp");
        session.Run(
            [&](TForm6& form) {
                OptionsAccess dialog = Inside(form);
                dialog.CheckBox_fullscreen->click();
                (ok ? dialog.Button1 : dialog.Button2)->click();
            },
            fromDisplay);
        QCOMPARE(Inside(session.Browser()).FullScreenView, fullScreenAfter);
        QCOMPARE(session.Display().isVisible(), fromDisplay);
        if (!fromDisplay)
            session.Open("b.bmp");
        QCOMPARE(bool(session.Display().windowFlags() & Qt::FramelessWindowHint), fullScreenAfter);
        QCOMPARE(Inside(session.Display()).StatusBar1->isVisible(), !fullScreenAfter);
        QCOMPARE(session.Shown(), QString("b.bmp"));
    }
};

PELMORA_WINDOW_TEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
