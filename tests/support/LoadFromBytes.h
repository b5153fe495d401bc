// Loading a reader from fixture bytes, and the message a load fails with.
#pragma once

#include "formats/Exception.h"
#include "formats/Stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::test {

template <class Reader> Reader LoadFromBytes(const std::vector<uint8_t>& bytes)
{
    Reader reader;
    MemoryStream stream(bytes);
    reader.LoadFromStream(stream);
    return reader;
}

// The message a load fails with, or "" when it succeeds.
template <class Reader> std::string LoadError(const std::vector<uint8_t>& bytes)
{
    try {
        LoadFromBytes<Reader>(bytes);
    } catch (const Exception& e) {
        return e.what();
    }
    return {};
}

} // namespace pelmora::test
