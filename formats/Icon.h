// Platform icons (.ico) and cursors (.cur, the same container with a hot
// spot): the largest image of the directory, from a device-independent
// bitmap entry (colours plus AND mask) or a PNG entry, kept as an Rgb32
// picture whose fourth byte is the opacity.
#pragma once

#include "Bitmap.h"

#include <optional>
#include <utility>
#include <vector>

namespace pelmora {

class TIcon : public RegisteredGraphic<TIcon, Graphic> {
public:
    static constexpr const char* kClassName = "TIcon";

    int Width() const override { return image_.Width(); }
    int Height() const override { return image_.Height(); }
    // An icon's size is its image's: "Cannot change the size of an icon".
    void SetWidth(int) override;
    void SetHeight(int) override;

    void CopyFrom(const TIcon& other);
    bool AssignTo(Graphic& target) const override;
    void LoadFromStream(Stream& stream) override;
    // Writes the icon file as it was read.
    void SaveToStream(Stream& stream) const override;

    // The chosen image: Rgb32, blue-green-red-opacity.
    const Bitmap& Image() const { return image_; }
    // A cursor's hot spot (x, y) in its chosen image; nothing for an icon.
    std::optional<std::pair<int, int>> HotSpot() const { return hotSpot_; }

private:
    std::vector<uint8_t> file_;
    Bitmap image_;
    std::optional<std::pair<int, int>> hotSpot_;
};

} // namespace pelmora
