#include "Picture.h"

#include "Exception.h"
#include "FormatRegistry.h"

namespace pelmora {

std::string FileExtension(const std::string& path)
{
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot + 1);
}

void Picture::LoadFromFile(const std::string& path)
{
    std::string extension = FileExtension(path);
    const GraphicClass* c = FormatRegistry::Instance().FindByExtension(extension);
    if (!c)
        throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
    std::unique_ptr<Graphic> graphic = c->create();
    graphic->SetDecodeSize(decodeSize_);
    graphic->LoadFromFile(path);
    graphic_ = std::move(graphic);
}

Bitmap& Picture::AsBitmap()
{
    if (!graphic_ || !graphic_->Is(Bitmap::StaticClass()))
        graphic_ = std::make_unique<Bitmap>();
    return static_cast<Bitmap&>(*graphic_);
}

void Picture::Assign(const Graphic* source)
{
    if (!source) {
        graphic_.reset();
        return;
    }
    if (source == graphic_.get())
        return;
    std::unique_ptr<Graphic> copy = source->Class().create();
    copy->Assign(*source);
    graphic_ = std::move(copy);
}

void DecodeToBitmap(Picture& picture)
{
    Graphic* g = picture.GetGraphic();
    if (!g || g->Is(Bitmap::StaticClass()))
        return;
    auto bitmap = std::make_unique<Bitmap>();
    if (g->AssignTo(*bitmap))
        picture.SetGraphic(std::move(bitmap));
}

} // namespace pelmora
