// pelmora-convert: the readers (and effects) from the command line; see kHelp.
// On failure the error's message alone goes to standard error, exit status 1.
#include "effects/EffectCommand.h"
#include "effects/Random.h"
#include "effects/Resample.h"
#include "formats/Bitmap.h"
#include "formats/Exception.h"
#include "formats/FormatRegistry.h"
#include "formats/ImageLimits.h"
#include "formats/Metafile.h"
#include "formats/Picture.h"
#include "formats/PictureReaders.h"
#include "formats/PngFile.h"
#include "formats/readers/TargaGraphic.h"

#ifdef PELMORA_DRAWS_METAFILES
#include "app/MetafilePainter.h"

#include <QGuiApplication>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace pelmora;

namespace {

const char* const kUsage = "usage: pelmora-convert --info FILE\n"
                           "       pelmora-convert [--seed N] [--effect NAME[=V1[,V2[,V3]]]]... FILE OUT\n"
                           "       pelmora-convert --thumbnail SIZE FILE OUT.png\n"
                           "       pelmora-convert --help | --version";

const char* const kHelp = "\n\n"
                          "Reads a picture file of any type Pelmora reads and writes it as a\n"
                          "Windows bitmap (OUT.bmp or OUT.dib), a Targa file (OUT.tga) or a PNG\n"
                          "file (OUT.png).\n\n"
                          "  --info           print the picture's WIDTHxHEIGHT and pixel format\n"
                          "  --effect NAME=V  apply an effect of the display window's menus first\n"
                          "                   (repeatable; values as the filter dialog takes them)\n"
                          "  --seed N         make the random effects repeatable\n"
                          "  --thumbnail SIZE write a PNG whose longer side is SIZE pixels (smaller\n"
                          "                   pictures keep their size), decoding at reduced size\n"
                          "                   where the format allows\n"
                          "  --help           show this text\n"
                          "  --version        show the version\n\n"
                          "Exit status 0 on success; 1 with the error's message on standard error.\n";

struct Options {
    bool info = false;
    bool help = false;
    bool version = false;
    bool seeded = false;
    uint32_t seed = 0;
    int thumbnail = 0;
    std::vector<std::string> effects;
    std::vector<std::string> files;
};

// A whole decimal number; `what` names the argument in the error.
long long ParseNumber(const char* text, const std::string& what)
{
    char* end;
    long long value = std::strtoll(text, &end, 10);
    if (!*text || *end)
        throw Exception("Invalid " + what + ": " + text);
    return value;
}

Options ParseArguments(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--info") {
            o.info = true;
        } else if (a == "--help") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--seed" && i + 1 < argc) {
            o.seed = uint32_t(ParseNumber(argv[++i], "seed"));
            o.seeded = true;
        } else if (a == "--effect" && i + 1 < argc) {
            o.effects.push_back(argv[++i]);
        } else if (a == "--thumbnail" && i + 1 < argc) {
            long long size = ParseNumber(argv[++i], "thumbnail size");
            if (size < 1 || size > kMaxImageSide)
                throw Exception("Invalid thumbnail size: " + std::string(argv[i]));
            o.thumbnail = int(size);
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            throw Exception(kUsage);
        } else {
            o.files.push_back(a);
        }
    }
    if (!o.help && !o.version && o.files.size() != (o.info ? 1u : 2u))
        throw Exception(kUsage);
    return o;
}

// The picture shrunk so that its longer side is `size` pixels.
void ShrinkToThumbnail(Bitmap& picture, int size)
{
    const int longer = std::max(picture.Width(), picture.Height());
    if (longer <= size)
        return;
    auto side = [&](int length) { return std::max(1, int(std::lround(double(length) * size / longer))); };
    Bitmap thumbnail(side(picture.Width()), side(picture.Height()), PixelFormat::Rgb24);
    Resample(picture, thumbnail, ResampleKernels[kDefaultResampleKernel]);
    picture = std::move(thumbnail);
}

#ifdef PELMORA_DRAWS_METAFILES
// Metafiles are drawn by the Qt painter, and its text needs a GUI
// application; one without a display is enough.
std::shared_ptr<void> PrepareMetafileDrawing(int& argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the session it runs in are no business of a converter's caller.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    InstallMetafilePainter();
    return std::make_shared<QGuiApplication>(argc, argv);
}
#else
std::shared_ptr<void> PrepareMetafileDrawing(int&, char**)
{
    return nullptr;
}
#endif

void Write(const Bitmap& bitmap, const std::string& path)
{
    std::string extension = LowerCase(FileExtension(path));
    if (extension == "bmp" || extension == "dib") {
        bitmap.SaveBitmapToFile(path);
        return;
    }
    if (extension == "png") {
        SavePngToFile(bitmap, path);
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

int Run(int& argc, char** argv)
{
    Options o = ParseArguments(argc, argv);
    if (o.help || o.version) {
        if (o.help)
            std::printf("%s%s", kUsage, kHelp);
        else
            std::printf("pelmora-convert %s\n", PELMORA_VERSION);
        return 0;
    }
    RegisterPictureReaders();
    Picture picture;
    if (o.thumbnail)
        picture.SetDecodeSize({o.thumbnail, o.thumbnail});
    picture.LoadFromFile(o.files[0]);
    std::shared_ptr<void> painting;
    if (!o.info && picture.GetGraphic()->Is(TMetafile::StaticClass())) {
        painting = PrepareMetafileDrawing(argc, argv);
        // A thumbnail of vectors is drawn at its own size, not shrunk from a larger drawing.
        Graphic* g = picture.GetGraphic();
        int longer = std::max(g->Width(), g->Height());
        if (o.thumbnail && longer > o.thumbnail) {
            double f = double(o.thumbnail) / longer;
            g->SetWidth(std::max(1, int(std::lround(g->Width() * f))));
            g->SetHeight(std::max(1, int(std::lround(g->Height() * f))));
        }
    }
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
    if (o.thumbnail) {
        ShrinkToThumbnail(picture.AsBitmap(), o.thumbnail);
        SavePngToFile(picture.AsBitmap(), o.files[1]);
        return 0;
    }
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
