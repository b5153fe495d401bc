#include "FolderPath.h"

#include <QFile>

namespace pelmora {

QChar PathSeparator()
{
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

QString WithTrailingSeparator(const QString& folder)
{
    return folder.endsWith(PathSeparator()) ? folder : folder + PathSeparator();
}

QString FolderPart(const QString& path)
{
    return path.left(path.lastIndexOf(PathSeparator()) + 1);
}

QString FileNamePart(const QString& path)
{
    return path.mid(path.lastIndexOf(PathSeparator()) + 1);
}

QString ParentFolder(const QString& folder)
{
    QString trimmed = folder;
    trimmed.chop(1);
    return trimmed.left(trimmed.lastIndexOf(PathSeparator()) + 1);
}

bool IsRootFolder(const QString& folder)
{
#ifdef _WIN32
    return folder.size() <= 3 && folder.size() >= 2 && folder[1] == ':';
#else
    return folder == "/";
#endif
}

std::string FileSystemPath(const QString& path)
{
#ifdef _WIN32
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}

} // namespace pelmora
