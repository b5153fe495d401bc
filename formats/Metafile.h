// Platform vector metafiles: Windows metafiles (.wmf, with or without the
// placeable header) and enhanced metafiles (.emf). Loading checks the header,
// takes the size (pixels of a 96 dpi display) and reads the records into
// drawing steps. Drawing them needs a painter, which lives above this floor:
// the program installs one with SetMetafileRenderer.
#pragma once

#include "Graphic.h"
#include "MetafileSteps.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pelmora {

// Draws `steps` into `target`, made width x height, the picture filling it.
using MetafileRenderer = void (*)(const DrawingSteps& steps, Bitmap& target, int width, int height);
void SetMetafileRenderer(MetafileRenderer renderer);

class TMetafile : public RegisteredGraphic<TMetafile, Graphic> {
public:
    static constexpr const char* kClassName = "TMetafile";

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // The size it is drawn at: vectors are drawn afresh at any size.
    void SetWidth(int width) override { width_ = width; }
    void SetHeight(int height) override { height_ = height; }

    void CopyFrom(const TMetafile& other);
    // A Bitmap target gets the picture drawn at the present size (when a renderer is installed).
    bool AssignTo(Graphic& target) const override;
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) const override;

    // Draws the picture into `target` at width x height; false without a renderer.
    bool Draw(Bitmap& target, int width, int height) const;

    bool Enhanced() const { return enhanced_; }
    // The file as read.
    const std::vector<uint8_t>& Data() const { return data_; }
    const DrawingSteps& Steps() const { return *steps_; }

private:
    std::vector<uint8_t> data_;
    std::shared_ptr<const DrawingSteps> steps_ = std::make_shared<DrawingSteps>();
    bool enhanced_ = false;
    int width_ = 0, height_ = 0;
};

// Reads a metafile's bytes into drawing steps, with the picture's own size;
// throws "Metafile is not valid" when no part of it can be read.
DrawingSteps ReadMetafile(std::span<const uint8_t> file, bool& enhanced);

} // namespace pelmora
