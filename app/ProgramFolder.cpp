#include "ProgramFolder.h"

#include "FolderPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace pelmora {

namespace {

QString& FolderOverride()
{
    static QString folder;
    return folder;
}

// Creating a file is the test that holds everywhere: permission bits do not
// tell root's rights, nor Windows' access lists, nor a read-only mount.
bool MayCreateFilesIn(const QString& folder)
{
    QTemporaryFile probe(folder + "Pelmora-XXXXXX.tmp");
    return probe.open();
}

QString UserSettingsFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Pelmora";
    QDir().mkpath(folder);
    return WithTrailingSeparator(QDir::toNativeSeparators(folder));
}

} // namespace

QString ProgramFolder()
{
    const QString& chosen = FolderOverride();
    QString folder = chosen.isEmpty() ? QCoreApplication::applicationDirPath() : chosen;
    return WithTrailingSeparator(QDir::toNativeSeparators(folder));
}

void SetProgramFolder(const QString& folder)
{
    FolderOverride() = folder;
}

QString SettingsFilePath()
{
    // Chosen once a folder: every handler asks, and the answer does not change under us.
    static QString askedFor, chosen;
    const QString folder = ProgramFolder();
    if (folder != askedFor) {
        chosen = MayCreateFilesIn(folder) ? folder : UserSettingsFolder();
        askedFor = folder;
    }
    return chosen + "Pelmora.ini";
}

QString HelpFilePath(const QString& name)
{
    const QString beside = ProgramFolder() + name;
    const QString installed
        = QDir::toNativeSeparators(QDir::cleanPath(ProgramFolder() + PELMORA_DATA_FROM_PROGRAM + "/" + name));
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

} // namespace pelmora
