#include "PictureReaders.h"

#include "Bitmap.h"
#include "FormatRegistry.h"
#include "Icon.h"
#include "readers/AutodeskGraphic.h"
#include "readers/CUTGraphic.h"
#include "readers/GIFGraphic.h"
#include "readers/HEIFGraphic.h"
#include "readers/JXLGraphic.h"
#include "readers/PCDGraphic.h"
#include "readers/PCXGraphic.h"
#include "readers/PNGGraphic.h"
#include "readers/PPMGraphic.h"
#include "readers/PSDGraphic.h"
#include "readers/RLAGraphic.h"
#include "readers/SGIGraphic.h"
#include "readers/TIFFGraphic.h"
#include "readers/TargaGraphic.h"
#include "readers/WebPGraphic.h"

namespace pelmora {

namespace {

struct ReaderEntry {
    const char* extension;
    const char* description;
    const GraphicClass& (*graphicClass)();
};

// The order matters only to the last-first search; it is the order users'
// files have always been matched in.
const ReaderEntry kReaders[] = {
    {"win", "Truevision images", &TTargaGraphic::StaticClass},
    {"vst", "Truevision images", &TTargaGraphic::StaticClass},
    {"vda", "Truevision images", &TTargaGraphic::StaticClass},
    {"tiff", "TIFF images", &TTIFFGraphic::StaticClass},
    {"tif", "TIFF images", &TTIFFGraphic::StaticClass},
    {"tga", "Truevision images", &TTargaGraphic::StaticClass},
    {"sgi", "SGI true color images", &TSGIGraphic::StaticClass},
    {"scr", "Word 5.x screen capture images", &TPCXGraphic::StaticClass},
    {"rpf", "SGI Wavefront images", &TRLAGraphic::StaticClass},
    {"rle", "Windows bitmap", &Bitmap::StaticClass},
    {"rla", "SGI Wavefront images", &TRLAGraphic::StaticClass},
    {"rgba", "SGI true color images", &TSGIGraphic::StaticClass},
    {"rgb", "SGI true color images", &TSGIGraphic::StaticClass},
    {"psd", "Photoshop images", &TPSDGraphic::StaticClass},
    {"ppm", "Portable pixel map images", &TPPMGraphic::StaticClass},
    {"pgm", "Portable grayscale images", &TPPMGraphic::StaticClass},
    {"pbm", "Portable b&w images", &TPPMGraphic::StaticClass},
    {"pic", "Autodesk images", &TAutodeskGraphic::StaticClass},
    {"pcx", "ZSoft PCX images", &TPCXGraphic::StaticClass},
    {"pdd", "Photoshop images", &TPSDGraphic::StaticClass},
    {"pcd", "Kodak Photo-CD images", &TPCDGraphic::StaticClass},
    {"pcc", "ZSoft PCC images", &TPCXGraphic::StaticClass},
    {"icb", "Truevision images", &TTargaGraphic::StaticClass},
    {"gif", "CompuServe images", &TGIFGraphic::StaticClass},
    {"dib", "Windows bitmap", &Bitmap::StaticClass},
    {"cut", "Dr. Halo images", &TCUTGraphic::StaticClass},
    {"cel", "Autodesk images", &TAutodeskGraphic::StaticClass},
    {"bw", "SGI black/white images", &TSGIGraphic::StaticClass},
    // Today's formats, after the historic ones.
    {"webp", "WebP images", &TWebPGraphic::StaticClass},
    {"png", "PNG images", &TPNGGraphic::StaticClass},
    {"jxl", "JPEG XL images", &TJXLGraphic::StaticClass},
    {"heif", "HEIF images", &THEIFGraphic::StaticClass},
    {"heic", "HEIF images", &THEIFGraphic::StaticClass},
    {"avif", "AVIF images", &THEIFGraphic::StaticClass},
    {"cur", "Cursors", &TIcon::StaticClass},
};

// Classes the readers bring (not the platform's Bitmap and TIcon, whose entries stay at shutdown).
bool IsReaderClass(const GraphicClass& c)
{
    return &c != &Bitmap::StaticClass() && &c != &TIcon::StaticClass();
}

} // namespace

void RegisterPictureReaders()
{
    FormatRegistry& registry = FormatRegistry::Instance();
    for (const ReaderEntry& e : kReaders)
        registry.RegisterFormat(e.extension, e.description, e.graphicClass());
}

void UnregisterPictureReaders()
{
    FormatRegistry& registry = FormatRegistry::Instance();
    for (const ReaderEntry& e : kReaders)
        if (IsReaderClass(e.graphicClass()))
            registry.UnregisterClass(e.graphicClass());
}

} // namespace pelmora
