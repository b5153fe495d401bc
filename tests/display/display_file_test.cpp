// The display window's file commands: saving (the extension added, the
// question before replacing, a failed write leaving the old file whole, PNG
// and JPEG), delete with the entry shown next, and move.
#include "tests/app/DisplayTestSupport.h"

#include "app/Pelmora_paths.h"
#include "app/PictureFile.h"
#include "app/PlatformFiles.h"
#include "formats/Picture.h"

#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

using namespace pelmora;
using namespace pelmora::test;
using platform::FileStep;

namespace {

QByteArray Content(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList FolderContent(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// The save dialog answered with a typed name, the replace question with `replace`,
// delete questions with Yes, the folder dialog with `target`.
class FileSession : public DisplaySession {
public:
    explicit FileSession(std::initializer_list<std::tuple<QString, int, int>> files)
        : DisplaySession(files)
    {
        answerer.answerDialog = [this](QDialog* dialog) {
            if (auto* save = qobject_cast<QFileDialog*>(dialog)) {
                // Accepted from the dialog's own loop: its replace question must meet the answerer free.
                if (save->property("answered").toBool())
                    return;
                save->setProperty("answered", true);
                filters = save->nameFilters();
                folder = save->directory().absolutePath();
                save->selectFile(typed);
                QMetaObject::invokeMethod(save, "accept", Qt::QueuedConnection);
            } else if (auto* folders = qobject_cast<TForm3*>(dialog)) {
                folders->Edit1->setText(target);
                folders->Button_ok->click();
            } else {
                dialog->reject();
            }
        };
        answerer.answerMessage = [this](QMessageBox* box) {
            bool yes = box->windowTitle() == "Confirm" || replace;
            // Not replacing leaves the save dialog open for another name: it is cancelled then.
            auto* save = qobject_cast<QFileDialog*>(box->parentWidget());
            if (save && !yes)
                QMetaObject::invokeMethod(save, "reject", Qt::QueuedConnection);
            for (QAbstractButton* button : box->buttons())
                if (button->text() == (yes ? "&Yes" : box->windowTitle() == "Confirm" ? "Cancel" : "&No")) {
                    button->click();
                    return true;
                }
            return false;
        };
    }
    ~FileSession() { platform::SetFileFaultHook({}); }
    void Save()
    {
        Inside(Display()).Menu_file_save->trigger();
        QCoreApplication::processEvents();
    }
    QStringList Captions()
    {
        QStringList captions;
        for (int i = 0; i < List().Count(); ++i)
            captions.append(List().Caption(i));
        return captions;
    }

    QString typed, target, folder;
    QStringList filters;
    bool replace = false;
};

} // namespace

class DisplayFileTest : public QObject {
    Q_OBJECT
private slots:
    void saveAddsTheExtensionAndAsksBeforeReplacing()
    {
        FileSession session({{"p.bmp", 30, 20}});
        session.Open("p.bmp");
        session.typed = "out";
        session.Save();
        QCOMPARE(session.filters, QStringList({"Bmp files (*.bmp)", "Png files (*.png)", "Jpeg files (*.jpg)"}));
        QCOMPARE(WithTrailingSeparator(QDir::toNativeSeparators(session.folder)), session.Pictures());
        QString out = session.Pictures() + "out.bmp";
        Picture written;
        LoadPictureFile(written, out);
        QCOMPARE(QSize(written.Width(), written.Height()), QSize(30, 20));
        // The browser's list is not refreshed.
        QCOMPARE(session.Captions(), QStringList {"p.bmp"});

        // Saving over it asks first: No keeps the file, Yes replaces it.
        session.Display().findChild<QAction*>("Pop_screener_modif_rotate90")->trigger();
        QByteArray before = Content(out);
        session.typed = "out.bmp";
        session.Save();
        QVERIFY(session.answerer.messages.last().contains("already exists"));
        QCOMPARE(Content(out), before);
        session.replace = true;
        session.Save();
        LoadPictureFile(written, out);
        QCOMPARE(QSize(written.Width(), written.Height()), QSize(20, 30));
    }

    void aFailedWriteLeavesTheOldFileWhole_data()
    {
        QTest::addColumn<int>("step");
        QTest::newRow("writing") << int(FileStep::Copy);
        QTest::newRow("flushing") << int(FileStep::Flush);
        QTest::newRow("creating") << int(FileStep::Create);
    }
    void aFailedWriteLeavesTheOldFileWhole()
    {
        QFETCH(int, step);
        FileSession session({{"p.bmp", 30, 20}, {"old.bmp", 5, 5}});
        session.Open("p.bmp");
        QString old = session.Pictures() + "old.bmp";
        QByteArray before = Content(old);
        platform::SetFileFaultHook(
            [&](FileStep at, const QString& path) { return at == FileStep(step) && path == old; });
        session.typed = "old.bmp";
        session.replace = true;
        session.Save();
        QVERIFY(session.answerer.messages.last().startsWith("Unable to write file '" + old + "': "));
        QCOMPARE(Content(old), before);
        QCOMPARE(FolderContent(session.Pictures()), QStringList({"old.bmp", "p.bmp"}));
    }

    void pngAndJpegByTheirExtension()
    {
        FileSession session({{"p.bmp", 30, 20}});
        session.Open("p.bmp");
        session.typed = "copy.png";
        session.Save();
        QImage png(session.Pictures() + "copy.png", "PNG");
        QCOMPARE(png.size(), QSize(30, 20));
        const Bitmap& shown = Inside(session.Display()).Image1->Picture();
        const uint8_t* bgr = shown.ScanLine(7) + 3 * 11;
        QCOMPARE(QColor(png.pixel(11, 7)), QColor(bgr[2], bgr[1], bgr[0]));
        session.typed = "copy.jpg";
        session.Save();
        Picture jpeg;
        LoadPictureFile(jpeg, session.Pictures() + "copy.jpg");
        QCOMPARE(QSize(jpeg.Width(), jpeg.Height()), QSize(30, 20));
    }

    void deleteShowsTheEntryNext_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("next"); // "" when the window closes
        QTest::addColumn<bool>("undeletable");
        const QStringList three {"a.bmp", "b.bmp", "c.bmp"};
        QTest::newRow("the last shows the one above") << three << "c.bmp" << QStringList() << "b.bmp" << false;
        QTest::newRow("a middle one shows the one below") << three << "b.bmp" << QStringList() << "c.bmp" << false;
        QTest::newRow("with several selected, the next selected")
            << three << "a.bmp" << QStringList {"a.bmp", "c.bmp"} << "c.bmp" << false;
        QTest::newRow("with several selected and none after, the one above")
            << three << "b.bmp" << QStringList {"a.bmp", "b.bmp"} << "a.bmp" << false;
        QTest::newRow("the only one closes the window")
            << QStringList {"a.bmp"} << "a.bmp" << QStringList() << "" << false;
        QTest::newRow("one that cannot be deleted stays") << three << "b.bmp" << QStringList() << "b.bmp" << true;
    }
    void deleteShowsTheEntryNext()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, shown);
        QFETCH(QStringList, selected);
        QFETCH(QString, next);
        QFETCH(bool, undeletable);
        FileSession session({});
        for (const QString& name : files)
            WriteBitmapFile(session.Pictures() + name, 20 + 2 * int(files.indexOf(name)), 10);
        session.Browser().ToolButton_refreshClick();
        session.Open(shown);
        for (const QString& name : selected)
            session.List().SetSelected(session.Position(name), true);
        QString path = session.Pictures() + shown;
        if (undeletable)
            platform::SetFileFaultHook([&](FileStep step, const QString& at) {
                return (step == FileStep::Trash || step == FileStep::Delete) && at == path;
            });
        Inside(session.Display()).Menu_file_delete->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(session.answerer.messages.first(), "Do you really want to delete file  '" + shown + "' ?");
        QCOMPARE(QFileInfo::exists(path), undeletable);
        QStringList remaining = files;
        if (undeletable)
            QCOMPARE(session.answerer.messages.last(), "Unable to delete file '" + shown + "'.");
        else
            remaining.removeOne(shown);
        QCOMPARE(session.Captions(), remaining);
        QCOMPARE(session.Display().isVisible(), !next.isEmpty());
        if (next.isEmpty())
            return;
        QCOMPARE(session.Shown(), next);
        QCOMPARE(session.ImageSize().width(), 20 + 2 * int(files.indexOf(next)));
        QCOMPARE(session.Status(0), QString("File %1/%2").arg(remaining.indexOf(next) + 1).arg(remaining.size()));
    }

    void moveTakesTheFileAwayAndShowsTheNext()
    {
        FileSession session({{"a.bmp", 20, 10}, {"b.bmp", 22, 10}, {"c.bmp", 24, 10}});
        session.target = session.Home();
        session.Open("b.bmp");
        QByteArray content = Content(session.Pictures() + "b.bmp");
        session.Key(Qt::Key_M, Qt::AltModifier);
        QCOMPARE(Content(session.Home() + "b.bmp"), content);
        QCOMPARE(FolderContent(session.Pictures()), QStringList({"a.bmp", "c.bmp"}));
        QCOMPARE(session.Captions(), QStringList({"a.bmp", "c.bmp"}));
        QCOMPARE(session.Shown(), QString("c.bmp"));
        // Nothing was put in the trash, and a move to where the file is does nothing.
        QVERIFY(!QFileInfo::exists(session.Home() + ".local/share/Trash/files/b.bmp"));
        session.target = session.Pictures();
        Inside(session.Display()).Pop_screener_file_move->trigger();
        QCOMPARE(session.Captions(), QStringList({"a.bmp", "c.bmp"}));
        QCOMPARE(session.Shown(), QString("c.bmp"));
    }
};

PELMORA_WINDOW_TEST_MAIN(DisplayFileTest)
#include "display_file_test.moc"
