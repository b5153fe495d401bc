#include "Graphic.h"

#include "Exception.h"
#include "Stream.h"

#include <algorithm>

namespace pelmora {

const GraphicClass& Graphic::StaticClass()
{
    static const GraphicClass c {"Graphic", nullptr, nullptr};
    return c;
}

int LargestReduction(int width, int height, DecodeSize wanted, std::initializer_list<int> divisors)
{
    if (wanted.width <= 0 || wanted.height <= 0)
        return 1;
    int chosen = 1;
    for (int d : divisors)
        if ((width + d - 1) / d >= wanted.width || (height + d - 1) / d >= wanted.height)
            chosen = std::max(chosen, d);
    return chosen;
}

void Graphic::Assign(const Graphic& source)
{
    if (&source == this)
        return;
    if (!source.AssignTo(*this))
        throw EConvertError(std::string("Cannot assign a ") + source.Class().name + " to a " + Class().name);
}

bool Graphic::AssignTo(Graphic&) const
{
    return false;
}

void Graphic::LoadFromFile(const std::string& path)
{
    FileStream stream(path, FileStream::Mode::Read);
    LoadFromStream(stream);
}

void Graphic::SaveToFile(const std::string& path) const
{
    FileStream stream(path, FileStream::Mode::Create);
    SaveToStream(stream);
    stream.Close();
}

} // namespace pelmora
