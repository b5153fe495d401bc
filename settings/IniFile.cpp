#include "IniFile.h"

#include "formats/Exception.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

namespace pelmora {

namespace {

constexpr size_t kMaxValueLength = 2047;

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (fold(a[i]) != fold(b[i]))
            return false;
    }
    return true;
}

// "[Name]" gives Name; anything else is not a section line.
bool SectionName(const std::string& line, std::string& name)
{
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// "key=value" gives both; comments and other lines give false.
bool KeyValue(const std::string& line, std::string& key, std::string& value)
{
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[')
        return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

struct Location {
    bool sectionFound = false;
    size_t sectionLine = 0; // the "[...]" line
    size_t sectionEnd = 0; // one past the section's last line
    bool keyFound = false;
    size_t keyLine = 0;
    std::string value;
};

Location Find(const std::vector<std::string>& lines, const std::string& section, const std::string& key)
{
    Location at;
    std::string name, k, v;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (SectionName(lines[i], name)) {
            if (at.sectionFound)
                break;
            if (SameName(name, section)) {
                at.sectionFound = true;
                at.sectionLine = i;
            }
            continue;
        }
        if (!at.sectionFound)
            continue;
        at.sectionEnd = i + 1;
        if (!at.keyFound && !key.empty() && KeyValue(lines[i], k, v) && SameName(k, key)) {
            at.keyFound = true;
            at.keyLine = i;
            at.value = v;
        }
    }
    if (at.sectionFound && at.sectionEnd == 0)
        at.sectionEnd = at.sectionLine + 1;
    // New keys go after the section's last line that is not blank.
    while (at.sectionFound && at.sectionEnd > at.sectionLine + 1 && Trim(lines[at.sectionEnd - 1]).empty())
        --at.sectionEnd;
    return at;
}

std::filesystem::path PathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

[[noreturn]] void UnableToWrite(const std::string& path)
{
    throw Exception("Unable to write to " + path);
}

} // namespace

bool ParseIniInteger(const std::string& text, int& value)
{
    std::string t = Trim(text);
    if (t.empty())
        return false;
    size_t i = 0;
    bool negative = false;
    if (t[0] == '-' || t[0] == '+') {
        negative = t[0] == '-';
        i = 1;
    }
    int base = 10;
    if (t.size() > i + 1 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        int digit = c >= '0' && c <= '9'         ? c - '0'
            : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
            : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0)
            return false;
        v = v * base + digit;
        // Hexadecimal may spell a 32-bit pattern ("0xFFFFFFFF" is -1), decimal must fit.
        if (v > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL))
            return false;
    }
    if (base == 16 && !negative) {
        value = int(uint32_t(v));
        return true;
    }
    if (negative)
        v = -v;
    if (v < INT_MIN || v > INT_MAX)
        return false;
    value = int(v);
    return true;
}

std::vector<std::string> IniFile::ReadLines() const
{
    std::vector<std::string> lines;
    std::ifstream in(PathOf(path_), std::ios::binary);
    if (!in)
        return lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> IniFile::ReadLinesForUpdate() const
{
    // A file that is there but cannot be read must not be replaced by our few lines.
    std::error_code error;
    if (std::filesystem::exists(PathOf(path_), error) && !std::ifstream(PathOf(path_), std::ios::binary))
        UnableToWrite(path_);
    return ReadLines();
}

void IniFile::WriteLines(const std::vector<std::string>& lines) const
{
    namespace fs = std::filesystem;
    fs::path target = PathOf(path_);
    // A temporary name beside the file, so the rename stays on one volume.
    std::random_device entropy;
    fs::path temporary = target;
    temporary += ".tmp" + std::to_string(entropy() % 1000000);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            UnableToWrite(path_);
#ifdef _WIN32
        const char* newline = "\r\n";
#else
        const char* newline = "\n";
#endif
        for (const std::string& line : lines)
            out << line << newline;
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            UnableToWrite(path_);
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(temporary, error);
        UnableToWrite(path_);
    }
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    Location at = Find(ReadLines(), section, key);
    if (!at.keyFound)
        return def.substr(0, kMaxValueLength);
    std::string v = at.value;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v.substr(0, kMaxValueLength);
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    int value;
    return ParseIniInteger(ReadString(section, key, ""), value) ? value : def;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(const std::string& section) const
{
    return Find(ReadLines(), section, "").sectionFound;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const
{
    return Find(ReadLines(), section, key).keyFound;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    std::vector<std::string> lines = ReadLinesForUpdate();
    Location at = Find(lines, section, key);
    std::string line = key + "=" + value;
    if (at.keyFound) {
        // The key keeps the spelling it has in the file.
        std::string existing = lines[at.keyLine];
        lines[at.keyLine] = Trim(existing.substr(0, existing.find('='))) + "=" + value;
    } else if (at.sectionFound) {
        lines.insert(lines.begin() + ptrdiff_t(at.sectionEnd), line);
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(line);
    }
    WriteLines(lines);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::DeleteKey(const std::string& section, const std::string& key)
{
    std::vector<std::string> lines = ReadLinesForUpdate();
    Location at = Find(lines, section, key);
    if (!at.keyFound)
        return;
    lines.erase(lines.begin() + ptrdiff_t(at.keyLine));
    WriteLines(lines);
}

void IniFile::EraseSection(const std::string& section)
{
    std::vector<std::string> lines = ReadLinesForUpdate();
    Location at = Find(lines, section, "");
    if (!at.sectionFound)
        return;
    lines.erase(lines.begin() + ptrdiff_t(at.sectionLine), lines.begin() + ptrdiff_t(at.sectionEnd));
    WriteLines(lines);
}

} // namespace pelmora
