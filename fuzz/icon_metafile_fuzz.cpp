// Icons and metafiles share a target: the first byte picks the class.
#include "FuzzReader.h"
#include "formats/Icon.h"
#include "formats/Metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    if (data[0] & 1) {
        pelmora::fuzz::Load<pelmora::TMetafile>(data + 1, size - 1);
        return 0;
    }
    pelmora::MemoryStream stream {std::span<const uint8_t>(data + 1, size - 1)};
    pelmora::TIcon icon;
    try {
        icon.LoadFromStream(stream);
        pelmora::fuzz::TouchRows(icon.Image());
    } catch (const pelmora::Exception&) {
    }
    return 0;
}
