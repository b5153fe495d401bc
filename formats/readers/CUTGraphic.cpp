// Failures: "Stream read error" for a header, palette file or pixel data
// shorter than the picture needs (the data even when packed as tightly as
// the encoding allows). Without a palette file the picture is grey.
#include "CUTGraphic.h"

#include "formats/ByteOrder.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"
#include "formats/codecs/RunLength.h"

#include <algorithm>
#include <filesystem>
#include <memory>

namespace pelmora {

namespace {

constexpr size_t kPaletteBlock = 512;
constexpr size_t kColorCountAt = 12;
constexpr size_t kFirstEntry = 40;
constexpr size_t kEntryBytes = 6;
// An entry may start at most this far into a block; a later one starts the next block.
constexpr size_t kLastEntryStart = 506;

std::string WithExtension(const std::string& path, const char* extension)
{
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    return path.substr(0, dot) + extension;
}

bool IsFile(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(std::filesystem::path(std::u8string(path.begin(), path.end())), ignored);
}

// Entries are red, green and blue words of which the low byte is the colour.
Palette ReadPaletteFile(const std::string& path)
{
    FileStream file(path, FileStream::Mode::Read);
    uint8_t block[kPaletteBlock];
    file.ReadBuffer(block, sizeof block);
    size_t count = std::min<size_t>(size_t(LoadU16LE(block + kColorCountAt)) + 1, 256);
    Palette palette(count);
    size_t at = kFirstEntry;
    for (auto& entry : palette) {
        if (at > kLastEntryStart) {
            file.ReadBuffer(block, sizeof block);
            at = 0;
        }
        entry = {block[at], block[at + 2], block[at + 4], 0};
        at += kEntryBytes;
    }
    return palette;
}

// Each row needs its byte count and a run packet for every 127 pixels.
int64_t LeastDataBytes(int width, int height)
{
    return int64_t(height) * (2 + 2 * ((int64_t(width) + 126) / 127));
}

} // namespace

void TCUTGraphic::UsePaletteBeside(const std::string& path)
{
    paletteFileName_ = WithExtension(path, ".pal");
    // Files from systems that ignore case often come as NAME.CUT with NAME.PAL.
    if (!IsFile(paletteFileName_) && IsFile(WithExtension(path, ".PAL")))
        paletteFileName_ = WithExtension(path, ".PAL");
}

void TCUTGraphic::LoadFromFile(const std::string& path)
{
    UsePaletteBeside(path);
    Bitmap::LoadFromFile(path);
}

void TCUTGraphic::LoadFromStream(Stream& stream)
{
    Release();
    uint8_t head[4];
    stream.ReadBuffer(head, sizeof head);
    stream.Seek(2);
    const int width = LoadU16LE(head), height = LoadU16LE(head + 2);
    CheckImageSize(width, height);
    if (LeastDataBytes(width, height) > stream.Remaining())
        throw EReadError();

    Allocate(PixelFormat::Indexed8, width, height);
    bool hasPaletteFile = !paletteFileName_.empty() && IsFile(paletteFileName_);
    SetPalette(hasPaletteFile ? ReadPaletteFile(paletteFileName_) : GreyRamp(256));
    if (IsEmpty())
        return;

    const auto size = size_t(stream.Remaining());
    auto data = std::make_unique_for_overwrite<uint8_t[]>(size);
    stream.ReadBuffer(data.get(), size);
    std::span<const uint8_t> packed(data.get(), size);
    const TCUTRLE decoder;
    for (int y = 0; y < height; ++y)
        packed = packed.subspan(decoder.DecodeRow(packed, {ScanLine(y), size_t(width)}).consumed);
}

} // namespace pelmora
