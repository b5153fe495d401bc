#include "Harness.h"

#include "formats/EmfRecords.h"
#include "formats/Icon.h"
#include "formats/ImageLimits.h"
#include "formats/JpegImage.h"
#include "formats/Metafile.h"
#include "formats/WmfRecords.h"
#include "formats/codecs/LZW.h"
#include "formats/codecs/RunLength.h"
#include "formats/codecs/TargaPackets.h"
#include "formats/readers/AutodeskGraphic.h"
#include "formats/readers/CUTGraphic.h"
#include "formats/readers/GIFGraphic.h"
#include "formats/readers/HEIFGraphic.h"
#include "formats/readers/JXLGraphic.h"
#include "formats/readers/PCDGraphic.h"
#include "formats/readers/PCXGraphic.h"
#include "formats/readers/PNGGraphic.h"
#include "formats/readers/PPMGraphic.h"
#include "formats/readers/PSDGraphic.h"
#include "formats/readers/RLAGraphic.h"
#include "formats/readers/SGIGraphic.h"
#include "formats/readers/TIFFGraphic.h"
#include "formats/readers/TargaGraphic.h"
#include "formats/readers/WebPGraphic.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <unistd.h>

namespace pelmora::fuzz {

namespace {

// Rows of equal size and format hold the same pixels (row padding aside).
bool SamePixels(const Bitmap& a, const Bitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetPixelFormat() != b.GetPixelFormat())
        return false;
    const auto bytes = size_t(RowBytes(a.Width(), BitsPerPixel(a.GetPixelFormat()), 1));
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0)
            return false;
    return true;
}

// A graphic that keeps its file saves exactly the bytes it was loaded from.
bool SavesAsLoaded(const Graphic& graphic, const uint8_t* data, size_t size)
{
    MemoryStream saved;
    graphic.SaveToStream(saved);
    return saved.Bytes().size() == size && std::equal(saved.Bytes().begin(), saved.Bytes().end(), data);
}

// Loads G, copies it and draws it into a bitmap: what loads must save as it came.
template <class G> bool LoadCopyAndSave(const uint8_t* data, size_t size)
{
    MemoryStream stream {std::span<const uint8_t>(data, size)};
    G loaded;
    try {
        loaded.LoadFromStream(stream);
    } catch (const Exception&) {
        return true;
    }
    G copy;
    copy.Assign(loaded);
    Bitmap drawn;
    try {
        drawn.Assign(copy);
        TouchRows(drawn);
    } catch (const Exception&) {
    }
    return SavesAsLoaded(copy, data, size);
}

} // namespace

bool IconOrMetafile(const uint8_t* data, size_t size)
{
    if (size == 0)
        return true;
    if (data[0] & 1)
        return LoadCopyAndSave<TMetafile>(data + 1, size - 1);
    return LoadCopyAndSave<TIcon>(data + 1, size - 1);
}

namespace {

bool Finite(double v)
{
    return std::isfinite(v);
}

// What a painter relies on: every index points into its table and every
// figure's points are there.
bool StepsHoldTogether(const DrawingSteps& d)
{
    for (const MetaState& s : d.states)
        for (double v :
            {s.transform.m11, s.transform.m12, s.transform.m21, s.transform.m22, s.transform.dx, s.transform.dy})
            if (!Finite(v))
                return false;
    for (const MetaStep& step : d.steps) {
        if (step.state >= d.states.size())
            return false;
        size_t need = 0;
        switch (step.kind) {
        case MetaStepKind::Polyline:
        case MetaStepKind::Polygon:
            for (uint32_t n : step.counts)
                need += n;
            break;
        case MetaStepKind::Path:
            for (MetaPathOp op : step.ops)
                need += op == MetaPathOp::Curve ? 3 : op == MetaPathOp::Close ? 0 : 1;
            if (need != step.points.size())
                return false;
            break;
        case MetaStepKind::Text: need = 1; break;
        case MetaStepKind::Bitmap:
            if (step.bitmap >= d.bitmaps.size())
                return false;
            break;
        default: break;
        }
        if (need > step.points.size())
            return false;
    }
    return true;
}

} // namespace

bool MetafileRecords(const uint8_t* data, size_t size)
{
    if (size == 0)
        return true;
    std::span<const uint8_t> rest(data + 1, size - 1);
    DrawingSteps steps;
    switch (data[0] % 3) {
    case 0: {
        MetafileDevice device(steps, 16);
        device.SetMapMode(int(MetaMapMode::Anisotropic));
        PlayWmfRecords(rest, device);
        break;
    }
    case 1: {
        MetafileDevice device(steps, 64);
        PlayEmfRecords(rest, 0, device);
        break;
    }
    default:
        try {
            bool enhanced;
            steps = ReadMetafile(rest, enhanced);
            if (steps.width <= 0 || steps.height <= 0 || steps.width > kMaxImageSide || steps.height > kMaxImageSide)
                return false;
        } catch (const Exception&) {
            return true;
        }
    }
    return StepsHoldTogether(steps);
}

namespace {

// A picture that loads saves from a copy, and what it saves loads back to the
// same pixels (and, for Targa, the same identification text).
template <class G> bool LoadSaveAndReload(const uint8_t* data, size_t size)
{
    MemoryStream stream {std::span<const uint8_t>(data, size)};
    G loaded;
    try {
        loaded.LoadFromStream(stream);
    } catch (const Exception&) {
        return true;
    }
    TouchRows(loaded);
    G copy;
    copy.Assign(loaded);
    MemoryStream saved;
    copy.SaveToStream(saved);
    if (saved.Bytes().empty()) // only an empty picture may write nothing
        return loaded.IsEmpty();
    saved.SetPosition(0);
    G again;
    again.LoadFromStream(saved);
    if constexpr (std::is_same_v<G, TTargaGraphic>)
        if (again.Identification() != loaded.Identification())
            return false;
    return SamePixels(loaded, again);
}

} // namespace

bool Bmp(const uint8_t* data, size_t size)
{
    return LoadSaveAndReload<Bitmap>(data, size);
}

bool Targa(const uint8_t* data, size_t size)
{
    return LoadSaveAndReload<TTargaGraphic>(data, size);
}

bool Jpeg(const uint8_t* data, size_t size)
{
    // One input in sixteen decodes as for a 256-colour display, through the
    // quantiser (slow enough to halve the runs a second if taken more often).
    SetDisplayBitsPerPixel(size % 16 == 0 ? 8 : 24);
    return LoadCopyAndSave<TJPEGImage>(data, size);
}

namespace {

// The Targa encoder's output decodes back to its input.
bool TargaRoundTrip(const std::vector<uint8_t>& pixels, int bytesPerPixel)
{
    int count = int(pixels.size()) / bytesPerPixel;
    std::vector<uint8_t> encoded(size_t(count) * size_t(bytesPerPixel + 1));
    size_t n = EncodeTargaRow(pixels.data(), encoded.data(), count, bytesPerPixel);
    std::vector<uint8_t> back(size_t(count) * size_t(bytesPerPixel));
    int bits = bytesPerPixel == 2 ? 16 : bytesPerPixel * 8;
    size_t used = DecodeTargaRow(encoded.data(), n, back.data(), back.size(), bits);
    return n <= encoded.size() && used == n && std::equal(back.begin(), back.end(), pixels.begin());
}

} // namespace

bool Codecs(const uint8_t* data, size_t size)
{
    if (size < 4)
        return true;
    const int which = data[0] % 9;
    const size_t unpacked = size_t(data[1] | data[2] << 8) % 20000;
    const uint8_t parameter = data[3];
    // Exactly as many bytes as there are, so a read or write past either end is caught.
    std::vector<uint8_t> packed(data + 4, data + size);
    std::vector<uint8_t> out(unpacked);
    std::unique_ptr<TDecoder> decoder;
    switch (which) {
    case 0: decoder = std::make_unique<TTIFFLZW>(); break;
    case 1: decoder = std::make_unique<TGIFLZW>(uint8_t(parameter % 13)); break;
    case 2: decoder = std::make_unique<TPackbitsRLE>(); break;
    case 3: decoder = std::make_unique<TPCXRLE>(); break;
    case 4: decoder = std::make_unique<TSGIRLE>(uint8_t(1 + parameter % 2)); break;
    case 5: {
        const TCUTRLE::Row row = TCUTRLE().DecodeRow(packed, out);
        return row.written <= out.size() && row.consumed <= packed.size();
    }
    case 6: decoder = std::make_unique<TRLADecoder>(); break;
    case 7: {
        static const int kBits[] = {8, 15, 16, 24, 32, 7};
        return DecodeTargaRow(packed.data(), packed.size(), out.data(), out.size(), kBits[parameter % 6])
            <= packed.size();
    }
    default: return TargaRoundTrip(packed, 1 + parameter % 4);
    }
    try {
        return decoder->Decode(packed, out) <= out.size();
    } catch (const Exception&) {
    }
    return true;
}

namespace {

// The first section the text names and the first key after it, so that the
// lookups find something to read, rewrite and delete.
std::pair<std::string, std::string> NamesIn(const std::string& text)
{
    std::string section, key;
    const size_t open = text.find('['), close = text.find(']', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos)
        section = text.substr(open + 1, close - open - 1);
    const size_t equals = text.find('=', close == std::string::npos ? 0 : close);
    if (equals != std::string::npos) {
        size_t from = equals;
        while (from > 0 && text[from - 1] != '\n' && text[from - 1] != '\r')
            --from;
        key = text.substr(from, equals - from);
    }
    return {section, key};
}

// A name a caller could mean: printable, without blanks or the file's own punctuation.
bool PlainName(const std::string& name)
{
    return !name.empty()
        && std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 127 && !std::strchr("=[];#", c); });
}

} // namespace

namespace {

// A file of this process's own in the temporary folder,
// "pelmora-<stem>-<pid><extension>", removed when the process ends.
struct ScratchFile {
    ScratchFile(const char* stem, const char* extension)
        : path((std::filesystem::temp_directory_path()
            / ("pelmora-" + std::string(stem) + "-" + std::to_string(getpid()) + extension))
                   .string())
    {
    }
    ~ScratchFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    const std::string path;
};

void WriteBytes(const std::string& path, const uint8_t* data, size_t size)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

} // namespace

bool Cut(const uint8_t* data, size_t size)
{
    if (size % 2 == 0)
        return Load<TCUTGraphic>(data, size);
    // An input of odd length is also its own palette file, found beside the
    // picture by either case of its extension, as a user's files would be.
    static const ScratchFile picture("cut-fuzz", ".cut"), lower("cut-fuzz", ".pal"), upper("cut-fuzz", ".PAL");
    const bool upperCase = size % 4 == 3;
    std::error_code ignored;
    std::filesystem::remove((upperCase ? lower : upper).path, ignored);
    WriteBytes((upperCase ? upper : lower).path, data, size);
    WriteBytes(picture.path, data, size);
    TCUTGraphic graphic;
    try {
        graphic.LoadFromFile(picture.path);
        TouchRows(graphic);
    } catch (const Exception&) {
    }
    return true;
}

bool Ini(const uint8_t* data, size_t size)
{
    static const ScratchFile file("ini-fuzz", ".ini");
    WriteBytes(file.path, data, size);
    IniFile ini(file.path);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto [section, key] = NamesIn(text);
    int value;
    ParseIniInteger(ini.ReadString(section, key, "default"), value);
    ini.ReadInteger(section, key, 3);
    ini.ReadBool(section, key, true);
    ini.SectionExists(section);
    ini.ValueExists(section, key);
    ParseIniInteger(text, value);
    try {
        ini.WriteString(section, key, "v");
        ini.WriteInteger(section, "Added", -5);
        ini.WriteBool("Preferences", "Flag", true);
        // What was written reads back.
        if (PlainName(section) && PlainName(key) && ini.ReadString(section, key, "") != "v")
            return false;
        ini.DeleteKey(section, key);
        ini.EraseSection(section);
    } catch (const Exception&) {
    }
    return true;
}

bool LibraryReader(int which, const uint8_t* data, size_t size)
{
    // Small pictures only: a damaged header asking for millions of pixels
    // would spend the run in the codec rather than in the reader's checks.
    ThreadPixelLimit limit(kLibraryFuzzPixels);
    switch (which % 4) {
    case 0: return Load<TPNGGraphic>(data, size);
    case 1: return Load<TWebPGraphic>(data, size);
    case 2: return Load<THEIFGraphic>(data, size);
    default: return Load<TJXLGraphic>(data, size);
    }
}

bool LibraryReaders(const uint8_t* data, size_t size)
{
    if (size == 0)
        return true;
    return LibraryReader(data[0], data + 1, size - 1);
}

const std::map<std::string, Harness>& Targets()
{
    static const std::map<std::string, Harness> targets = {
        {"bmp", &Bmp},
        {"icon_metafile", &IconOrMetafile},
        {"metafile_records", &MetafileRecords},
        {"jpeg", &Jpeg},
        {"codecs", &Codecs},
        {"ini", &Ini},
        {"tiff", &Load<TTIFFGraphic>},
        {"targa", &Targa},
        {"pcx", &Load<TPCXGraphic>},
        {"sgi", &Load<TSGIGraphic>},
        {"cut", &Cut},
        {"gif", &Load<TGIFGraphic>},
        {"psd", &Load<TPSDGraphic>},
        {"ppm", &Load<TPPMGraphic>},
        {"rla", &Load<TRLAGraphic>},
        {"autodesk", &Load<TAutodeskGraphic>},
        {"pcd", &Load<TPCDGraphic>},
        {"pcd_layout", &PcdLayout},
        {"libraries", &LibraryReaders},
    };
    return targets;
}

} // namespace pelmora::fuzz
