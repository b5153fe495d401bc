// The settings file's parser: any text as a file, then reads and writes.
#include "app/IniFile.h"
#include "formats/Exception.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/pelmora-ini-fuzz-" + std::to_string(getpid()) + ".ini";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    pelmora::IniFile ini(path);
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string section = text.substr(0, text.size() % 7), key = text.substr(text.size() / 2, 5);
    ini.ReadString(section, key, "default");
    ini.ReadInteger("Preferences", key, 3);
    ini.ReadBool(section, "SortOrder", true);
    int value;
    pelmora::ParseIniInteger(text, value);
    try {
        ini.WriteString(section.empty() ? "S" : section, key.empty() ? "k" : key, "v");
        ini.DeleteKey("Preferences", "SelectedFile");
        ini.EraseSection("ReadPaths");
    } catch (const pelmora::Exception&) {
    }
    return 0;
}
