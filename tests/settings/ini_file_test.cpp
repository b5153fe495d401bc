// The settings file: defaults, number forms, case, what survives a write, and
// failing or interrupted writes.
#include "settings/IniFile.h"
#include "formats/Exception.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

using namespace pelmora;
using namespace pelmora::test;

namespace {

std::string Text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void SetText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

TEST(IniFile, MissingFileReadsAsDefaultsAndIsCreatedByTheFirstWrite)
{
    TempDir dir;
    IniFile ini(dir.File("Pelmora.ini"));
    EXPECT_EQ(ini.ReadString("Preferences", "OpenPath", "C:\\Windows\\"), "C:\\Windows\\");
    EXPECT_EQ(ini.ReadInteger("Preferences", "FolderColumn", 136), 136);
    EXPECT_TRUE(ini.ReadBool("Preferences", "SortOrder", true));
    EXPECT_FALSE(std::filesystem::exists(ini.FileName()));
    ini.WriteInteger("Preferences", "SortColumn", 4);
    EXPECT_EQ(Text(ini.FileName()), "[Preferences]\nSortColumn=4\n");
}

TEST(IniFile, IntegersDecimalHexadecimalAndMalformed)
{
    TempDir dir;
    IniFile ini(dir.File("a.ini"));
    SetText(
        ini.FileName(), "[S]\na=42\nb=0x1F\nc=0XfF\nd=12abc\ne=\nf= -7 \ng=0x\nh=99999999999\ni=0xFFFFFFFF\nj=1.5\n");
    struct Case {
        const char* key;
        int expected;
    } cases[] = {{"a", 42}, {"b", 31}, {"c", 255}, {"d", -1}, {"e", -1}, {"f", -7}, {"g", -1}, {"h", -1}, {"i", -1},
        {"j", -1}, {"missing", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadInteger("S", c.key, -1), c.expected) << c.key;
    EXPECT_TRUE(ini.ReadBool("S", "a", false));
    EXPECT_FALSE(ini.ReadBool("S", "d", false)); // malformed: the default
    ini.WriteBool("S", "yes", true);
    ini.WriteBool("S", "no", false);
    EXPECT_EQ(ini.ReadString("S", "yes", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "no", ""), "0");
}

TEST(IniFile, NamesCompareWithoutCaseAndStringsAreCutAt2047)
{
    TempDir dir;
    IniFile ini(dir.File("a.ini"));
    ini.WriteString("ReadPaths", "PathNmbr", "2");
    EXPECT_EQ(ini.ReadString("readpaths", "PATHNMBR", ""), "2");
    ini.WriteString("READPATHS", "pathnmbr", "3");
    EXPECT_EQ(Text(ini.FileName()), "[ReadPaths]\nPathNmbr=3\n") << "names keep the spelling they have";
    std::string longText(3000, 'x');
    ini.WriteString("S", "long", longText);
    EXPECT_EQ(ini.ReadString("S", "long", "").size(), 2047u);
    SetText(ini.FileName(), "[S]\nquoted=\"C:\\Pictures\\\"\n  spaced  =  value with inner space  \n");
    EXPECT_EQ(ini.ReadString("S", "quoted", ""), "C:\\Pictures\\");
    EXPECT_EQ(ini.ReadString("S", "spaced", ""), "value with inner space");
}

TEST(IniFile, UnknownSectionsKeysAndCommentsSurviveEveryWrite)
{
    TempDir dir;
    IniFile ini(dir.File("a.ini"));
    const std::string original = "; made by hand\r\n[Other]\r\nkeep=me\r\n\r\n[Preferences]\r\n# note\r\n"
                                 "Unknown=5\r\nSortColumn=1\r\n\r\n[Filters]\r\nMosaic=6\r\n";
    SetText(ini.FileName(), original);
    ini.WriteInteger("Preferences", "SortColumn", 5);
    ini.WriteInteger("Preferences", "FolderColumn", 99);
    ini.WriteString("New", "k", "v");
    ini.DeleteKey("Filters", "Mosaic");
    ini.DeleteKey("Filters", "absent");
    EXPECT_EQ(Text(ini.FileName()),
        "; made by hand\n[Other]\nkeep=me\n\n[Preferences]\n# note\nUnknown=5\n"
        "SortColumn=5\nFolderColumn=99\n\n[Filters]\n\n[New]\nk=v\n");
    ini.EraseSection("Preferences");
    EXPECT_FALSE(ini.SectionExists("preferences"));
    EXPECT_EQ(ini.ReadString("Other", "keep", ""), "me");
    EXPECT_TRUE(ini.ValueExists("New", "K"));
}

TEST(IniFile, EveryCallGoesToTheFile)
{
    TempDir dir;
    IniFile a(dir.File("a.ini")), b(dir.File("a.ini"));
    a.WriteInteger("S", "n", 1);
    EXPECT_EQ(b.ReadInteger("S", "n", 0), 1);
    SetText(a.FileName(), "[S]\nn=7\n");
    EXPECT_EQ(a.ReadInteger("S", "n", 0), 7);
}

TEST(IniFile, AFailingWriteNamesTheFileAndLosesNothing)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write anywhere";
    TempDir dir;
    std::string folder = dir.File("locked");
    std::filesystem::create_directory(folder);
    IniFile ini(folder + "/Pelmora.ini");
    SetText(ini.FileName(), "[S]\nkeep=1\n");
    chmod(folder.c_str(), 0555);
    try {
        ini.WriteInteger("S", "n", 2);
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini.FileName());
    }
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(Text(ini.FileName()), "[S]\nkeep=1\n");
}

TEST(IniFile, AWriteIntoAMissingFolderFailsWithTheMessage)
{
    TempDir dir;
    IniFile ini(dir.File("no/such/folder/Pelmora.ini"));
    try {
        ini.WriteString("S", "k", "v");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + ini.FileName());
    }
}

TEST(IniFile, AnUnreadableFileIsNeverReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads everything";
    TempDir dir;
    IniFile ini(dir.File("a.ini"));
    SetText(ini.FileName(), "[S]\nkeep=1\n");
    chmod(ini.FileName().c_str(), 0200);
    EXPECT_THROW(ini.WriteString("S", "k", "v"), Exception);
    chmod(ini.FileName().c_str(), 0644);
    EXPECT_EQ(Text(ini.FileName()), "[S]\nkeep=1\n");
}

// A write that dies before its rename leaves the old file whole: only a
// temporary file beside it is affected, and the next write replaces the old file.
TEST(IniFile, AnInterruptedWriteLeavesTheOldFileWhole)
{
    TempDir dir;
    IniFile ini(dir.File("a.ini"));
    ini.WriteString("S", "keep", "1");
    pid_t child = fork();
    if (child == 0) {
        // The child writes a large file and is killed part-way through.
        IniFile mine(ini.FileName());
        for (int i = 0;; ++i)
            mine.WriteString("Big", "k" + std::to_string(i), std::string(2000, 'x'));
    }
    usleep(200000);
    kill(child, SIGKILL);
    int status;
    waitpid(child, &status, 0);
    std::string text = Text(ini.FileName());
    EXPECT_EQ(text.rfind("[S]\nkeep=1\n", 0), 0u);
    EXPECT_EQ(text.back(), '\n') << "the file ends with a whole line";
    EXPECT_EQ(ini.ReadString("S", "keep", ""), "1");
}

} // namespace
