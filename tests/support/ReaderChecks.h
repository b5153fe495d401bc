// Loading a reader from bytes, catching its message, and holding a file a
// peer wrote against the peer's own decode: the checks every reader test uses.
#pragma once

#include "LoadFromBytes.h"
#include "TestFiles.h"

#include <string>
#include <vector>

namespace pelmora::test {

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
