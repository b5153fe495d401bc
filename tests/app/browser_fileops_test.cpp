// The browser's file commands over temporary folders: copy, move, delete and
// rename with their dialogs and messages, nothing ever replaced (also when a
// file appears just before the write), faults injected into moves across file
// systems, the trash, Ctrl+Z, the progress dialog, and the one-file commands
// of the display window.
#include "WindowTestSupport.h"

#include "app/Pelmora_paths.h"
#include "app/PlatformFiles.h"
#include "display/Pelmora_screen.h"
#include "tests/support/Immutable.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <optional>

using namespace pelmora;
using namespace pelmora::test;
using platform::FileStep;

namespace {

void WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray Content(const QString& name)
{
    return "picture " + name.toUtf8();
}

// Every file of a folder, hidden ones too, sorted.
QStringList FolderContent(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

const QStringList kFiles {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"};
const QStringList kEveryOther {"a.jpg", "c.jpg", "e.jpg"};

// A browser listing files that hold their names, the folder-list dialog
// answered by typing `typed` and `closeKey`, delete questions answered Yes for `yesTo`.
class FileOpsSession : public WindowSession {
public:
    explicit FileOpsSession(const QStringList& names, bool trash = true)
    {
        ListPicturesAtStart();
        IniFile settings = Settings();
        settings.WriteBool("Preferences", "HideImageOnLoad", true);
        settings.WriteBool("Preferences", "DeleteToTrash", trash);
        for (const QString& name : names)
            WriteText(Pictures() + name, Content(name));
        QDir().mkpath(Backup());
        Start();
        answerer.answerDialog = [this](QDialog* dialog) { Answer(dialog); };
        answerer.answerMessage = [this](QMessageBox* box) { return AnswerQuestion(box); };
    }
    ~FileOpsSession() { platform::SetFileFaultHook({}); }

    TForm1& Browser() { return *windows->Form1; }
    FileListView& List() { return *Inside(*windows->Form1).ListView_files; }
    TForm3& FolderDialog() { return *windows->Form3; }
    QString Backup() const { return Home() + "backup" + PathSeparator(); }
    QString Trash() const { return Home() + ".local/share/Trash/"; }
    // A folder on another file system than the pictures', or "" where there is none.
    QString OtherFileSystem()
    {
        QString folder = WithTrailingSeparator(shm_.path());
        QStorageInfo here(Pictures()), there(folder);
        return shm_.isValid() && here.device() != there.device() ? folder : QString();
    }

    QStringList Captions()
    {
        QStringList captions;
        for (int i = 0; i < List().Count(); ++i)
            captions.append(List().Caption(i));
        return captions;
    }
    QStringList Selected()
    {
        QStringList selected;
        for (int i = 0; i < List().Count(); ++i)
            if (List().IsSelected(i))
                selected.append(List().Caption(i));
        return selected;
    }
    QString Focused() { return List().Caption(List().FocusedPosition()); }
    // Selects the entries; the first gets the focus mark.
    void Select(const QStringList& names)
    {
        List().ClearSelection();
        for (const QString& name : names)
            List().SetSelected(Captions().indexOf(name), true);
        List().SetFocusedPosition(names.isEmpty() ? -1 : Captions().indexOf(names.first()));
        List().setFocus();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&List(), Qt::Key(key), modifiers);
    }
    // "copy", "move", "delete" or "rename", as the user gives them.
    void Run(const QString& command)
    {
        if (command == "copy")
            Inside(Browser()).ToolButton_copy->click();
        else if (command.startsWith("move"))
            Inside(Browser()).Pop_file_move->trigger();
        else if (command == "delete")
            Key(Qt::Key_Delete);
        else
            Inside(Browser()).Pop_file_rename->trigger();
    }
    QString Status() { return Inside(Browser()).StatusBar_picture->text(); }
    QStringList Failures() { return answerer.messages.filter("Unable"); }

    QString typed;
    int closeKey = Qt::Key_Return;
    QStringList folderDialogs; // the folder-list dialog's caption, and the text it offered
    QStringList yesTo;

private:
    void Answer(QDialog* dialog)
    {
        if (qobject_cast<QProgressDialog*>(dialog))
            return;
        auto* folders = qobject_cast<TForm3*>(dialog);
        if (!folders)
            return dialog->reject();
        folderDialogs << folders->windowTitle() << folders->Edit1->text();
        folders->Edit1->setFocus();
        folders->Edit1->selectAll();
        QTest::keyClick(folders->Edit1, Qt::Key_Backspace);
        QTest::keyClicks(folders->Edit1, typed);
        QTest::keyClick(folders->Edit1, Qt::Key(closeKey));
    }
    bool AnswerQuestion(QMessageBox* box)
    {
        if (box->windowTitle() != "Confirm")
            return false;
        bool yes = std::any_of(
            yesTo.begin(), yesTo.end(), [&](const QString& name) { return box->text().contains("'" + name + "'"); });
        for (QAbstractButton* button : box->buttons())
            if (button->text() == (yes ? "&Yes" : "Cancel"))
                button->click();
        return true;
    }

    QTemporaryDir shm_ {"/dev/shm/pelmora-test-XXXXXX"};
};

} // namespace

class BrowserFileOpsTest : public QObject {
    Q_OBJECT
private slots:
    void copyAndMoveNeverReplace_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target"); // backup, backup-no-separator, source, missing, other-fs; "" is Esc
        QTest::addColumn<QStringList>("present"); // files at the target before, or appearing just before the write
        QTest::addColumn<bool>("appearing");
        QTest::addColumn<QStringList>("reached");
        QTest::addColumn<QStringList>("messages"); // %S the source folder, %T the target folder
        const QString failedCopyOfC = "Unable to copy file '%Sc.jpg'.",
                      failedMoveOfC = "Unable to move file '%Sc.jpg'.";
        QTest::newRow("copy of three in list order")
            << "copy"
            << "backup" << QStringList() << false << kEveryOther << QStringList();
        QTest::newRow("copy to a folder typed without its separator")
            << "copy"
            << "backup-no-separator" << QStringList() << false << kEveryOther << QStringList();
        QTest::newRow("copy to the source folder")
            << "copy"
            << "source" << QStringList() << false << QStringList() << QStringList();
        QTest::newRow("copy cancelled") << "copy"
                                        << "" << QStringList() << false << QStringList() << QStringList();
        QTest::newRow("copy to a missing folder")
            << "copy"
            << "missing" << QStringList() << false << QStringList()
            << QStringList {"Folder  '%T'  does not exist.", "Unable to copy file '%Sa.jpg'.",
                   "Folder  '%T'  does not exist.", failedCopyOfC, "Folder  '%T'  does not exist.",
                   "Unable to copy file '%Se.jpg'."};
        QTest::newRow("copy over an existing file") << "copy"
                                                    << "backup" << QStringList {"c.jpg"} << false
                                                    << QStringList {"a.jpg", "e.jpg"} << QStringList {failedCopyOfC};
        QTest::newRow("copy over a file appearing before the write")
            << "copy"
            << "backup" << QStringList {"c.jpg"} << true << QStringList {"a.jpg", "e.jpg"}
            << QStringList {failedCopyOfC};
        QTest::newRow("move of three") << "move"
                                       << "backup" << QStringList() << false << kEveryOther << QStringList();
        QTest::newRow("move of three across file systems")
            << "move"
            << "other-fs" << QStringList() << false << kEveryOther << QStringList();
        QTest::newRow("move over an existing file") << "move"
                                                    << "backup" << QStringList {"c.jpg"} << false
                                                    << QStringList {"a.jpg", "e.jpg"} << QStringList {failedMoveOfC};
        QTest::newRow("move over a file appearing before the rename")
            << "move"
            << "backup" << QStringList {"c.jpg"} << true << QStringList {"a.jpg", "e.jpg"}
            << QStringList {failedMoveOfC};
        QTest::newRow("move across file systems over a file appearing")
            << "move"
            << "other-fs" << QStringList {"c.jpg"} << true << QStringList {"a.jpg", "e.jpg"}
            << QStringList {failedMoveOfC};
    }
    void copyAndMoveNeverReplace()
    {
        QFETCH(QString, command);
        QFETCH(QString, target);
        QFETCH(QStringList, present);
        QFETCH(bool, appearing);
        QFETCH(QStringList, reached);
        QFETCH(QStringList, messages);
        FileOpsSession session(kFiles);
        QString folder = target == "source" ? session.Pictures()
            : target == "missing"           ? session.Home() + "missing/"
            : target == "other-fs"          ? session.OtherFileSystem()
                                            : session.Backup();
        if (folder.isEmpty())
            QSKIP("no second file system at /dev/shm");
        session.FolderDialog().AddToFolderHistory("/last/");
        session.typed = target == "backup-no-separator" ? session.Home() + "backup" : folder;
        session.closeKey = target.isEmpty() ? Qt::Key_Escape : Qt::Key_Return;
        for (const QString& name : present)
            if (!appearing)
                WriteText(folder + name, "theirs");
        // The focus follows the files; another program may create a target at the last moment.
        QStringList focused;
        bool oneRename = command == "move" && target == "backup";
        platform::SetFileFaultHook([&](FileStep step, const QString& path) {
            if (step == FileStep::Create)
                focused.append(session.Focused());
            if (appearing && present.contains(FileNamePart(path))
                && step == (oneRename ? FileStep::Rename : FileStep::Create))
                WriteText(path, "theirs");
            return false;
        });
        session.Select(kEveryOther);
        quint64 listing = session.Browser().ListingGeneration();
        session.Run(command);

        bool move = command == "move";
        QCOMPARE(session.folderDialogs, (QStringList {move ? " Move file ..." : " Copy file ...", "/last/"}));
        for (QString& message : messages)
            message.replace("%S", session.Pictures()).replace("%T", folder);
        QCOMPARE(session.answerer.messages, messages);
        for (const QString& name : reached)
            QCOMPARE(ReadText(folder + name), Content(name));
        for (const QString& name : present)
            QCOMPARE(ReadText(folder + name), QByteArray("theirs"));
        if (folder != session.Pictures())
            QCOMPARE(FolderContent(folder).size(), reached.size() + present.size()); // nothing stray
        QStringList left = kFiles;
        for (const QString& name : reached)
            if (move)
                left.removeAll(name);
        QCOMPARE(FolderContent(session.Pictures()), left);
        QCOMPARE(session.Captions(), left);
        QCOMPARE(session.Browser().ListingGeneration() > listing, move);
        bool ran = target != "source" && !target.isEmpty();
        if (!move)
            QCOMPARE(focused, ran ? kEveryOther : QStringList());
        QCOMPARE(session.FolderDialog().FolderHistory().first(), ran ? folder : QString("/last/"));
    }

    void aFailedMoveAcrossFileSystemsLeavesTheSourceAndNothingStray_data()
    {
        QTest::addColumn<int>("step");
        QTest::newRow("creating the temporary file") << int(FileStep::Create);
        QTest::newRow("copying half way") << int(FileStep::Copy);
        QTest::newRow("flushing") << int(FileStep::Flush);
        QTest::newRow("the final rename") << int(FileStep::Rename);
        QTest::newRow("removing the source") << int(FileStep::RemoveSource);
    }
    void aFailedMoveAcrossFileSystemsLeavesTheSourceAndNothingStray()
    {
        QFETCH(int, step);
        FileOpsSession session({"big.jpg"});
        QByteArray big(5 << 20, 'x'); // several blocks
        WriteText(session.Pictures() + "big.jpg", big);
        QString folder = session.OtherFileSystem();
        if (folder.isEmpty())
            QSKIP("no second file system at /dev/shm");
        int blocks = 0;
        platform::SetFileFaultHook([&](FileStep at, const QString&) {
            return at == FileStep(step) && (at != FileStep::Copy || ++blocks == 3);
        });
        session.typed = folder;
        session.Select({"big.jpg"});
        session.Run("move");
        QCOMPARE(session.answerer.messages, QStringList {"Unable to move file '" + session.Pictures() + "big.jpg'."});
        QCOMPARE(ReadText(session.Pictures() + "big.jpg"), big);
        QCOMPARE(FolderContent(folder), QStringList());
    }

    void deleteAsksForEachFileFromTheEnd_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("yesTo");
        QTest::addColumn<QString>("setup"); // how the trash or the file system behaves
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("failing"); // the file that shows "Unable to delete"
        QTest::newRow("two of five confirmed, to the trash")
            << kFiles << QStringList {"b.jpg", "d.jpg"} << "trash" << QStringList {"a.jpg", "c.jpg", "e.jpg"} << "";
        QTest::newRow("only the selected are asked for")
            << QStringList {"b.jpg", "e.jpg"} << kFiles << "trash" << QStringList {"a.jpg", "c.jpg", "d.jpg"} << "";
        QTest::newRow("all cancelled") << kFiles << QStringList() << "trash" << kFiles << "";
        QTest::newRow("for good with the option off")
            << QStringList {"a.jpg"} << kFiles << "option off" << kFiles.mid(1) << "";
        QTest::newRow("for good where there is no trash")
            << QStringList {"a.jpg"} << kFiles << "no trash" << kFiles.mid(1) << "";
        QTest::newRow("a file the seam refuses keeps its entry")
            << QStringList {"b.jpg", "c.jpg"} << kFiles << "refused" << QStringList {"a.jpg", "c.jpg", "d.jpg", "e.jpg"}
            << "c.jpg";
        QTest::newRow("an immutable file keeps its entry")
            << QStringList {"b.jpg", "c.jpg"} << kFiles << "immutable"
            << QStringList {"a.jpg", "c.jpg", "d.jpg", "e.jpg"} << "c.jpg";
        QTest::newRow("an immutable file, the option off")
            << QStringList {"c.jpg"} << kFiles << "immutable, option off" << kFiles << "c.jpg";
    }
    void deleteAsksForEachFileFromTheEnd()
    {
        QFETCH(QStringList, selected);
        QFETCH(QStringList, yesTo);
        QFETCH(QString, setup);
        QFETCH(QStringList, left);
        QFETCH(QString, failing);
        FileOpsSession session(kFiles, !setup.contains("option off"));
        std::optional<Immutable> locked;
        const std::string lockedPath = QFile::encodeName(session.Pictures() + "c.jpg").toStdString();
        if (setup.startsWith("immutable") && !locked.emplace(lockedPath).Made())
            QSKIP("this file system cannot make a file immutable");
        platform::SetFileFaultHook([&](FileStep step, const QString& path) {
            return (setup == "no trash" && step == FileStep::Trash)
                || (setup == "refused" && path.endsWith(failing)
                    && (step == FileStep::Trash || step == FileStep::Delete));
        });
        session.yesTo = yesTo;
        session.Select(selected);
        session.Key(Qt::Key_Delete);

        QStringList expected;
        for (auto name = selected.rbegin(); name != selected.rend(); ++name) {
            expected.append("Do you really want to delete file  '" + *name + "' ?");
            if (*name == failing)
                expected.append("Unable to delete file '" + failing + "'.");
        }
        QCOMPARE(session.answerer.messages, expected);
        QCOMPARE(session.Captions(), left);
        QCOMPARE(FolderContent(session.Pictures()), left);
        QStringList gone = kFiles;
        for (const QString& name : left)
            gone.removeAll(name);
        bool trashed = setup == "trash" || setup == "refused" || setup == "immutable";
        QCOMPARE(FolderContent(session.Trash() + "files"), trashed ? gone : QStringList());
        for (const QString& name : FolderContent(session.Trash() + "files"))
            QVERIFY(ReadText(session.Trash() + "info/" + name + ".trashinfo")
                        .startsWith("[Trash Info]\nPath=" + QFile::encodeName(session.Pictures() + name) + "\n"));
        // What is deleted for good cannot come back.
        session.Key(Qt::Key_Z, Qt::ControlModifier);
        if (gone.isEmpty() || !trashed)
            QCOMPARE(session.Status(), QString("Nothing to undo"));
    }

    void rename_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("caption"); // the entry's caption after
        QTest::addColumn<QStringList>("messages");
        const QStringList refused {"Unable to rename file."};
        QTest::newRow("Enter renames in place") << "z.jpg" << int(Qt::Key_Return) << "z.jpg" << QStringList();
        QTest::newRow("a change of letter case") << "B.jpg" << int(Qt::Key_Return) << "B.jpg" << QStringList();
        QTest::newRow("Esc cancels") << "z.jpg" << int(Qt::Key_Escape) << "b.jpg" << QStringList();
        QTest::newRow("the name of another file") << "c.jpg" << int(Qt::Key_Return) << "b.jpg" << refused;
        QTest::newRow("a name with a separator") << "sub/z.jpg" << int(Qt::Key_Return) << "b.jpg" << refused;
        QTest::newRow("an empty name") << "" << int(Qt::Key_Return) << "b.jpg" << refused;
        QTest::newRow("the same name") << "b.jpg" << int(Qt::Key_Return) << "b.jpg" << QStringList();
    }
    void rename()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, caption);
        QFETCH(QStringList, messages);
        FileOpsSession session({"a.jpg", "b.jpg", "c.jpg"});
        QDir().mkdir(session.Pictures() + "sub");
        session.typed = typed;
        session.closeKey = key;
        session.Select({"b.jpg"});
        session.Run("rename");
        QCOMPARE(session.folderDialogs, (QStringList {" Rename file ...", "b.jpg"}));
        QVERIFY(!session.FolderDialog().ListBox1->isVisibleTo(&session.FolderDialog()));
        QCOMPARE(session.answerer.messages, messages);
        QCOMPARE(session.Captions(), (QStringList {"a.jpg", caption, "c.jpg"}));
        QCOMPARE(ReadText(session.Pictures() + caption), Content("b.jpg"));
        QCOMPARE(FolderContent(session.Pictures()).size(), 3);
    }

    void undoTakesTheLastCommandBack_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("meanwhile"); // a file put at a place the undo needs
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("failure"); // %S the pictures, %B the backup folder
        QTest::newRow("copy") << "copy"
                              << ""
                              << "Undone: copy of 2 files"
                              << "";
        QTest::newRow("move") << "move"
                              << ""
                              << "Undone: move of 2 files"
                              << "";
        QTest::newRow("move across file systems") << "move-other-fs"
                                                  << ""
                                                  << "Undone: move of 2 files"
                                                  << "";
        QTest::newRow("delete to the trash") << "delete"
                                             << ""
                                             << "Undone: delete of 2 files"
                                             << "";
        QTest::newRow("rename") << "rename"
                                << ""
                                << "Undone: rename of z.jpg back to b.jpg"
                                << "";
        QTest::newRow("a copy changed since stays") << "copy"
                                                    << "%Bb.jpg"
                                                    << "Undone: copy of 2 files"
                                                    << "Unable to remove the copy '%Bb.jpg'.";
        QTest::newRow("a moved file's old name taken") << "move"
                                                       << "%Sb.jpg"
                                                       << "Undone: move of 2 files"
                                                       << "Unable to restore file '%Sb.jpg'.";
        QTest::newRow("a deleted file's old name taken") << "delete"
                                                         << "%Sb.jpg"
                                                         << "Undone: delete of 2 files"
                                                         << "Unable to restore file '%Sb.jpg'.";
        QTest::newRow("a renamed file's old name taken") << "rename"
                                                         << "%Sb.jpg"
                                                         << "Undone: rename of z.jpg back to b.jpg"
                                                         << "Unable to restore file '%Sb.jpg'.";
    }
    void undoTakesTheLastCommandBack()
    {
        QFETCH(QString, command);
        QFETCH(QString, meanwhile);
        QFETCH(QString, status);
        QFETCH(QString, failure);
        FileOpsSession session({"a.jpg", "b.jpg", "c.jpg"});
        QString folder = command.endsWith("other-fs") ? session.OtherFileSystem() : session.Backup();
        if (folder.isEmpty())
            QSKIP("no second file system at /dev/shm");
        session.typed = command == "rename" ? "z.jpg" : folder;
        session.yesTo = {"b.jpg", "c.jpg"};
        session.Select({"b.jpg", "c.jpg"});
        session.Run(command);
        QCOMPARE(session.Failures(), QStringList());
        auto place = [&](QString text) { return text.replace("%S", session.Pictures()).replace("%B", folder); };
        if (!meanwhile.isEmpty())
            WriteText(place(meanwhile), "newcomer");

        session.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(session.Status(), status);
        QCOMPARE(session.Failures(), failure.isEmpty() ? QStringList() : QStringList {place(failure)});
        if (!meanwhile.isEmpty())
            QCOMPARE(ReadText(place(meanwhile)), QByteArray("newcomer"));
        if (failure.isEmpty() || command == "copy") {
            QCOMPARE(FolderContent(session.Pictures()), (QStringList {"a.jpg", "b.jpg", "c.jpg"}));
            QCOMPARE(ReadText(session.Pictures() + "c.jpg"), Content("c.jpg"));
            QCOMPARE(FolderContent(folder), meanwhile.isEmpty() ? QStringList() : QStringList {"b.jpg"});
        }
        if (command != "copy" && failure.isEmpty()) {
            QCOMPARE(
                session.Selected(), command == "rename" ? QStringList {"b.jpg"} : (QStringList {"b.jpg", "c.jpg"}));
            QCOMPARE(session.Focused(), QString("b.jpg"));
        }
        if (command == "delete" && failure.isEmpty())
            QCOMPARE(FolderContent(session.Trash() + "info"), QStringList());
        session.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(session.Status(), QString("Nothing to undo"));
    }

    void longCopiesShowTheProgressAndCancelStopsAfterTheCurrentFile_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("blockDelay"); // milliseconds
        QTest::addColumn<bool>("shown");
        QTest::newRow("a few quick files") << 3 << 0 << false;
        QTest::newRow("more than a few") << 5 << 0 << true;
        QTest::newRow("one slow file") << 1 << 300 << true;
    }
    void longCopiesShowTheProgressAndCancelStopsAfterTheCurrentFile()
    {
        QFETCH(int, files);
        QFETCH(int, blockDelay);
        QFETCH(bool, shown);
        QStringList names = kFiles.mid(0, files);
        FileOpsSession session(names);
        QByteArray big(3 << 20, 'x'); // three blocks
        if (blockDelay)
            WriteText(session.Pictures() + names.first(), big);
        session.typed = session.Backup();
        // Cancel is pressed while the second file is copied.
        QString label;
        int created = 0;
        platform::SetFileFaultHook([&](FileStep step, const QString&) {
            QThread::msleep(step == FileStep::Copy ? blockDelay : 0);
            auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (progress && label.isEmpty())
                label = progress->labelText();
            if (progress && step == FileStep::Create && ++created == 2)
                progress->findChild<QPushButton*>()->click();
            return false;
        });
        session.Select(names);
        session.Run("copy");
        QCOMPARE(!label.isEmpty(), shown);
        QCOMPARE(FolderContent(session.Backup()), files == 5 ? names.mid(0, 2) : names);
        if (files == 5)
            QCOMPARE(label, QString("Copying 'a.jpg' (1 of 5) ..."));
        if (blockDelay)
            QCOMPARE(ReadText(session.Backup() + names.first()), big);
    }

    void theDisplayWindowsCommandsActOnTheFocusedEntryAlone()
    {
        FileOpsSession session({"a.jpg", "b.jpg", "c.jpg"});
        TForm2* display = session.windows->Form2.get();
        session.typed = session.Backup();
        session.Select({"a.jpg", "b.jpg", "c.jpg"});
        session.List().SetFocusedPosition(1);
        QVERIFY(session.Browser().Pop_file_copyClick(display));
        QCOMPARE(FolderContent(session.Backup()), QStringList {"b.jpg"});
        // Not copied: the copy fails, the source folder, Esc.
        QVERIFY(!session.Browser().Pop_file_copyClick(display));
        session.typed = session.Pictures();
        QVERIFY(!session.Browser().Pop_file_copyClick(display));
        session.closeKey = Qt::Key_Escape;
        QVERIFY(!session.Browser().Pop_file_copyClick(display));
        QCOMPARE(session.Failures(), QStringList {"Unable to copy file '" + session.Pictures() + "b.jpg'."});

        // The move and the delete leave the list to the display window.
        session.closeKey = Qt::Key_Return;
        session.typed = session.Home();
        session.List().SetFocusedPosition(2);
        QVERIFY(session.Browser().MoveFocusedEntry());
        QVERIFY(QFileInfo::exists(session.Home() + "c.jpg"));
        QVERIFY(session.Browser().DeleteEntryFile(0));
        QCOMPARE(FolderContent(session.Pictures()), QStringList {"b.jpg"});
        QCOMPARE(session.Captions(), (QStringList {"a.jpg", "b.jpg", "c.jpg"}));
        session.Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(session.Status(), QString("Undone: delete of a.jpg"));
        QCOMPARE(FolderContent(session.Pictures()), (QStringList {"a.jpg", "b.jpg"}));
    }
};

PELMORA_WINDOW_TEST_MAIN(BrowserFileOpsTest)
#include "browser_fileops_test.moc"
