// What the display window tests share: a folder of pictures listed by the
// browser, the display window opened on one of them, and looks at it.
#pragma once

#include "WindowTestSupport.h"

#include "app/NeighbourPictures.h"
#include "display/DisplayImage.h"
#include "display/Pelmora_click.h"
#include "display/Pelmora_screen.h"
#include "display/PictureScrollBox.h"
#include "tests/support/DisplayAccess.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>

namespace pelmora::test {

struct DisplaySetup {
    bool fullScreen = true;
    bool fit = false;
    bool menuHidden = false;
    int slideDelay = 2;
    int magnifyX = 3;
    int magnifySize = 100;
    std::function<void(const QString& pictures)> writeFiles = nullptr; // more files, written before the start
};

// A session whose browser lists the named bitmaps (name, width, height) at start.
class DisplaySession : public WindowSession {
public:
    DisplaySession(std::initializer_list<std::tuple<QString, int, int>> files, DisplaySetup setup = {})
    {
        ListPicturesAtStart();
        IniFile settings = Settings();
        settings.WriteBool("Preferences", "FullScreenView", setup.fullScreen);
        settings.WriteBool("Preferences", "FitToWindow", setup.fit);
        settings.WriteBool("Preferences", "PelmoraTopMenu", setup.menuHidden);
        settings.WriteInteger("Preferences", "SlideDelay", setup.slideDelay);
        settings.WriteInteger("Preferences", "MagnifyX", setup.magnifyX);
        settings.WriteInteger("Preferences", "MagnifySize", setup.magnifySize);
        // The preview is not what these tests look at.
        settings.WriteBool("Preferences", "HideImageOnLoad", true);
        for (const auto& [name, width, height] : files)
            WriteBitmapFile(Pictures() + name, width, height);
        if (setup.writeFiles)
            setup.writeFiles(Pictures());
        Start();
    }

    TForm1& Browser() { return *windows->Form1; }
    TForm2& Display() { return *windows->Form2; }
    TForm5& ExitWindow() { return *windows->Form5; }
    FileListView& List() { return *Inside(*windows->Form1).ListView_files; }

    int Position(const QString& caption)
    {
        for (int i = 0; i < List().Count(); ++i)
            if (List().Caption(i) == caption)
                return i;
        return -1;
    }
    // Focuses and selects the entry and opens it as Enter in the file list does.
    void Open(const QString& caption)
    {
        List().FocusAndSelect(Position(caption));
        QTest::keyClick(&List(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&Display(), Qt::Key(key), modifiers);
        QCoreApplication::processEvents();
    }
    // Lets the pending step (if any) run.
    void Settle()
    {
        QTest::qWait(1);
        QTRY_VERIFY_WITH_TIMEOUT(!Display().StepPending(), 5000);
        QCoreApplication::processEvents();
        SettleLoads();
    }
    QString Shown() { return List().Caption(List().FocusedPosition()); }
    QString Status(int panel)
    {
        return panel == 0 ? Inside(Display()).StatusBar_position->text() : Inside(Display()).StatusBar_picture->text();
    }
    QSize ImageSize() { return Inside(Display()).Image1->size(); }
    QPoint ImageOffset() { return Inside(Display()).Image1->pos(); }
    QRect Screen() { return Browser().screen()->geometry(); }
};

} // namespace pelmora::test
