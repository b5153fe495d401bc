// Where the settings file and the help files are found: beside the program
// when it can be, else in the user's configuration and the installed data.
#include "app/ProgramFolder.h"
#include "tests/support/Immutable.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

using namespace pelmora;
using namespace pelmora::test;

namespace {

QString Native(const std::string& path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path));
}

// Points the program folder and $XDG_CONFIG_HOME at folders of the test.
class ProgramFolderTest : public testing::Test {
protected:
    ProgramFolderTest()
        : previousConfig_(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Native(dir_.File("config"))));
    }
    ~ProgramFolderTest() override
    {
        SetProgramFolder({});
        qputenv("XDG_CONFIG_HOME", previousConfig_);
    }
    std::string Folder(const std::string& name)
    {
        std::filesystem::create_directories(dir_.File(name));
        return dir_.File(name);
    }

    TempDir dir_;
    QByteArray previousConfig_;
};

TEST_F(ProgramFolderTest, SettingsLiveBesideTheProgramOnlyWhereItMayWrite)
{
    const QString userFile = Native(dir_.File("config/Pelmora/Pelmora.ini"));
    // Read-only bits do not stop root; an immutable folder stops everyone.
    const std::string locked = Folder("locked");
    chmod(locked.c_str(), 0555);
    Immutable lock(locked);
    struct Case {
        std::string programFolder;
        QString expected;
        bool applies = true;
    } cases[] = {
        {Folder("writable"), Native(dir_.File("writable/Pelmora.ini"))},
        {dir_.File("not-there"), userFile},
        {locked, userFile, lock.Made() || geteuid() != 0},
    };
    for (const Case& c : cases) {
        if (!c.applies)
            continue;
        SetProgramFolder(Native(c.programFolder));
        EXPECT_EQ(SettingsFilePath().toStdString(), c.expected.toStdString()) << c.programFolder;
    }
    // The user's folder is there for the first write.
    EXPECT_TRUE(QDir(Native(dir_.File("config/Pelmora"))).exists());
    chmod(locked.c_str(), 0755);
}

TEST_F(ProgramFolderTest, HelpFilesBesideTheProgramComeBeforeTheInstalledOnes)
{
    SetProgramFolder(Native(Folder("prefix/bin")));
    Folder("prefix/share/pelmora");
    WriteFile(dir_.File("prefix/bin/Pelmora.txt"), {'t'});
    WriteFile(dir_.File("prefix/share/pelmora/Pelmora.txt"), {'t'});
    WriteFile(dir_.File("prefix/share/pelmora/Pelmora.chm"), {'c'});
    struct Case {
        const char* name;
        std::string expected;
    } cases[] = {
        {"Pelmora.txt", "prefix/bin/Pelmora.txt"},
        {"Pelmora.chm", "prefix/share/pelmora/Pelmora.chm"},
        // Missing everywhere: named as beside the program, where the message says it is not.
        {"Missing.txt", "prefix/bin/Missing.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HelpFilePath(c.name).toStdString(), Native(dir_.File(c.expected)).toStdString()) << c.name;
}

} // namespace
