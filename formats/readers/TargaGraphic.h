// Truevision Targa images: colour-mapped, true-colour and grey, plain or
// run-length. The one reader that also writes its format (always run-length).
#pragma once

#include "formats/Bitmap.h"

#include <string>

namespace pelmora {

class TTargaGraphic : public RegisteredGraphic<TTargaGraphic, Bitmap> {
public:
    static constexpr const char* kClassName = "TTargaGraphic";

    // The identification text of the last file read; saving writes it again.
    const std::string& Identification() const { return identification_; }

    // Copies the image, and the identification text when the source is a Targa image.
    void Assign(const Graphic& source) override;
    void CopyFrom(const TTargaGraphic& other);

    // Does not release first: what the file leaves unset keeps its value.
    void LoadFromStream(Stream& stream) override;
    // A run-length Targa file. A 1- or 4-bit picture is written with 8 bits if
    // the user agrees (else nothing is written); an empty one writes nothing.
    void SaveToStream(Stream& stream) const override;
    // As SaveToStream; the file is created only once there is something to write.
    void SaveToFile(const std::string& path) const override;

private:
    std::string identification_;
};

} // namespace pelmora
