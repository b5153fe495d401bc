#include "ReaderChecks.h"

#include "formats/FormatRegistry.h"
#include "formats/PictureReaders.h"

namespace pelmora::test {

void EnsureReadersRegistered()
{
    if (!FormatRegistry::Instance().FindByExtension("gif"))
        RegisterPictureReaders();
}

std::string DiffFromImageMagick(const std::string& path, int tolerance)
{
    return DiffFromReference(path, path, tolerance);
}

std::string DiffFromReference(const std::string& path, const std::string& referencePath, int tolerance)
{
    EnsureReadersRegistered();
    RgbaImage expected = DecodeWithImageMagick(referencePath);
    Bitmap ours = LoadBitmap(path);
    return CompareImages(expected, ToRgba(ours), tolerance);
}

std::string PlasmaPicture(const std::string& path, int width, int height, int seed, const std::string& options)
{
    MakeFile(ImageMagick() + " -size " + std::to_string(width) + "x" + std::to_string(height) + " -seed "
        + std::to_string(seed) + " plasma:fractal " + options + " " + path);
    return path;
}

void MakeFile(const std::string& command)
{
    CommandResult result = RunCommand(command);
    if (result.status != 0)
        throw Exception("command failed: " + command + "\n" + result.error);
}

} // namespace pelmora::test
