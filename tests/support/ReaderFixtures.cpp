#include "ReaderFixtures.h"

#include "AutodeskFile.h"
#include "ByteWriter.h"
#include "CutFile.h"
#include "GifFile.h"
#include "IconFile.h"
#include "MetafileFile.h"
#include "PcdFile.h"
#include "PcxFile.h"
#include "PnmFile.h"
#include "PsdFile.h"
#include "RlaFile.h"
#include "SgiFile.h"
#include "TargaFile.h"
#include "TiffWriter.h"

#include <algorithm>

namespace pelmora::test {

namespace {

using Bytes = std::vector<uint8_t>;

// Stretches of equal bytes between noise, so that run-length writers emit both packet kinds.
Bytes Samples(size_t count, uint32_t seed)
{
    Bytes s(count);
    for (size_t i = 0; i < count; ++i)
        s[i] = (i / 4) % 3 == 0 ? uint8_t(seed * 40 + 3) : uint8_t(i * 37 + seed * 11 + (i >> 3));
    return s;
}

class Catalogue {
public:
    void Add(const std::string& target, const std::string& name, Bytes bytes)
    {
        fixtures_.push_back({target, name, std::move(bytes)});
    }
    std::vector<Fixture> Take() { return std::move(fixtures_); }

private:
    std::vector<Fixture> fixtures_;
};

void AddTiff(Catalogue& c)
{
    auto rgb = [](int width, int height) {
        TiffWriter w;
        w.width = width;
        w.height = height;
        w.samplesPerPixel = 3;
        w.photometric = 2;
        w.data = Samples(size_t(width * height * 3), 1);
        return w;
    };
    const std::pair<int, const char*> compressions[] = {{1, "none"}, {5, "lzw"}, {32773, "packbits"}};
    for (bool big : {false, true})
        for (auto [compression, name] : compressions) {
            TiffWriter w = rgb(9, 5);
            w.bigEndian = big;
            w.compression = compression;
            w.rowsPerStrip = 2;
            w.predictor = compression == 5 && big;
            c.Add("tiff", std::string("rgb-") + (big ? "be-" : "le-") + name + (w.predictor ? "-predictor" : ""),
                w.Build());
        }
    std::vector<uint16_t> wide;
    for (int i = 0; i < 4 * 3 * 3; ++i)
        wide.push_back(uint16_t(i * 1400 + 0xFF));
    TiffWriter rgb16 = rgb(4, 3);
    rgb16.bitsPerSample = 16;
    rgb16.compression = 5;
    rgb16.predictor = true;
    rgb16.bigEndian = true;
    rgb16.data = Samples16(wide);
    c.Add("tiff", "rgb16-be-lzw-predictor", rgb16.Build());
    TiffWriter grey16 = rgb16;
    grey16.bigEndian = false;
    grey16.predictor = false;
    grey16.samplesPerPixel = 1;
    grey16.photometric = 1;
    grey16.data = Samples16(std::vector<uint16_t>(wide.begin(), wide.begin() + 12));
    c.Add("tiff", "grey16-le-lzw", grey16.Build());

    for (int bits : {1, 2, 4, 8})
        for (int photometric : {0, 1}) {
            TiffWriter w;
            w.width = 8;
            w.height = 3;
            w.bitsPerSample = bits;
            w.photometric = photometric;
            w.compression = bits == 8 ? 32773 : 1;
            w.data = Samples(size_t(bits * 3), uint32_t(bits));
            c.Add(
                "tiff", "grey" + std::to_string(bits) + (photometric ? "-black-is-zero" : "-white-is-zero"), w.Build());
        }
    for (int bits : {1, 2, 4, 8}) {
        const int count = 1 << bits;
        std::vector<uint32_t> map(size_t(count * 3));
        for (int i = 0; i < count * 3; ++i)
            map[size_t(i)] = uint32_t(i * 37 + 11) % 256 * 257;
        TiffWriter w;
        w.width = 8;
        w.height = 2;
        w.bitsPerSample = bits;
        w.photometric = 3;
        w.compression = bits == 8 ? 5 : 1;
        w.SetTag(320, kTiffShort, map);
        w.data = Samples(size_t(bits * 2), 2);
        c.Add("tiff", "palette" + std::to_string(bits), w.Build());
    }
    TiffWriter rgba = rgb(5, 3);
    rgba.samplesPerPixel = 4;
    rgba.SetTag(338, kTiffShort, {2});
    rgba.data = Samples(5 * 3 * 4, 3);
    c.Add("tiff", "rgba-extra-samples", rgba.Build());
    TiffWriter greyAlpha = rgba;
    greyAlpha.samplesPerPixel = 2;
    greyAlpha.photometric = 1;
    greyAlpha.SetTag(338, kTiffShort, {1});
    greyAlpha.data.resize(5 * 3 * 2);
    c.Add("tiff", "grey-alpha", greyAlpha.Build());
    TiffWriter cmyk = rgba;
    cmyk.photometric = 5;
    cmyk.RemoveTag(338);
    c.Add("tiff", "cmyk", cmyk.Build());
    TiffWriter lab = rgb(3, 2);
    lab.photometric = 8;
    c.Add("tiff", "cielab", lab.Build());
    for (int samples : {3, 4}) {
        TiffWriter planar = rgb(5, 4);
        planar.samplesPerPixel = samples;
        planar.photometric = samples == 4 ? 5 : 2;
        planar.planar = true;
        planar.rowsPerStrip = 2;
        planar.compression = 5;
        planar.predictor = samples == 3;
        planar.data = Samples(size_t(5 * 4 * samples), 4);
        c.Add("tiff", samples == 4 ? "planar-cmyk-lzw" : "planar-rgb-lzw-predictor", planar.Build());
    }
    for (auto [sx, sy] : {std::pair {2, 2}, std::pair {2, 1}}) {
        const int width = 5, height = 3;
        const int blocksX = (width + sx - 1) / sx, blocksY = (height + sy - 1) / sy;
        TiffWriter w;
        w.width = width;
        w.height = height;
        w.samplesPerPixel = 3;
        w.photometric = 6;
        w.compression = 5;
        w.unitRows = sy;
        w.unitBytes = size_t(blocksX * (sx * sy + 2));
        w.SetTag(530, kTiffShort, {uint32_t(sx), uint32_t(sy)});
        w.data = Samples(w.unitBytes * size_t(blocksY), 5);
        c.Add("tiff", "ycbcr-" + std::to_string(sx) + "x" + std::to_string(sy), w.Build());
    }
    TiffWriter shortTables = rgb(4, 6);
    shortTables.rowsPerStrip = 3;
    shortTables.stripTableType = kTiffShort;
    shortTables.bigEndian = true;
    c.Add("tiff", "short-strip-tables", shortTables.Build());
}

void AddTarga(Catalogue& c)
{
    struct Kind {
        const char* name;
        int imageType, bits, mapBits;
    };
    const Kind kinds[] = {
        {"true24", 2, 24, 0},
        {"true32", 2, 32, 0},
        {"true16", 2, 16, 0},
        {"true15", 2, 15, 0},
        {"rle24", 10, 24, 0},
        {"rle32", 10, 32, 0},
        {"rle16", 10, 16, 0},
        {"mapped-map24", 1, 8, 24},
        {"mapped-map16", 1, 8, 16},
        {"mapped-map32", 1, 8, 32},
        {"mapped-map15", 1, 8, 15},
        {"rle-mapped", 9, 8, 24},
        {"grey", 3, 8, 0},
        {"rle-grey", 11, 8, 0},
    };
    for (const Kind& k : kinds) {
        TargaFile f;
        f.imageType = k.imageType;
        f.bitsPerPixel = k.bits;
        f.width = 7;
        f.height = 4;
        if (k.mapBits) {
            f.colorMapType = 1;
            f.colorMapLength = 16;
            f.colorMapEntryBits = k.mapBits;
            f.colorMap = Samples(size_t(16 * ((k.mapBits + 7) / 8)), 6);
        }
        Bytes pixels = Samples(size_t(7 * 4 * ((k.bits + 7) / 8)), 7);
        if (k.mapBits)
            for (auto& p : pixels)
                p %= 16;
        f.pixels = pixels;
        c.Add("targa", k.name, f.Bytes());
        if (k.imageType == 10 && k.bits == 24) {
            f.descriptor = 0; // bottom row first
            f.id = "Pelmora";
            c.Add("targa", "rle24-bottom-first-id", f.Bytes());
        }
        if (k.imageType == 2 && k.bits == 32) {
            f.descriptor = 0x08; // bottom row first, eight alpha bits
            c.Add("targa", "true32-bottom-first", f.Bytes());
        }
    }
    TargaFile wide;
    wide.imageType = 10;
    wide.width = 200; // runs and literal packets of the longest kind
    wide.height = 2;
    wide.pixels = Bytes(200 * 2 * 3, 9);
    for (size_t i = 200 * 3; i < wide.pixels.size(); ++i)
        wide.pixels[i] = uint8_t(i * 7);
    c.Add("targa", "rle24-long-packets", wide.Bytes());
    TargaFile greyMap;
    greyMap.imageType = 3;
    greyMap.bitsPerPixel = 8;
    greyMap.colorMapType = 1;
    greyMap.colorMapLength = 4;
    greyMap.colorMap = Bytes(12, 1);
    greyMap.width = 3;
    greyMap.height = 2;
    greyMap.pixels = Samples(6, 1);
    c.Add("targa", "grey-with-map", greyMap.Bytes());
    TargaFile empty;
    c.Add("targa", "no-pixels", empty.Bytes());
    TargaFile single;
    single.width = single.height = 1;
    single.pixels = {1, 2, 3};
    c.Add("targa", "one-pixel", single.Bytes());
}

void AddPcx(Catalogue& c)
{
    struct Kind {
        const char* name;
        int bits, planes;
    };
    const Kind kinds[] = {{"mono", 1, 1}, {"planes4", 1, 4}, {"indexed8", 8, 1}, {"rgb", 8, 3}};
    for (const Kind& k : kinds)
        for (int encoding : {1, 0}) {
            PcxFile f;
            f.bitsPerPixel = k.bits;
            f.planes = k.planes;
            f.encoding = encoding;
            f.width = 11;
            f.height = 3;
            f.colors16 = Samples(48, 2);
            f.lines = Samples(size_t(f.height * f.planes * f.BytesPerLine()), uint32_t(k.planes));
            if (k.bits == 8 && k.planes == 1)
                f.trailer = PcxPaletteTrailer(Samples(768, 3));
            c.Add("pcx", std::string(k.name) + (encoding ? "-rle" : "-raw"), f.Bytes());
            if (encoding == 0)
                continue;
            if (k.planes == 4) {
                f.version = 3; // the standard colours, not the header's
                c.Add("pcx", "planes4-version3", f.Bytes());
            }
            if (k.bits == 8 && k.planes == 1) {
                f.trailer.clear();
                c.Add("pcx", "indexed8-no-palette", f.Bytes());
                f.paletteInfo = 2;
                f.trailer = PcxPaletteTrailer(Samples(768, 4));
                c.Add("pcx", "indexed8-grey-info", f.Bytes());
            }
            if (k.bits == 8 && k.planes == 3) {
                f.bytesPerLine = 16; // more than the width needs
                f.lines = Samples(size_t(f.height * f.planes * 16), 5);
                c.Add("pcx", "rgb-padded-lines", f.Bytes());
            }
        }
    for (int version : {0, 2, 4}) {
        PcxFile f;
        f.version = version;
        f.bitsPerPixel = 1;
        f.planes = 4;
        f.width = 16;
        f.height = 2;
        f.lines = Samples(size_t(2 * 4 * f.BytesPerLine()), 6);
        c.Add("pcx", "planes4-version" + std::to_string(version), f.Bytes());
    }
    PcxFile wide;
    wide.width = 150; // runs of the longest kind and bytes of 192 and more
    wide.height = 2;
    wide.lines = Bytes(size_t(2 * wide.BytesPerLine()), 200);
    wide.trailer = PcxPaletteTrailer(Samples(768, 7));
    c.Add("pcx", "indexed8-long-runs", wide.Bytes());
    PcxFile single;
    single.planes = 3;
    single.width = single.height = 1;
    single.lines = {10, 20, 30};
    c.Add("pcx", "rgb-one-pixel", single.Bytes());
    PcxFile tall;
    tall.bitsPerPixel = 1;
    tall.width = 3;
    tall.height = 40;
    tall.lines = Samples(size_t(40 * tall.BytesPerLine()), 8);
    c.Add("pcx", "mono-tall", tall.Bytes());
    PcxFile otherMaker = tall;
    otherMaker.maker = 11;
    c.Add("pcx", "wrong-maker", otherMaker.Bytes());
    PcxFile two;
    two.bitsPerPixel = 2;
    two.width = 4;
    two.height = 1;
    two.lines = {0x1B, 0};
    c.Add("pcx", "unsupported-2bit", two.Bytes());
}

void AddSgi(Catalogue& c)
{
    for (bool runLength : {false, true})
        for (int bytes : {1, 2})
            for (int channels : {1, 2, 3, 4}) {
                SgiFile f;
                f.runLength = runLength;
                f.bytesPerSample = bytes;
                f.width = 6;
                f.height = 3;
                f.channels = channels;
                for (uint8_t v : Samples(size_t(6 * 3 * channels), uint32_t(channels)))
                    f.samples.push_back(bytes == 2 ? uint16_t(v << 8 | v) : v);
                c.Add("sgi",
                    std::string(runLength ? "rle" : "verbatim") + (bytes == 2 ? "16-" : "8-") + std::to_string(channels)
                        + "ch",
                    f.Bytes());
            }
    for (int bytes : {1, 2}) {
        SgiFile f;
        f.runLength = true;
        f.bytesPerSample = bytes;
        f.width = 140; // a repeat packet of the longest kind
        f.height = 1;
        f.channels = 3;
        f.samples.assign(140 * 3, 9);
        for (size_t i = 140; i < 280; ++i)
            f.samples[i] = uint16_t(i);
        c.Add("sgi", "rle-long-packets" + std::to_string(bytes * 8), f.Bytes());
    }
    SgiFile one;
    one.width = one.height = 1;
    one.samples = {77};
    c.Add("sgi", "one-pixel", one.Bytes());
    SgiFile empty;
    c.Add("sgi", "no-pixels", empty.Bytes());
}

void AddCut(Catalogue& c)
{
    const std::pair<int, int> sizes[] = {{1, 1}, {5, 3}, {8, 8}, {130, 2}, {300, 1}, {2, 40}, {17, 5}};
    int seed = 0;
    for (auto [width, height] : sizes) {
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        Bytes noise = Samples(size_t(width * height), uint32_t(++seed));
        c.Add("cut", "mixed-" + size, CutFileBytes(width, height, noise));
        Bytes flat(size_t(width * height), uint8_t(seed * 30));
        c.Add("cut", "flat-" + size, CutFileBytes(width, height, flat));
        Bytes ramp(size_t(width * height));
        for (size_t i = 0; i < ramp.size(); ++i)
            ramp[i] = uint8_t(i);
        if (width * height > 1)
            c.Add("cut", "ramp-" + size, CutFileBytes(width, height, ramp));
    }
    c.Add("cut", "no-pixels", CutFileBytes(0, 0, {}));
}

void AddGif(Catalogue& c)
{
    auto picture = [](int bits, int width, int height) {
        GifFile f;
        f.screenWidth = width;
        f.screenHeight = height;
        f.globalTable = Samples(size_t(3 << bits), uint32_t(bits));
        f.codeSize = bits < 2 ? 2 : bits;
        f.indices = Samples(size_t(width * height), 3);
        for (auto& i : f.indices)
            i = uint8_t(i % (1 << bits));
        return f;
    };
    for (int bits : {1, 2, 4, 8}) {
        GifFile f = picture(bits, 9, 5);
        c.Add("gif", "global" + std::to_string(bits), f.Bytes());
        f.interlaced = true;
        c.Add("gif", "interlaced" + std::to_string(bits), f.Bytes());
    }
    GifFile old = picture(4, 6, 4);
    old.signature = "GIF87a";
    c.Add("gif", "gif87a", old.Bytes());
    GifFile local = picture(3, 6, 4);
    local.localTable = local.globalTable;
    local.globalTable.clear();
    c.Add("gif", "local-only", local.Bytes());
    local.globalTable = Samples(3 * 256, 9);
    c.Add("gif", "local-and-global", local.Bytes());
    GifFile control = picture(4, 6, 4);
    control.extensions = {GifControlExtension(10, 3)};
    c.Add("gif", "transparent", control.Bytes());
    control.extensions.push_back({'!', 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0});
    control.extensions.push_back({'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    c.Add("gif", "comment-and-application", control.Bytes());
    GifFile inner = picture(4, 10, 6);
    inner.width = 4;
    inner.height = 3;
    inner.indices.resize(12);
    c.Add("gif", "image-inside-screen", inner.Bytes());
    GifFile none = picture(2, 4, 4);
    none.hasImage = false;
    c.Add("gif", "screen-only", none.Bytes());
    GifFile wide = picture(8, 300, 2);
    c.Add("gif", "wide-code-growth", wide.Bytes());
    GifFile localInterlaced = picture(8, 12, 9);
    localInterlaced.localTable = Samples(3 * 256, 4);
    localInterlaced.interlaced = true;
    localInterlaced.extensions = {GifControlExtension(0, 255)};
    c.Add("gif", "local-interlaced-transparent", localInterlaced.Bytes());
    GifFile twoColours = picture(1, 17, 3);
    twoColours.signature = "GIF87a";
    twoColours.globalTable.clear();
    c.Add("gif", "no-colour-table", twoColours.Bytes());
    GifFile tiny = picture(1, 1, 1);
    c.Add("gif", "one-pixel", tiny.Bytes());
    GifFile garbled = picture(2, 4, 2);
    garbled.packed = Bytes {0x8C, 0x2D, 0x99, 0x87, 0x2A, 0x1C, 0xDC, 0x33, 0xA0, 0x02}; // codes not from our encoder
    c.Add("gif", "foreign-code-stream", garbled.Bytes());
}

void AddPsd(Catalogue& c)
{
    struct Mode {
        const char* name;
        int mode, planes;
    };
    const Mode modes[] = {{"bitmap", 0, 1}, {"grey-alpha", 1, 2}, {"indexed", 2, 1}, {"duotone", 8, 1},
        {"rgb-alpha", 3, 4}, {"rgb", 3, 3}, {"cmyk", 4, 4}, {"lab", 9, 3}};
    for (const Mode& m : modes)
        for (int bits : {8, 16})
            for (bool packBits : {false, true}) {
                if (m.mode == 0 && bits == 16)
                    continue;
                PsdFile f;
                f.mode = m.mode;
                f.bits = m.mode == 0 ? 1 : bits;
                f.width = 6;
                f.height = 3;
                f.packBits = packBits;
                if (m.mode == 2)
                    f.colorModeData = Samples(768, 2);
                if (m.mode == 8)
                    f.colorModeData = Bytes(40, 7);
                f.resources = {'8', 'B', 'I', 'M', 3, 0xED, 0, 0, 0, 0, 0, 0};
                for (int p = 0; p < m.planes; ++p)
                    f.planes.push_back(Samples(size_t(f.height * f.RowBytes()), uint32_t(p)));
                c.Add("psd",
                    std::string(m.name) + (m.mode ? "-" + std::to_string(bits) : "")
                        + (packBits ? "-packbits" : "-raw"),
                    f.Bytes());
            }
}

void AddPpm(Catalogue& c)
{
    auto file = [](int variant, int maxValue, int width, int height) {
        PnmFile f;
        f.variant = variant;
        f.maxValue = maxValue;
        f.width = width;
        f.height = height;
        const int channels = variant == 3 || variant == 6 ? 3 : 1;
        const int top = variant == 1 || variant == 4 ? 1 : maxValue;
        for (int i = 0; i < width * height * channels; ++i)
            f.samples.push_back((i * 37 + i / 5) % (top + 1));
        return f;
    };
    for (int variant = 1; variant <= 6; ++variant) {
        c.Add("ppm", "p" + std::to_string(variant), file(variant, 255, 7, 3).Bytes());
        if (variant == 1 || variant == 4)
            continue;
        c.Add("ppm", "p" + std::to_string(variant) + "-max15", file(variant, 15, 5, 2).Bytes());
        c.Add("ppm", "p" + std::to_string(variant) + "-max65535", file(variant, 65535, 4, 2).Bytes());
    }
    PnmFile commented = file(6, 255, 3, 2);
    commented.header = "P6\n# made by hand\n3 # width\n2\n# levels\n255\n";
    c.Add("ppm", "p6-comments", commented.Bytes());
    PnmFile spaced = file(3, 100, 2, 2);
    spaced.header = "P3 \t2\r\n2   100\n";
    c.Add("ppm", "p3-odd-spacing", spaced.Bytes());
    PnmFile wide = file(4, 1, 20, 3);
    c.Add("ppm", "p4-wide", wide.Bytes());
    c.Add("ppm", "p5-one-pixel", file(5, 255, 1, 1).Bytes());
    c.Add("ppm", "p6-max1", file(6, 1, 3, 3).Bytes());
    c.Add("ppm", "p5-max256", file(5, 256, 3, 2).Bytes());
}

void AddRla(Catalogue& c)
{
    auto file = [](int width, int lines, int colours, int mattes, uint32_t seed) {
        RlaFile f;
        f.left = 0;
        f.right = width - 1;
        f.bottom = 0;
        f.top = lines - 1;
        f.colorChannels = colours;
        f.matteChannels = mattes;
        for (int k = 0; k < lines; ++k) {
            f.lines.emplace_back();
            for (int ch = 0; ch < colours + mattes; ++ch)
                f.lines.back().push_back(Samples(size_t(width), seed + uint32_t(k * 7 + ch)));
        }
        return f;
    };
    for (int colours : {3, 4})
        for (int mattes : {0, 1, 2}) {
            c.Add("rla", "colour" + std::to_string(colours) + "-matte" + std::to_string(mattes),
                file(6, 3, colours, mattes, 1).Bytes());
        }
    const std::pair<int, int> sizes[] = {{1, 1}, {130, 2}, {2, 9}, {16, 4}};
    for (auto [width, lines] : sizes)
        for (int mattes : {0, 1})
            c.Add("rla",
                "size" + std::to_string(width) + "x" + std::to_string(lines) + "-matte" + std::to_string(mattes),
                file(width, lines, 3, mattes, 3).Bytes());
    RlaFile shifted = file(5, 3, 3, 1, 4);
    shifted.left = 10;
    shifted.right = 14;
    shifted.bottom = 20;
    shifted.top = 22;
    c.Add("rla", "shifted-window", shifted.Bytes());
    RlaFile flat = file(40, 2, 3, 0, 5);
    for (auto& line : flat.lines)
        for (auto& channel : line)
            std::fill(channel.begin(), channel.end(), uint8_t(90));
    c.Add("rla", "flat", flat.Bytes());
    c.Add("rla", "grey-refused", file(4, 2, 1, 0, 6).Bytes());
    c.Add("rla", "colour4-matte0-wide", file(200, 2, 4, 0, 7).Bytes());
    c.Add("rla", "matte3", file(3, 3, 3, 3, 8).Bytes());
    RlaFile upsideDown = file(3, 1, 3, 0, 9);
    upsideDown.bottom = 1; // a window whose top is below its bottom
    upsideDown.top = 0;
    c.Add("rla", "top-below-bottom", upsideDown.Bytes());
}

void AddAutodesk(Catalogue& c)
{
    const std::pair<int, int> sizes[]
        = {{1, 1}, {3, 2}, {8, 8}, {16, 4}, {2, 30}, {40, 1}, {5, 5}, {7, 3}, {12, 2}, {4, 4}};
    uint32_t seed = 0;
    for (auto [width, height] : sizes) {
        AutodeskFile f;
        f.width = width;
        f.height = height;
        ++seed;
        for (size_t i = 0; i < f.palette.size(); ++i)
            f.palette[i] = uint8_t((i * 5 + seed) % 64);
        f.pixels = Samples(size_t(width * height), seed);
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        c.Add("autodesk", "cel-" + size, f.Bytes());
        f.palette.assign(768, 63); // the brightest palette
        f.pixels.assign(f.pixels.size(), 255);
        c.Add("autodesk", "white-" + size, f.Bytes());
    }
}

void AddPcd(Catalogue& c)
{
    PcdFile f;
    for (size_t i = 0; i < f.luma.size(); ++i)
        f.luma[i] = uint8_t((i % kPcdWidth) / 3 + i / kPcdWidth / 4);
    for (size_t i = 0; i < f.chroma1.size(); ++i) {
        f.chroma1[i] = uint8_t(100 + i % 97);
        f.chroma2[i] = uint8_t(180 - i / 384 % 91);
    }
    const char* orientations[] = {"landscape", "portrait", "upside-down", "clockwise"};
    for (int o = 0; o < 4; ++o) {
        f.orientation = o;
        Bytes whole = f.Bytes();
        c.Add("pcd", orientations[o], whole);
        // Files cut short where the reader looks: signature, orientation, first lines, last chroma.
        const size_t cuts[] = {kPcdOrientationOffset + 1, kPcdBaseData + kPcdWidth * 3, whole.size() - 100};
        for (size_t cut : cuts)
            c.Add("pcd", std::string(orientations[o]) + "-cut" + std::to_string(cut),
                Bytes(whole.begin(), whole.begin() + long(cut)));
    }
    Bytes signature(2048 + 7);
    std::copy_n("PCD_IPI", 7, signature.begin() + 2048);
    c.Add("pcd", "signature-only", signature);
    Bytes wrong = signature;
    wrong.back() = 'J';
    wrong.resize(kPcdOrientationOffset + 1);
    c.Add("pcd", "wrong-signature", wrong);
    Bytes odd = signature;
    odd.resize(kPcdOrientationOffset + 1);
    odd.back() = 0xFF; // only the low two bits count
    c.Add("pcd", "orientation-high-bits", odd);
    c.Add("pcd", "empty", {});
}

void AddIcons(Catalogue& c)
{
    const std::vector<std::vector<std::pair<int, Bytes>>> icons = {
        {{16, BitmapEntry(16, 10, false)}},
        {{32, BitmapEntry(32, 200, true)}},
        {{1, BitmapEntry(1, 3, true)}},
        {{16, BitmapEntry(16, 1, false)}, {32, BitmapEntry(32, 2, true)}},
        {{8, BitmapEntry(8, 5, false)}, {4, BitmapEntry(4, 6, true)}, {12, BitmapEntry(12, 7, false)}},
        {{24, BitmapEntry(24, 9, true)}, {24, BitmapEntry(24, 8, false)}},
        {{3, BitmapEntry(3, 90, false)}},
        {{48, BitmapEntry(48, 120, true)}},
        {{5, BitmapEntry(5, 1, true)}, {7, BitmapEntry(7, 2, true)}},
    };
    int n = 0;
    for (const auto& entries : icons) {
        Bytes input {0}; // the harness's choice of the icon reader
        Bytes file = IconFile(entries);
        input.insert(input.end(), file.begin(), file.end());
        c.Add("icon_metafile", "ours-icon" + std::to_string(n++), input);
    }
}

// The record player's seeds: a selector byte (0 Windows records, 1 enhanced
// records, 2 a whole file) and records of every family it draws.
void AddMetafileRecords(Catalogue& c)
{
    auto add = [&](uint8_t selector, const std::string& name, const Bytes& bytes) {
        Bytes input {selector};
        input.insert(input.end(), bytes.begin(), bytes.end());
        c.Add("metafile_records", name, input);
    };
    WmfWriter shapes;
    shapes.WindowOrg(0, 0).WindowExt(100, 80).Pen(0, 2, 0x0000FF).Brush(0, 0xFF0000).Select(0).Select(1);
    shapes.Rectangle(5, 5, 40, 30).Ellipse(50, 5, 90, 30).Polygon({{10, 40}, {30, 70}, {5, 70}});
    shapes.Record(0x061C, {8, 8, 75, 95, 40, 60}).Record(0x0817, {70, 60, 40, 95, 75, 95, 40, 60});
    shapes.Record(0x081A, {70, 60, 40, 95, 75, 95, 40, 60}).Record(0x0830, {70, 60, 40, 95, 75, 95, 40, 60});
    shapes.Record(0x0538, {2, 3, 3, 0, 0, 10, 0, 0, 10, 20, 20, 30, 20, 20, 30});
    shapes.Record(0x0214, {0, 0}).Record(0x0213, {50, 50}).Record(0x001E, {}).Record(0x0416, {60, 60, 10, 10});
    shapes.Record(0x0127, {-1}).Record(0x01F0, {0}).Record(0x061D, {0x21, 0xF0, 10, 10, 0, 0});
    add(0, "wmf-shapes", shapes.Records());
    WmfWriter text;
    text.Font(-12, 700, true, "Sans").Select(0).TextColour(0x00FF00).TextOut(10, 10, "Hello");
    text.Record(0x0A32, {20, 5, 3, 6, 0, 0, 40, 30, 'a' | 'b' << 8, 'c'}).Record(0x012E, {24});
    add(0, "wmf-text", text.Records());
    WmfWriter bitmap;
    bitmap.StretchDib(0, 0, 20, 10, DibBytes(4, 2, 0x00FF00, 0xFF0000), 4, 2);
    add(0, "wmf-bitmap", bitmap.Records());
    add(2, "wmf-placeable", shapes.Placeable(0, 0, 100, 80, 96));
    WmfWriter mapping; // viewport records and each mapping mode family
    mapping.Record(0x020D, {10, 20}).Record(0x020E, {50, 100}).Record(0x0211, {-5, 5}).Record(0x0412, {3, 2, 1, 2});
    mapping.Record(0x0410, {2, 1, 2, 1}).Record(0x020F, {4, 4}).Rectangle(0, 0, 50, 50).Record(0x0103, {7});
    mapping.Ellipse(0, 0, 50, 50).Record(0x0103, {2}).Rectangle(0, 0, 254, -254).Record(0x0103, {1});
    add(2, "wmf-mapping", mapping.Placeable(0, 0, 100, 80, 96));
    add(2, "wmf-plain", text.File());

    EmfWriter emf;
    emf.Record(17, {8}).Record(9, {100, 100}).Record(11, {100, 100});
    emf.Record(39, {1, 0, 0x0000FF, 0}).Record(38, {2, 0, 3, 0, 0xFF00}).Record(37, {1}).Record(37, {2});
    emf.Record(43, {5, 5, 40, 40}).Record(42, {50, 5, 90, 40}).Record(44, {5, 50, 40, 90, 8, 8});
    emf.Record(45, {50, 50, 90, 90, 90, 70, 70, 50}).Record(47, {50, 50, 90, 90, 50, 70, 70, 90});
    emf.Record(86, {0, 0, 0, 0, 3, 10 | 10 << 16, 30 | 30 << 16, 10 | 30 << 16});
    emf.Record(3, {0, 0, 0, 0, 3, 60, 60, 80, 60, 70, 80});
    emf.Record(2, {0, 0, 0, 0, 4, 0, 0, 10, 30, 20, 30, 30, 0});
    emf.Record(33, {}).Record(30, {0, 0, 50, 50}).Record(34, {-1}).Record(37, {int32_t(0x80000005)});
    emf.Record(59, {}).Record(27, {10, 10}).Record(54, {40, 10}).Record(54, {40, 40}).Record(61, {});
    emf.Record(60, {}).Record(63, {0, 0, 0, 0});
    emf.Record(35, {0x3F800000, 0, 0, 0x3F800000, 0x41200000, 0}).Record(36, {0x3F000000, 0, 0, 0x3F000000, 0, 0, 2});
    add(1, "emf-shapes", emf.Records());
    add(2, "emf-file", emf.File(2540, 2540));
    EmfWriter emfText;
    ByteWriter font;
    font.U32LE(3).U32LE(uint32_t(-16)).U32LE(0).U32LE(0).U32LE(0).U32LE(400).U32LE(0).U32LE(0).U16LE('S').U16LE('a');
    font.U16LE(0).Fill(58, 0);
    ByteWriter out;
    out.Fill(16, 0).U32LE(1).U32LE(0).U32LE(0).U32LE(10).U32LE(20).U32LE(2).U32LE(76).U32LE(0);
    out.U32LE(0).U32LE(0).U32LE(50).U32LE(30).U32LE(0).U16LE('H').U16LE('i');
    emfText.Record(82, font.data).Record(37, {3}).Record(84, out.data);
    add(1, "emf-text", emfText.Records());
    EmfWriter emfBitmap;
    Bytes dib = DibBytes(4, 2, 0x0000FF, 0xFFFFFF);
    ByteWriter stretch;
    stretch.Fill(16, 0).U32LE(0).U32LE(0).U32LE(0).U32LE(0).U32LE(4).U32LE(2);
    stretch.U32LE(80).U32LE(40).U32LE(120).U32LE(uint32_t(dib.size() - 40)).U32LE(0).U32LE(0xCC0020);
    stretch.U32LE(40).U32LE(20).Bytes(dib);
    emfBitmap.Record(81, stretch.data);
    add(1, "emf-bitmap", emfBitmap.Records());
    EmfWriter emfMore; // region and path clips, an angle arc, poly draw, a pattern brush, spaced text
    emfMore.Record(75, {64, 5, 32, 1, 2, 32, 0, 0, 90, 90, 0, 0, 40, 90, 50, 0, 90, 90}).Record(26, {3, 3});
    emfMore.Record(59, {}).Record(27, {0, 0}).Record(54, {90, 0}).Record(54, {0, 90}).Record(60, {}).Record(67, {1});
    emfMore.Record(27, {10, 50}).Record(41, {50, 50, 30, 0x43340000, 0x43340000});
    emfMore.Record(56, {0, 0, 0, 0, 4, 5, 5, 20, 5, 30, 20, 40, 40, 0x04040206}).Record(56, {0, 0, 0, 0, 1, 9, 9, 3});
    ByteWriter brush;
    brush.U32LE(4).U32LE(0).U32LE(32).U32LE(40).U32LE(72).U32LE(uint32_t(dib.size() - 40)).Bytes(dib);
    emfMore.Record(94, brush.data).Record(37, {4}).Record(43, {0, 0, 60, 60});
    emfMore.Record(84, {0, 0, 0, 0, 1, 0, 0, 20, 30, 2, 76, 0x2000, 0, 0, 0, 0, 80, 0x00480048, 30, 0, 10, 0});
    add(1, "emf-clips-arcs-patterns", emfMore.Records());
}

void AddIni(Catalogue& c)
{
    const std::pair<const char*, const char*> files[] = {
        {"crlf", "[Preferences]\r\nOpenPath=/tmp/\r\nSortColumn=2\r\n"},
        {"bom", "\xEF\xBB\xBF[Preferences]\nSortOrder=0\n"},
        {"hex-and-negative", "[Preferences]\nA=0x1F\nB=-12\nC=$10\nD=+7\nE=99999999999\n"},
        {"duplicate-keys", "[Filters]\nMosaic=1\nMosaic=2\n[Filters]\nMosaic=3\n"},
        {"empty", ""},
        {"only-comments", "; one\n# two\n;[Preferences]\n"},
        {"no-newline-at-end", "[ReadPaths]\nPathNmbr=1\n1=/home"},
        {"key-without-value", "[Preferences]\nOpenPath\nSortColumn=\n=5\n"},
        {"tabs", "\t[Preferences]\t\n\tSortColumn\t=\t3\t\n"},
        {"quoted", "[ReadPaths]\n1=\"/a b/\"\n2='x'\n3=\"\n"},
        {"long-line",
            "[S]\nk=xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n"},
        {"case", "[preferences]\nsortcolumn=1\n[PREFERENCES]\nSORTORDER=1\n"},
        {"nested-brackets", "[[Preferences]]\n[a]b]\nk=v\n"},
        {"cr-only", "[Preferences]\rSortColumn=4\rSortOrder=1\r"},
        {"many-sections", "[A]\n[B]\nx=1\n[C]\n[D]\ny=2\n[Preferences]\nSelectedFile=a.bmp\n"},
    };
    for (auto [name, text] : files)
        c.Add("ini", std::string("more-") + name, Bytes(text, text + std::char_traits<char>::length(text)));
}

} // namespace

std::vector<Fixture> ReaderFixtures()
{
    Catalogue c;
    AddTiff(c);
    AddTarga(c);
    AddPcx(c);
    AddSgi(c);
    AddCut(c);
    AddGif(c);
    AddPsd(c);
    AddPpm(c);
    AddRla(c);
    AddAutodesk(c);
    AddPcd(c);
    AddIcons(c);
    AddMetafileRecords(c);
    AddIni(c);
    return c.Take();
}

} // namespace pelmora::test
