// Program start and the window's commands around it: the command-line file,
// HideImageOnLoad, the windows created at start, the about box, help, exit.
#include "WindowTestSupport.h"

#include "app/HelpWindow.h"
#include "app/Pelmora_about.h"
#include "app/Pelmora_options.h"
#include "app/Pelmora_paths.h"
#include "display/Pelmora_click.h"
#include "display/Pelmora_screen.h"
#include "effects/dialog/Pelmora_filters.h"
#include "formats/Picture.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QUrl>

using namespace pelmora;
using namespace pelmora::test;

namespace {

// Stands in for the desktop's program for documents; one that refuses has no slot to call.
class DocumentOpener : public QObject {
    Q_OBJECT
public:
    explicit DocumentOpener(bool takes = true)
    {
        QDesktopServices::setUrlHandler("file", this, takes ? "Open" : "Refuse");
    }
    ~DocumentOpener() override { QDesktopServices::unsetUrlHandler("file"); }
    QStringList opened;
public slots:
    void Open(const QUrl& url) { opened.append(url.toLocalFile()); }
};

struct StartResult {
    int focused = -1;
    int selected = 0;
    bool previewed = false;
    QStringList shown; // "width x height" of each picture handed to the display window
};

StartResult StartWith(WindowSession& session, const QString& argument)
{
    StartResult result;
    TForm1& browser = session.Start(argument, [&](TForm1& b) {
        // In place of the display window.
        QObject::disconnect(&b, &TForm1::PictureOpened, nullptr, nullptr);
        QObject::connect(&b, &TForm1::PictureOpened, &b, [&](Picture& picture) {
            result.shown.append(QString("%1x%2").arg(picture.Width()).arg(picture.Height()));
        });
    });
    result.focused = Inside(browser).ListView_files->FocusedPosition();
    result.selected = Inside(browser).ListView_files->SelectedCount();
    result.previewed = Inside(browser).Image1->HasPicture();
    return result;
}

} // namespace

class BrowserStartupTest : public QObject {
    Q_OBJECT
private slots:
    void commandLineFileIsListedFocusedAndShown_data()
    {
        QTest::addColumn<QString>("argument"); // below the session's pictures
        QTest::addColumn<bool>("hideImage");
        QTest::addColumn<int>("focused");
        QTest::addColumn<bool>("previewed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("the file") << "b.bmp" << false << 1 << false << QStringList { "20x10" };
        QTest::newRow("letter case ignored") << "B.BMP" << false << 1 << false << QStringList { "20x10" };
        QTest::newRow("a name's beginning") << "c" << false << 2 << false << QStringList { "30x10" };
        QTest::newRow("HideImageOnLoad: previewed, not shown") << "b.bmp" << true << 1 << true << QStringList {};
        QTest::newRow("no such entry") << "z.bmp" << false << -1 << false << QStringList {};
    }
    void commandLineFileIsListedFocusedAndShown()
    {
        QFETCH(QString, argument);
        QFETCH(bool, hideImage);
        QFETCH(int, focused);
        QFETCH(bool, previewed);
        QFETCH(QStringList, shown);
        WindowSession session;
        WriteBitmapFile(session.Pictures() + "a.bmp", 10, 10);
        WriteBitmapFile(session.Pictures() + "b.bmp", 20, 10);
        WriteBitmapFile(session.Pictures() + "c.bmp", 30, 10);
        session.Settings().WriteBool("Preferences", "HideImageOnLoad", hideImage);
        // The argument's folder wins over the one the settings name.
        session.Settings().WriteString("Preferences", "OpenPath", session.Home().toStdString());
        StartResult result = StartWith(session, session.Pictures() + argument);
        QCOMPARE(Inside(*session.windows->Form1).CurrentFolder, session.Pictures());
        QVERIFY(session.windows->Form1->StartedWithFile());
        QCOMPARE(result.focused, focused);
        QCOMPARE(result.selected, focused >= 0 ? 1 : 0);
        QCOMPARE(result.previewed, previewed);
        QCOMPARE(result.shown, shown);
    }

    void withoutAnArgumentHideImageOnLoadOnlySkipsThePreview()
    {
        WindowSession session;
        session.ListPicturesAtStart();
        WriteBitmapFile(session.Pictures() + "a.bmp", 10, 10);
        session.Settings().WriteBool("Preferences", "HideImageOnLoad", true);
        StartResult result = StartWith(session, {});
        QCOMPARE(result.focused, 0);
        QCOMPARE(result.selected, 1);
        QVERIFY(!result.previewed);
        QVERIFY(result.shown.isEmpty());
        QVERIFY(!session.windows->Form1->StartedWithFile());
    }

    void theSevenWindowsExistFromTheStart()
    {
        WindowSession session;
        session.Start();
        PelmoraWindows& windows = *session.windows;
        QVERIFY(windows.Form1 && windows.FormAbout && windows.Form2 && windows.Form3 && windows.Form4 && windows.Form5
            && windows.Form6);
        QVERIFY(windows.Form1->isVisible());
        for (QWidget* other :
            { static_cast<QWidget*>(windows.FormAbout.get()), static_cast<QWidget*>(windows.Form2.get()),
                static_cast<QWidget*>(windows.Form3.get()), static_cast<QWidget*>(windows.Form4.get()),
                static_cast<QWidget*>(windows.Form5.get()), static_cast<QWidget*>(windows.Form6.get()) })
            QVERIFY(!other->isVisible());
    }

    void aboutBoxFromTheToolbarAndTheWindowMenu()
    {
        WindowSession session;
        TForm1& browser = session.Start();
        Inside(browser).ToolButton_about->click();
        QList<QAction*> windowMenu = Inside(browser).PopupMenu_window->actions();
        QCOMPARE(windowMenu.size(), 1);
        QCOMPARE(windowMenu.first()->text(), QString("&About..."));
        windowMenu.first()->trigger();
        QCOMPARE(session.answerer.dialogs, (QStringList { "About Picture Pelmora", "About Picture Pelmora" }));
        QVERIFY(BuiltOnText().startsWith("Qt "));
    }

    void helpShowsTheTextGuideInItsOwnWindow_data()
    {
        QTest::addColumn<bool>("htmlHelp");
        QTest::addColumn<bool>("launcher");
        QTest::addColumn<bool>("textGuide");
        QTest::newRow("no HTML help") << false << true << true;
        QTest::newRow("no program takes the HTML help") << true << false << true;
        QTest::newRow("no guide at all") << false << false << false;
    }
    void helpShowsTheTextGuideInItsOwnWindow()
    {
        QFETCH(bool, htmlHelp);
        QFETCH(bool, launcher);
        QFETCH(bool, textGuide);
        WindowSession session;
        if (htmlHelp)
            WriteSizedFile(session.ProgramFolderPath() + "Pelmora.chm", 10);
        if (textGuide) {
            QFile guide(session.ProgramFolderPath() + "Pelmora.txt");
            QVERIFY(guide.open(QIODevice::WriteOnly));
            guide.write("Picture Pelmora\nthe slideshow steps\nslideshow again\n");
        }
        TForm1& browser = session.Start();
        DocumentOpener opener(launcher);
        Inside(browser).ToolButton_help->click();
        QVERIFY(opener.opened.isEmpty());
        auto* help = browser.findChild<HelpWindow*>();
        if (!textGuide) {
            QCOMPARE(session.answerer.messages, QStringList {"Help file not found"});
            QVERIFY(!help || !help->isVisible());
            return;
        }
        QVERIFY(session.answerer.messages.isEmpty());
        QVERIFY(help && help->isVisible());
        QVERIFY(help->Memo_help->isReadOnly());
        QTest::keyClicks(help->Edit_search, "slideshow");
        QCOMPARE(help->Memo_help->textCursor().blockNumber(), 1);
        QTest::keyClick(help->Edit_search, Qt::Key_Return);
        QCOMPARE(help->Memo_help->textCursor().blockNumber(), 2);
        QVERIFY(help->FindNext());
        QCOMPARE(help->Memo_help->textCursor().blockNumber(), 1);
        QTest::keyClick(help->Edit_search, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    }

    void helpOpensTheHtmlHelpWhenItIsThere()
    {
        WindowSession session;
        WriteSizedFile(session.ProgramFolderPath() + "Pelmora.chm", 10);
        TForm1& browser = session.Start();
        DocumentOpener opener;
        // F1 anywhere in the browser presses the help button.
        Inside(browser).ListView_files->setFocus();
        QTest::keyClick(Inside(browser).ListView_files, Qt::Key_F1);
        QVERIFY(session.answerer.messages.isEmpty());
        QCOMPARE(opener.opened, QStringList { session.ProgramFolderPath() + "Pelmora.chm" });
    }

    void everyControlHasAName()
    {
        WindowSession session;
        TForm1& browser = session.Start();
        QCOMPARE(Inside(browser).ToolButton_copy->accessibleName(), QString("Copy file"));
        QCOMPARE(Inside(browser).ToolButton_options->accessibleName(), QString("Options"));
        QCOMPARE(Inside(browser).ToolButton_delete->accessibleName(), QString("Delete file (Del)"));
        // What a screen reader reads: a name of its own for every control, not padded.
        PelmoraWindows& windows = *session.windows;
        for (QWidget* window : {static_cast<QWidget*>(&browser), static_cast<QWidget*>(windows.Form2.get()),
                 static_cast<QWidget*>(windows.Form3.get()), static_cast<QWidget*>(windows.Form5.get())})
            for (QWidget* control : window->findChildren<QWidget*>()) {
                if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QAbstractScrollArea*>(control)
                    && !qobject_cast<QLineEdit*>(control) && !qobject_cast<QComboBox*>(control))
                    continue;
                // A header's sections are named by their captions; hidden controls are out of reach.
                if (qobject_cast<QHeaderView*>(control) || !control->isVisibleTo(window))
                    continue;
                QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
                QVERIFY2(!name.isEmpty() && name == name.trimmed(), qPrintable(control->objectName()));
            }
    }

    void exitClosesTheBrowser()
    {
        WindowSession session;
        TForm1& browser = session.Start();
        bool closed = false;
        connect(&browser, &TForm1::Closed, this, [&] { closed = true; });
        Inside(browser).ToolButton_exit->click();
        QVERIFY(closed);
        QVERIFY(!browser.isVisible());
        QVERIFY(session.Settings().ValueExists("Preferences", "WindowWidth"));
    }
};

PELMORA_WINDOW_TEST_MAIN(BrowserStartupTest)
#include "browser_startup_test.moc"
