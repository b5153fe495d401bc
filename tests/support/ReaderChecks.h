// Loading a reader from bytes, catching its message, and holding a file a
// peer wrote against the peer's own decode: the checks every reader test uses.
#pragma once

#include "TestFiles.h"

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

// Fills the format registry with the readers unless it holds them already.
void EnsureReadersRegistered();

// "" when our decode of `path` (through the registry) matches ImageMagick's
// within `tolerance` a channel; else where they differ.
std::string DiffFromImageMagick(const std::string& path, int tolerance = 0);
// The same against ImageMagick's decode of another file of the same picture
// (where a second program's conversion is the better reference).
std::string DiffFromReference(const std::string& path, const std::string& referencePath, int tolerance = 0);

// A photo-like picture (ImageMagick's plasma) of width x height written to
// `path` by ImageMagick, with `options` applied; returns the path.
std::string PlasmaPicture(const std::string& path, int width, int height, int seed, const std::string& options = "");

// Runs a shell command that writes a test file; throws with its error output when it fails.
void MakeFile(const std::string& command);

} // namespace pelmora::test
