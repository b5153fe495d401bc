// What each fuzz target does with one input, shared with the regression
// tests that replay the inputs the fuzzers found. A reader's own errors are
// expected; a crash, a sanitizer report, another exception or a false return
// (a broken invariant) is a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace pelmora::fuzz {

// Loads through G::LoadFromStream on a memory stream and touches every row.
template <class G> bool Load(const uint8_t* data, size_t size);

// Loads a Windows bitmap or a Targa image; one that loads must save and load back unchanged.
bool Bmp(const uint8_t* data, size_t size);
bool Targa(const uint8_t* data, size_t size);
// Loads a CUT picture from memory, or (odd lengths) from a file with the input as its palette file too.
bool Cut(const uint8_t* data, size_t size);
bool IconOrMetafile(const uint8_t* data, size_t size);
// The first byte picks Windows metafile records, enhanced metafile records or
// a whole file; the drawing steps made must hold together (indices in range,
// counts within the points).
bool MetafileRecords(const uint8_t* data, size_t size);
bool Jpeg(const uint8_t* data, size_t size);
// The first bytes pick the decoder, the unpacked size and its parameter.
bool Codecs(const uint8_t* data, size_t size);
bool Ini(const uint8_t* data, size_t size);
// Lays a Photo-CD pack out from a short description (fuzz/PcdLayout.cpp) and loads it.
bool PcdLayout(const uint8_t* data, size_t size);

// The readers over libraries (PNG, WebP, HEIF/AVIF, JPEG XL) share one
// target: the first byte picks the reader, the rest is the file.
bool LibraryReaders(const uint8_t* data, size_t size);
// One of them (0 PNG, 1 WebP, 2 HEIF/AVIF, 3 JPEG XL) on a whole file, with
// the pixel limit lowered to kLibraryFuzzPixels.
bool LibraryReader(int which, const uint8_t* data, size_t size);
constexpr int64_t kLibraryFuzzPixels = int64_t(1) << 16;

// Each fuzz target's harness by the target's name ("tiff", "codecs", ...).
using Harness = bool (*)(const uint8_t* data, size_t size);
const std::map<std::string, Harness>& Targets();

} // namespace pelmora::fuzz

#include "HarnessLoad.h"
