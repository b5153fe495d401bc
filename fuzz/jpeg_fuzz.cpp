// JPEG through our TJPEGImage: the header on load, the pixels on assignment.
#include "FuzzReader.h"
#include "formats/JpegImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pelmora::MemoryStream stream {std::span<const uint8_t>(data, size)};
    pelmora::TJPEGImage jpeg;
    try {
        jpeg.LoadFromStream(stream);
        pelmora::Bitmap b;
        b.Assign(jpeg);
        pelmora::fuzz::TouchRows(b);
    } catch (const pelmora::Exception&) {
    }
    return 0;
}
