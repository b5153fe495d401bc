#include "TestFiles.h"

#include "formats/Exception.h"
#include "formats/Picture.h"
#include "formats/PixelRows.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace pelmora::test {

TempDir::TempDir()
{
    std::random_device entropy;
    for (;;) {
        path_ = std::filesystem::temp_directory_path() / ("pelmora-test-" + std::to_string(entropy()));
        if (std::filesystem::create_directory(path_))
            break;
    }
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw Exception("cannot write test file " + path);
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CommandResult RunCommand(const std::string& command)
{
    CommandResult result;
    char errorName[] = "/tmp/pelmora-stderr-XXXXXX";
    int errorFile = mkstemp(errorName);
    std::string full = command + " 2>" + errorName;
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 65536> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errorName);
    result.error.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    close(errorFile);
    unlink(errorName);
    return result;
}

bool HaveProgram(const std::string& name)
{
    return RunCommand("command -v " + name + " >/dev/null").status == 0;
}

std::string ImageMagick()
{
    // A stand-in for convert may come first on the PATH; the real one lives here.
    return std::filesystem::exists("/usr/bin/convert-im6.q16") ? "/usr/bin/convert-im6.q16" : "convert";
}

RgbaImage DecodeWithImageMagick(const std::string& path, const std::string& options)
{
    RgbaImage image;
    CommandResult size = RunCommand(ImageMagick() + " '" + path + "[0]' -format '%w %h' info:");
    if (size.status != 0 || std::sscanf(size.output.c_str(), "%d %d", &image.width, &image.height) != 2)
        throw Exception("ImageMagick cannot read " + path + ": " + size.error);
    CommandResult pixels = RunCommand(ImageMagick() + " '" + path + "[0]' " + options + " -depth 8 rgba:-");
    if (pixels.status != 0)
        throw Exception("ImageMagick cannot decode " + path + ": " + pixels.error);
    image.pixels.assign(pixels.output.begin(), pixels.output.end());
    return image;
}

RgbaImage ToRgba(const Bitmap& bitmap, bool keepAlpha)
{
    RgbaImage image;
    image.width = bitmap.Width();
    image.height = bitmap.Height();
    image.pixels.resize(size_t(image.width) * size_t(image.height) * 4);
    std::vector<uint8_t> bgra(size_t(image.width) * 4);
    for (int y = 0; y < image.height; ++y) {
        UnpackRowToBgra(bitmap.ScanLine(y), bitmap.GetPixelFormat(), bitmap.GetPalette(), bgra.data(), image.width);
        uint8_t* out = &image.pixels[size_t(y) * size_t(image.width) * 4];
        for (int x = 0; x < image.width; ++x) {
            out[x * 4] = bgra[size_t(x) * 4 + 2];
            out[x * 4 + 1] = bgra[size_t(x) * 4 + 1];
            out[x * 4 + 2] = bgra[size_t(x) * 4];
            out[x * 4 + 3] = keepAlpha && bitmap.GetPixelFormat() == PixelFormat::Rgb32 ? bgra[size_t(x) * 4 + 3] : 255;
        }
    }
    return image;
}

std::string CompareImages(const RgbaImage& expected, const RgbaImage& actual, int tolerance, bool compareAlpha)
{
    std::ostringstream why;
    if (expected.width != actual.width || expected.height != actual.height) {
        why << "size " << actual.width << "x" << actual.height << ", expected " << expected.width << "x"
            << expected.height;
        return why.str();
    }
    if (expected.pixels.size() != actual.pixels.size())
        return "pixel data of " + std::to_string(expected.pixels.size()) + " bytes, got "
            + std::to_string(actual.pixels.size());
    for (size_t i = 0; i < expected.pixels.size(); ++i) {
        if (!compareAlpha && i % 4 == 3)
            continue;
        if (std::abs(int(expected.pixels[i]) - int(actual.pixels[i])) > tolerance) {
            size_t pixel = i / 4;
            why << "pixel (" << pixel % size_t(expected.width) << ", " << pixel / size_t(expected.width) << ") channel "
                << i % 4 << ": " << int(actual.pixels[i]) << ", expected " << int(expected.pixels[i]);
            return why.str();
        }
    }
    return {};
}

Bitmap PatternBitmap(int width, int height, PixelFormat format, uint32_t seed)
{
    Bitmap b(width, height, format);
    std::mt19937 random(seed);
    if (IsIndexed(format)) {
        Palette p(size_t(1) << BitsPerPixel(format));
        for (auto& e : p)
            e = {uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
        b.SetPalette(p);
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = b.ScanLine(y);
        size_t used = size_t((int64_t(width) * BitsPerPixel(format) + 7) / 8);
        for (size_t i = 0; i < used; ++i)
            row[i] = uint8_t(random());
        if (format == PixelFormat::Rgb15)
            for (int x = 0; x < width; ++x)
                row[x * 2 + 1] &= 0x7F;
        // Bits past the last pixel of a row stay zero, as a reader leaves them.
        int bits = width * BitsPerPixel(format) % 8;
        if (bits)
            row[used - 1] &= uint8_t(0xFF << (8 - bits));
    }
    return b;
}

Bitmap LoadBitmap(const std::string& path)
{
    Picture picture;
    picture.LoadFromFile(path);
    DecodeToBitmap(picture);
    Bitmap result;
    result.Assign(picture.AsBitmap());
    return result;
}

} // namespace pelmora::test
