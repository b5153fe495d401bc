// The TIFF reader's failure messages, one place for the files it is made of.
#pragma once

namespace pelmora {

inline constexpr const char* kInvalidTIFF = "Invalid TIFF file.";
inline constexpr const char* kUnknownTIFFCompression = "TIFF: Unknown compression scheme";

} // namespace pelmora
