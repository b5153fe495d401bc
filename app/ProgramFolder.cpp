#include "ProgramFolder.h"

#include "FolderPath.h"

#include <QCoreApplication>
#include <QDir>

namespace pelmora {

namespace {

QString& FolderOverride()
{
    static QString folder;
    return folder;
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
    return ProgramFolder() + "Pelmora.ini";
}

} // namespace pelmora
