// Extension -> Graphic class -> description, filled at start-up and read-only after.
#pragma once

#include "Graphic.h"

#include <string>
#include <vector>

namespace pelmora {

struct FormatEntry {
    std::string extension; // lower case, without the dot
    std::string description;
    const GraphicClass* graphicClass;
};

class FormatRegistry {
public:
    // The process-wide registry, created on first use with the platform's
    // four entries (wmf, emf, ico, bmp) and the two JPEG entries.
    static FormatRegistry& Instance();

    void RegisterFormat(const std::string& extension, const std::string& description, const GraphicClass& c);
    // Last registration first, without regard to case; nullptr when none.
    const GraphicClass* FindByExtension(const std::string& extension) const;
    // Removes every entry whose class is `c` or derives from it.
    void UnregisterClass(const GraphicClass& c);

    const std::vector<FormatEntry>& Entries() const { return entries_; }

private:
    FormatRegistry();
    std::vector<FormatEntry> entries_;
};

std::string LowerCase(std::string text);

} // namespace pelmora
