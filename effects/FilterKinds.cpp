#include "FilterKinds.h"

namespace pelmora {

namespace {

std::string_view Trimmed(std::string_view text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

const FilterKind* FindFilterKindByCaption(std::string_view caption)
{
    for (const FilterKind& kind : FilterKinds)
        if (Trimmed(kind.caption) == Trimmed(caption))
            return &kind;
    return nullptr;
}

const FilterKind* FindFilterKindByOperation(std::string_view operation)
{
    for (const FilterKind& kind : FilterKinds)
        if (operation == kind.operation)
            return &kind;
    return nullptr;
}

int EffectivePosition(const FilterKind& kind, int position)
{
    if (kind.mapping == ValueMapping::LensTenths && (position == 5 || position == 3))
        return position + 1;
    return position;
}

double EffectValue(const FilterKind& kind, int position)
{
    const int p = EffectivePosition(kind, position);
    switch (kind.mapping) {
    case ValueMapping::Position: return p;
    case ValueMapping::TimesTwo: return p * 2;
    case ValueMapping::TimesTen: return p * 10;
    case ValueMapping::TimesFifty: return p * 50;
    case ValueMapping::Tenths:
    case ValueMapping::LensTenths: return p / 10.0;
    }
    return p;
}

bool HasRealValue(const FilterKind& kind)
{
    return kind.mapping == ValueMapping::Tenths || kind.mapping == ValueMapping::LensTenths;
}

} // namespace pelmora
