// Platform vector metafiles: Windows metafiles (.wmf, with or without the
// placeable header) and enhanced metafiles (.emf). Loading checks the header
// and takes the size from its bounds, in pixels of a 96 dpi display.
#pragma once

#include "Graphic.h"

#include <cstdint>
#include <vector>

namespace pelmora {

class TMetafile : public RegisteredGraphic<TMetafile, Graphic> {
public:
    static constexpr const char* kClassName = "TMetafile";

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int width) override { width_ = width; }
    void SetHeight(int height) override { height_ = height; }

    void CopyFrom(const TMetafile& other);
    void LoadFromStream(Stream& stream) override;
    void SaveToStream(Stream& stream) const override;

    bool Enhanced() const { return enhanced_; }
    // The file as read, and where its records start (after a placeable header).
    const std::vector<uint8_t>& Data() const { return data_; }
    size_t RecordsStart() const { return recordsStart_; }

private:
    std::vector<uint8_t> data_;
    size_t recordsStart_ = 0;
    bool enhanced_ = false;
    int width_ = 0, height_ = 0;
};

} // namespace pelmora
