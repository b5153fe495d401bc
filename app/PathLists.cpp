#include "PathLists.h"

#include <algorithm>

namespace pelmora {

namespace {

// Every read goes to the file, so a damaged count must not mean millions of reads.
constexpr int kMostPaths = 1000;

} // namespace

QStringList ReadPathList(const IniFile& settings, const char* section)
{
    QStringList paths;
    int count = std::min(settings.ReadInteger(section, "PathNmbr", 0), kMostPaths);
    for (int i = 1; i <= count; ++i) {
        std::string key = std::to_string(i);
        if (settings.ValueExists(section, key))
            paths.append(QString::fromStdString(settings.ReadString(section, key, "")));
    }
    return paths;
}

void WritePathList(IniFile& settings, const char* section, const QStringList& paths)
{
    settings.WriteInteger(section, "PathNmbr", int(paths.size()));
    for (int i = 0; i < paths.size(); ++i)
        settings.WriteString(section, std::to_string(i + 1), paths[i].toStdString());
}

} // namespace pelmora
