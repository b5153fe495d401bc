// The holder of one Graphic: loads a file by its extension through the
// FormatRegistry and gives its graphic as a Bitmap.
#pragma once

#include "Bitmap.h"
#include "Graphic.h"

#include <memory>
#include <string>

namespace pelmora {

class Picture {
public:
    Picture() = default;

    // Picks the class by the text after the last dot. No entry: EInvalidGraphic
    // "Unknown picture file extension (.ext)". A failing load leaves the holder
    // with the graphic it had; the exception passes on unchanged.
    void LoadFromFile(const std::string& path);
    // The reading option every later load passes to its graphic (full size until set).
    void SetDecodeSize(DecodeSize size) { decodeSize_ = size; }

    Graphic* GetGraphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<Graphic> graphic) { graphic_ = std::move(graphic); }
    // The graphic if it is a Bitmap; otherwise it is replaced by a new empty Bitmap.
    Bitmap& AsBitmap();
    // A new instance of the source's class holding a copy of its image.
    void Assign(const Graphic* source);
    void Assign(const Picture& source) { Assign(source.GetGraphic()); }

    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

private:
    std::unique_ptr<Graphic> graphic_;
    DecodeSize decodeSize_;
};

// Replaces a graphic that is not a Bitmap but turns into one (a JPEG is
// decoded, an icon gives its image) by that Bitmap; other graphics stay.
void DecodeToBitmap(Picture& picture);

// The extension of a path without its dot ("" when there is none).
std::string FileExtension(const std::string& path);

} // namespace pelmora
