#include "FormatRegistry.h"

#include "Bitmap.h"
#include "Icon.h"
#include "JpegImage.h"
#include "Metafile.h"

#include <algorithm>

namespace pelmora {

std::string LowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

FormatRegistry::FormatRegistry()
{
    RegisterFormat("wmf", "Metafiles", TMetafile::StaticClass());
    RegisterFormat("emf", "Enhanced Metafiles", TMetafile::StaticClass());
    RegisterFormat("ico", "Icons", TIcon::StaticClass());
    RegisterFormat("bmp", "Bitmaps", Bitmap::StaticClass());
    RegisterFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
    RegisterFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
}

FormatRegistry& FormatRegistry::Instance()
{
    static FormatRegistry registry;
    return registry;
}

void FormatRegistry::RegisterFormat(const std::string& extension, const std::string& description, const GraphicClass& c)
{
    entries_.push_back({LowerCase(extension), description, &c});
}

const GraphicClass* FormatRegistry::FindByExtension(const std::string& extension) const
{
    std::string wanted = LowerCase(extension);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->extension == wanted)
            return it->graphicClass;
    return nullptr;
}

void FormatRegistry::UnregisterClass(const GraphicClass& c)
{
    std::erase_if(entries_, [&](const FormatEntry& e) { return e.graphicClass->InheritsFrom(c); });
}

} // namespace pelmora
