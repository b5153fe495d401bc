// Every decoder with random sizes: the first bytes pick the decoder, the
// packed size and the unpacked size; the destination is exactly that big so
// any write past it is caught.
#include "formats/Exception.h"
#include "formats/codecs/LZW.h"
#include "formats/codecs/RunLength.h"
#include "formats/codecs/TargaPackets.h"

#include <memory>
#include <vector>

using namespace pelmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const int which = data[0] % 9;
    const size_t unpacked = size_t(data[1] | data[2] << 8) % 20000;
    const uint8_t parameter = data[3];
    std::vector<uint8_t> packed(data + 4, data + size); // exactly the packed bytes
    std::vector<uint8_t> out(unpacked);
    const uint8_t* source = packed.data();
    std::unique_ptr<TDecoder> decoder;
    switch (which) {
    case 0: decoder = std::make_unique<TTIFFLZW>(); break;
    case 1: {
        auto gif = std::make_unique<TGIFLZW>();
        gif->initialCodeSize = uint8_t(parameter % 13);
        decoder = std::move(gif);
        break;
    }
    case 2: decoder = std::make_unique<TPackbitsRLE>(); break;
    case 3: decoder = std::make_unique<TPCXRLE>(); break;
    case 4: {
        auto sgi = std::make_unique<TSGIRLE>();
        sgi->bytesPerSample = uint8_t(1 + parameter % 2);
        decoder = std::move(sgi);
        break;
    }
    case 5: decoder = std::make_unique<TCUTRLE>(); break;
    case 6: decoder = std::make_unique<TRLADecoder>(); break;
    case 7: {
        static const int kBits[] = {8, 15, 16, 24, 32, 7};
        size_t used = DecodeTargaRow(packed.data(), packed.size(), out.data(), out.size(), kBits[parameter % 6]);
        if (used > packed.size())
            __builtin_trap();
        return 0;
    }
    default: {
        int bytesPerPixel = 1 + parameter % 4;
        int pixels = int(packed.size()) / bytesPerPixel;
        std::vector<uint8_t> encoded(size_t(pixels) * size_t(bytesPerPixel + 1));
        size_t n = EncodeTargaRow(packed.data(), encoded.data(), pixels, bytesPerPixel);
        std::vector<uint8_t> back(size_t(pixels) * size_t(bytesPerPixel));
        size_t used
            = DecodeTargaRow(encoded.data(), n, back.data(), back.size(), bytesPerPixel == 2 ? 16 : bytesPerPixel * 8);
        if (used != n || !std::equal(back.begin(), back.end(), packed.begin()))
            __builtin_trap(); // the encoder and decoder must agree
        return 0;
    }
    }
    try {
        size_t written = decoder->Decode(source, out.data(), packed.size(), out.size());
        if (written > out.size() || source < packed.data() || source > packed.data() + packed.size())
            __builtin_trap();
    } catch (const Exception&) {
    }
    return 0;
}
