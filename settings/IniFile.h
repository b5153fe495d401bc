// The settings file: INI text read and written on every call, like the
// platform's profile functions, so several accessors on one file see each
// other's writes. Section and key names compare without regard to case;
// sections, keys and comments we do not know survive every write. A write
// goes to a temporary file that replaces the old one by a rename, so an
// interrupted write never leaves half a file. No Qt here.
#pragma once

#include <string>
#include <vector>

namespace pelmora {

class IniFile {
public:
    explicit IniFile(std::string path)
        : path_(std::move(path))
    {
    }

    const std::string& FileName() const { return path_; }

    // Missing file, section or key: the default. Values are trimmed; a pair of
    // quotes around a value is dropped; at most 2047 characters are returned.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Decimal, or hexadecimal after "0x"; anything else gives the default.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // An integer, any value but 0 being true.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;

    // Each write throws "Unable to write to <path>" when the file cannot be written.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void DeleteKey(const std::string& section, const std::string& key);
    void EraseSection(const std::string& section);

private:
    std::vector<std::string> ReadLines() const;
    std::vector<std::string> ReadLinesForUpdate() const;
    void WriteLines(const std::vector<std::string>& lines) const;

    std::string path_;
};

// The value of a whole decimal or "0x" hexadecimal number; false for anything else.
bool ParseIniInteger(const std::string& text, int& value);

} // namespace pelmora
