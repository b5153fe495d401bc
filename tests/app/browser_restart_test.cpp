// What a restart brings back: the window's size and place (maximized too)
// unchanged by a start and a close, and the file focused before, found by its
// name and previewed even when it cannot be read.
#include "WindowTestSupport.h"

#include <QScreen>

using namespace pelmora;
using namespace pelmora::test;

namespace {

const char* const kPreferences = "Preferences";

QRect StoredOuter(const WindowSession& session)
{
    IniFile settings = session.Settings();
    auto key = [&](const char* name) { return settings.ReadInteger(kPreferences, name, -12345); };
    return QRect(key("WindowLeft"), key("WindowTop"), key("WindowWidth"), key("WindowHeight"));
}

} // namespace

class BrowserRestartTest : public QObject {
    Q_OBJECT
private slots:
    void geometrySurvivesRestarts_data()
    {
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QRect>("kept");
        QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QTest::newRow("normal") << false << QRect(40, 30, 640, 520) << QRect(40, 30, 640, 520);
        QTest::newRow("maximized") << true << QRect(40, 30, 640, 520) << QRect(40, 30, 640, 520);
        QTest::newRow("larger than the screen") << false << QRect(-1, -1, 4000, 3000) << screen;
    }
    void geometrySurvivesRestarts()
    {
        QFETCH(bool, maximized);
        QFETCH(QRect, stored);
        QFETCH(QRect, kept);
        WindowSession session;
        IniFile settings = session.Settings();
        settings.WriteInteger(kPreferences, "WindowLeft", stored.left());
        settings.WriteInteger(kPreferences, "WindowTop", stored.top());
        settings.WriteInteger(kPreferences, "WindowWidth", stored.width());
        settings.WriteInteger(kPreferences, "WindowHeight", stored.height());
        settings.WriteBool(kPreferences, "WindowMaximized", maximized);
        for (int run = 0; run < 2; ++run) {
            TForm1& browser = session.Start();
            QCOMPARE(browser.isMaximized(), maximized);
            if (!maximized)
                QCOMPARE(browser.frameGeometry(), kept);
            session.Stop();
            QCOMPARE(StoredOuter(session), kept);
            QCOMPARE(settings.ReadBool(kPreferences, "WindowMaximized", !maximized), maximized);
        }
    }

    void theRememberedFileIsFoundByItsName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("added"); // a file that came since the last run
        QTest::addColumn<QString>("focused");
        QTest::newRow("a file came before it") << "c.bmp"
                                               << "a0.bmp"
                                               << "c.bmp";
        QTest::newRow("its name is gone: its position") << "gone.bmp"
                                                        << ""
                                                        << "b.bmp";
        QTest::newRow("it cannot be read") << "d.bmp"
                                           << ""
                                           << "d.bmp";
    }
    void theRememberedFileIsFoundByItsName()
    {
        QFETCH(QString, name);
        QFETCH(QString, added);
        QFETCH(QString, focused);
        WindowSession session;
        session.ListPicturesAtStart();
        for (QString file : {"a.bmp", "b.bmp", "c.bmp"})
            WriteBitmapFile(session.Pictures() + file, 8, 8);
        WriteSizedFile(session.Pictures() + "d.bmp", 100);
        if (!added.isEmpty())
            WriteBitmapFile(session.Pictures() + added, 8, 8);
        session.Settings().WriteString(kPreferences, "SelectedName", name.toStdString());
        session.Settings().WriteInteger(kPreferences, "SelectedFile", 1);
        TForm1& browser = session.Start();
        QCOMPARE(Inside(browser).ListView_files->Caption(Inside(browser).ListView_files->FocusedPosition()), focused);
        // A file that cannot be read is previewed as any other: its message in the pane, no box.
        QVERIFY(session.answerer.messages.isEmpty());
        QCOMPARE(Inside(browser).Image1->HasMessage(), focused == "d.bmp");
        session.Stop();
        QCOMPARE(QString::fromStdString(session.Settings().ReadString(kPreferences, "SelectedName", "")), focused);
    }
};

PELMORA_WINDOW_TEST_MAIN(BrowserRestartTest)
#include "browser_restart_test.moc"
