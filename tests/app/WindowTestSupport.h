// What the window tests share: a program folder with its own settings file,
// a folder of pictures, the windows started the way the program starts
// them, and an answerer for the modal boxes a step shows.
#pragma once

#include "app/Application.h"
#include "app/FolderPath.h"
#include "app/FramedToolButton.h"
#include "app/MetafilePainter.h"
#include "app/Pelmora_main.h"
#include "app/PictureFile.h"
#include "app/PictureLoader.h"
#include "app/PreviewImageBox.h"
#include "app/ProgramFolder.h"
#include "app/Startup.h"
#include "formats/Bitmap.h"
#include "formats/PictureReaders.h"
#include "settings/IniFile.h"
#include "tests/support/BrowserAccess.h"
#include "tests/support/TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace pelmora::test {

// Answers every modal box while it lives: a message box with its first
// button (or `answerMessage`, where it returns true), any other dialog with
// `answerDialog` (Cancel when unset). Keeps the message texts and the
// dialogs' captions.
class ModalAnswerer {
public:
    ModalAnswerer()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
        timer_.start();
    }

    QStringList messages;
    QStringList dialogs;
    std::function<void(QDialog*)> answerDialog;
    std::function<bool(QMessageBox*)> answerMessage;

private:
    void Answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages.append(box->text());
            if (!answerMessage || !answerMessage(box))
                box->buttons().first()->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialogs.append(dialog->windowTitle());
            if (answerDialog)
                answerDialog(dialog);
            else
                dialog->reject();
        }
    }

    QTimer timer_;
};

inline QString Native(const std::filesystem::path& path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path.string()));
}

// Lets every picture asked for off the interface thread arrive and be shown.
inline void SettleLoads()
{
    QVERIFY2(PictureLoader::WaitForIdle(), "the picture loaders did not settle");
}

// Counts the reads of each file (by name) and holds back the worker's reads
// of the files named in `held` until they are released: a slow file. Reads
// on the interface thread are counted, never held.
class ReadGate {
public:
    ReadGate()
    {
        SetPictureFileObserver([this](const QString& path) { Read(QFileInfo(path).fileName()); });
    }
    // No read calls the gate once the reads under way have ended.
    ~ReadGate()
    {
        SetPictureFileObserver(nullptr);
        Release();
        PictureLoader::WaitForIdle();
    }
    ReadGate(const ReadGate&) = delete;
    ReadGate& operator=(const ReadGate&) = delete;

    void Hold(const QString& name)
    {
        std::lock_guard lock(mutex_);
        held_.insert(name);
    }
    // Releases the named file, or every file.
    void Release(const QString& name = {})
    {
        {
            std::lock_guard lock(mutex_);
            if (name.isEmpty())
                held_.clear();
            else
                held_.erase(name);
        }
        released_.notify_all();
    }
    int Reads(const QString& name)
    {
        std::lock_guard lock(mutex_);
        return reads_[name];
    }

private:
    void Read(const QString& name)
    {
        std::unique_lock lock(mutex_);
        ++reads_[name];
        if (QThread::currentThread() != qApp->thread())
            released_.wait(lock, [&] { return !held_.contains(name); });
    }

    std::mutex mutex_;
    std::condition_variable released_;
    std::set<QString> held_;
    std::map<QString, int> reads_;
};

// One test's program folder (with the settings file) and picture folder.
class WindowSession {
public:
    WindowSession()
    {
        SetProgramFolder(Native(program_.Path()));
        // A first start lists the home folder: make it one of ours.
        previousHome_ = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(Native(home_.Path())));
    }
    ~WindowSession()
    {
        windows.reset();
        SetProgramFolder({});
        qputenv("HOME", previousHome_);
        QDir::setCurrent(QDir::tempPath());
    }
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;

    // The picture folder, ending with the separator.
    QString Pictures() const { return WithTrailingSeparator(Native(pictures_.Path())); }
    QString Home() const { return WithTrailingSeparator(Native(home_.Path())); }
    QString ProgramFolderPath() const { return WithTrailingSeparator(Native(program_.Path())); }
    IniFile Settings() const { return IniFile(SettingsFilePath().toStdString()); }
    // The browser lists the picture folder when it starts.
    void ListPicturesAtStart() { Settings().WriteString("Preferences", "OpenPath", Pictures().toStdString()); }

    // The seven windows, the browser shown (which runs its start-up sequence).
    TForm1& Start(const QString& startFile = {}, std::function<void(TForm1&)> beforeShowing = nullptr)
    {
        windows = CreateWindows(startFile);
        if (beforeShowing)
            beforeShowing(*windows->Form1);
        windows->Form1->show();
        QCoreApplication::processEvents();
        SettleLoads();
        return *windows->Form1;
    }
    // Closes the browser (writing its settings) and ends the windows.
    void Stop()
    {
        if (windows)
            windows->Form1->close();
        windows.reset();
    }

    // Every box a step shows is answered, so no test waits on one.
    ModalAnswerer answerer;
    std::unique_ptr<PelmoraWindows> windows;

private:
    TempDir program_;
    TempDir pictures_;
    TempDir home_;
    QByteArray previousHome_;
};

// A Windows bitmap of the size and format at `path`.
inline void WriteBitmapFile(const QString& path, int width, int height, PixelFormat format = PixelFormat::Rgb24)
{
    PatternBitmap(width, height, format).SaveBitmapToFile(FileSystemPath(path));
}

// A file of `bytes` bytes (sparse where the file system allows), last written at `modified`.
inline void WriteSizedFile(const QString& path, qint64 bytes, const QDateTime& modified = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.resize(bytes))
        qFatal("cannot write %s", qPrintable(path));
    if (modified.isValid())
        file.setFileTime(modified, QFileDevice::FileModificationTime);
}

// Waits until the type-name worker has filled the whole list.
inline bool WaitForTypeNames(TForm1& browser)
{
    return QTest::qWaitFor([&] {
        return Inside(browser).ListView_files->Model().TypeNamesApplied() == Inside(browser).ListView_files->Count();
    });
}

} // namespace pelmora::test

// The test program: the program's application object and its registry.
#define PELMORA_WINDOW_TEST_MAIN(TestClass)                                                                            \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                                            \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                                   \
        pelmora::RegisterPictureReaders();                                                                             \
        pelmora::InstallMetafilePainter();                                                                             \
        pelmora::Application app(argc, argv);                                                                          \
        TestClass test;                                                                                                \
        int result = QTest::qExec(&test, argc, argv);                                                                  \
        pelmora::UnregisterPictureReaders();                                                                           \
        return result;                                                                                                 \
    }
