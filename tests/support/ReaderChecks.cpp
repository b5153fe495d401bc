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

void MakeFile(const std::string& command)
{
    CommandResult result = RunCommand(command);
    if (result.status != 0)
        throw Exception("command failed: " + command + "\n" + result.error);
}

} // namespace pelmora::test
