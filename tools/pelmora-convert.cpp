// pelmora-convert: the readers (and effects) from the command line.
//   pelmora-convert --info FILE            prints "WIDTHxHEIGHT FORMAT"
//   pelmora-convert [--seed N] [--effect NAME[=V1[,V2[,V3]]]]... FILE OUT.bmp
// On failure the error's message alone goes to standard error, exit status 1.
#include "effects/EffectCommand.h"
#include "effects/Random.h"
#include "formats/Bitmap.h"
#include "formats/Exception.h"
#include "formats/FormatRegistry.h"
#include "formats/Picture.h"
#include "formats/PictureReaders.h"
#include "formats/readers/TargaGraphic.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace pelmora;

namespace {

const char* const kUsage
    = "usage: pelmora-convert --info FILE | pelmora-convert [--seed N] [--effect NAME[=V1[,V2[,V3]]]]... FILE OUT.bmp";

struct Options {
    bool info = false;
    bool seeded = false;
    uint32_t seed = 0;
    std::vector<std::string> effects;
    std::vector<std::string> files;
};

Options ParseArguments(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--info") {
            o.info = true;
        } else if (a == "--seed" && i + 1 < argc) {
            char* end;
            o.seed = uint32_t(std::strtoul(argv[++i], &end, 10));
            if (*end)
                throw Exception("Invalid seed: " + std::string(argv[i]));
            o.seeded = true;
        } else if (a == "--effect" && i + 1 < argc) {
            o.effects.push_back(argv[++i]);
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            throw Exception(kUsage);
        } else {
            o.files.push_back(a);
        }
    }
    if (o.files.size() != (o.info ? 1u : 2u))
        throw Exception(kUsage);
    return o;
}

void Write(const Bitmap& bitmap, const std::string& path)
{
    std::string extension = LowerCase(FileExtension(path));
    if (extension == "bmp" || extension == "dib") {
        bitmap.SaveBitmapToFile(path);
        return;
    }
    if (extension == "tga") {
        TTargaGraphic targa;
        targa.Assign(bitmap);
        targa.SaveToFile(path);
        return;
    }
    throw Exception("Cannot write files of type ." + extension);
}

int Run(int argc, char** argv)
{
    Options o = ParseArguments(argc, argv);
    RegisterPictureReaders();
    Picture picture;
    picture.LoadFromFile(o.files[0]);
    DecodeToBitmap(picture);
    Graphic* g = picture.GetGraphic();
    const bool isBitmap = g->Is(Bitmap::StaticClass());
    if (o.info) {
        const char* format = isBitmap ? PixelFormatName(static_cast<Bitmap*>(g)->GetPixelFormat()) : "Device";
        std::printf("%dx%d %s\n", g->Width(), g->Height(), format);
        return 0;
    }
    if (!isBitmap)
        throw Exception(std::string("Cannot assign a ") + g->Class().name + " to a TBitmap");
    if (o.seeded)
        SetRandomSeed(o.seed);
    const RandomSeeding seeding = o.seeded ? RandomSeeding::Continue : RandomSeeding::FromClock;
    for (const std::string& effect : o.effects)
        ApplyEffect(picture.AsBitmap(), effect, seeding);
    Write(picture.AsBitmap(), o.files[1]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
