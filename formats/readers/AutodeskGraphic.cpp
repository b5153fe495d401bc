#include "AutodeskGraphic.h"

#include "formats/ByteCursor.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/Stream.h"

#include <algorithm>

namespace pelmora {

namespace {

const char* const kOnlyOldStyle = "Cannot load image. Only old style Autodesk images are supported.";

constexpr uint16_t kMagic = 0x9119;
constexpr size_t kHeaderSize = 32;

} // namespace

bool TAutodeskGraphic::HasSignature(std::span<const uint8_t> head)
{
    if (head.size() < kSignatureBytes)
        return false;
    ByteCursor cursor(head);
    return cursor.U16LE() == kMagic && cursor.U16LE() != 0 && cursor.U16LE() != 0;
}

void TAutodeskGraphic::LoadFromStream(Stream& stream)
{
    // Short reads are not errors here: what is missing reads as zeros.
    uint8_t header[kHeaderSize] = {};
    stream.Read(header, 2);
    ByteCursor cursor(header);
    if (cursor.U16LE() != kMagic)
        throw Exception(kOnlyOldStyle);
    stream.Read(header + 2, kHeaderSize - 2);
    int width = cursor.U16LE();
    int height = cursor.U16LE();

    // Palette values run 0..63.
    uint8_t colors[768] = {};
    stream.Read(colors, sizeof colors);
    Palette palette(256);
    for (size_t i = 0; i < 256; ++i) {
        auto scale = [](uint8_t v) { return uint8_t(std::min(v * 4, 255)); };
        palette[i] = { scale(colors[i * 3]), scale(colors[i * 3 + 1]), scale(colors[i * 3 + 2]), 0 };
    }

    if (!DataCanFill(int64_t(width) * height, stream.Remaining()))
        throw EReadError();
    Allocate(PixelFormat::Indexed8, width, height);
    SetPalette(std::move(palette));
    for (int y = 0; y < height; ++y)
        if (stream.Read(ScanLine(y), size_t(width)) < size_t(width))
            break;
}

} // namespace pelmora
