// Dr. Halo CUT images: 8-bit run-length rows whose colours live in a
// companion palette file of the same name ending in ".pal".
#pragma once

#include "formats/Bitmap.h"

#include <string>

namespace pelmora {

class TCUTGraphic : public RegisteredGraphic<TCUTGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TCUTGraphic";

    // The palette file the next load reads its colours from ("" for none: a grey ramp).
    const std::string& PaletteFileName() const { return paletteFileName_; }

    // The palette file of the picture file at `path`: its name ending in ".pal"
    // (or ".PAL" when only that one is there).
    void UsePaletteBeside(const std::string& path);
    // Takes the palette file name from the path, then loads as every graphic does.
    void LoadFromFile(const std::string& path) override;
    // Loading from a stream keeps the palette file name as it was.
    void LoadFromStream(Stream& stream) override;

private:
    std::string paletteFileName_;
};

} // namespace pelmora
