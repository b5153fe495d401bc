// Temporary folders, running peer programs, and comparing our pixels with a
// peer's decode of the same file.
#pragma once

#include "formats/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pelmora::test {

// A fresh folder under the system's temporary folder, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFile(const std::string& path);

struct CommandResult {
    int status = -1;
    std::string output; // standard output
    std::string error; // standard error
};
// Runs a shell command line; output and error are captured.
CommandResult RunCommand(const std::string& command);
// True when a program is on the PATH.
bool HaveProgram(const std::string& name);
// The command to run ImageMagick's convert (the real one, not a stand-in).
std::string ImageMagick();

// width x height x 4 bytes, red, green, blue, alpha, top row first.
struct RgbaImage {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};
// ImageMagick's decode of a file to 8-bit RGBA; `options` go before the output
// (such as "-auto-orient", for the formats whose row order ImageMagick only records).
RgbaImage DecodeWithImageMagick(const std::string& path, const std::string& options = "");
// Our bitmap as 8-bit RGBA (alpha 255 unless the bitmap is Rgb32 and `keepAlpha`).
RgbaImage ToRgba(const Bitmap& bitmap, bool keepAlpha = false);
// "" when equal; else where and how they differ (at most `tolerance` per channel allowed).
std::string CompareImages(
    const RgbaImage& expected, const RgbaImage& actual, int tolerance = 0, bool compareAlpha = false);

// A bitmap of the format filled with a pattern that varies in every channel.
Bitmap PatternBitmap(int width, int height, PixelFormat format, uint32_t seed = 1);
// Loads a file through the format registry into a plain bitmap (a JPEG decoded).
Bitmap LoadBitmap(const std::string& path);

} // namespace pelmora::test
