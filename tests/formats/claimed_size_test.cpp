// A file's header may claim any picture size; the data behind it must be
// there before a reader allocates for it. Every small reader fixture, its
// size field rewritten to 16000 x 16000, must be refused, not loaded as a
// mostly blank quarter-gigapixel picture.
#include "formats/Bitmap.h"
#include "formats/Exception.h"
#include "formats/ImageLimits.h"
#include "formats/readers/AutodeskGraphic.h"
#include "formats/readers/CUTGraphic.h"
#include "formats/readers/PCXGraphic.h"
#include "formats/readers/PSDGraphic.h"
#include "formats/readers/RLAGraphic.h"
#include "formats/readers/SGIGraphic.h"
#include "formats/readers/TargaGraphic.h"
#include "tests/support/LoadFromBytes.h"
#include "tests/support/ReaderFixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <thread>

using namespace pelmora;
using namespace pelmora::test;

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kClaimed = 16000;

void Put16(Bytes& b, size_t at, int v, bool bigEndian)
{
    b[at + (bigEndian ? 0 : 1)] = uint8_t(v >> 8);
    b[at + (bigEndian ? 1 : 0)] = uint8_t(v);
}

void Put32(Bytes& b, size_t at, int v, bool bigEndian)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(bigEndian ? 3 - i : i)] = uint8_t(v >> (8 * i));
}

struct Claim {
    size_t headerBytes; // fixtures shorter than this have no size to rewrite
    std::function<void(Bytes&)> rewrite;
    std::function<std::string(const Bytes&)> loadError;
};

const std::map<std::string, Claim>& Claims()
{
    static const std::map<std::string, Claim> claims = {
        {"targa", {18, [](Bytes& b) { Put16(b, 12, kClaimed, false); Put16(b, 14, kClaimed, false); },
                      LoadError<TTargaGraphic>}},
        {"pcx", {12,
                    [](Bytes& b) {
                        Put32(b, 4, 0, false);
                        Put16(b, 8, kClaimed - 1, false); Put16(b, 10, kClaimed - 1, false);
                    },
                    LoadError<TPCXGraphic>}},
        {"sgi", {10, [](Bytes& b) { Put16(b, 6, kClaimed, true); Put16(b, 8, kClaimed, true); },
                    LoadError<TSGIGraphic>}},
        {"cut", {4, [](Bytes& b) { Put16(b, 0, kClaimed, false); Put16(b, 2, kClaimed, false); },
                    LoadError<TCUTGraphic>}},
        {"psd", {22, [](Bytes& b) { Put32(b, 14, kClaimed, true); Put32(b, 18, kClaimed, true); },
                    LoadError<TPSDGraphic>}},
        {"rla", {16,
                    [](Bytes& b) {
                        Put16(b, 8, 0, true); Put16(b, 10, kClaimed - 1, true);
                        Put16(b, 12, 0, true); Put16(b, 14, kClaimed - 1, true);
                    },
                    LoadError<TRLAGraphic>}},
        {"autodesk", {6, [](Bytes& b) { Put16(b, 2, kClaimed, false); Put16(b, 4, kClaimed, false); },
                         LoadError<TAutodeskGraphic>}},
        // Windows bitmaps with an info header (40 bytes or more) after the file header.
        {"bmp", {26, [](Bytes& b) { Put32(b, 18, kClaimed, false); Put32(b, 22, kClaimed, false); },
                    LoadError<Bitmap>}},
    };
    return claims;
}

TEST(ClaimedSize, SmallFilesClaimingAHugePictureAreRefused)
{
    int checked = 0;
    for (const Fixture& f : ReaderFixtures()) {
        auto claim = Claims().find(f.target);
        if (claim == Claims().end() || f.bytes.size() < claim->second.headerBytes || f.bytes.size() > 64 * 1024)
            continue;
        if (f.target == "bmp" && (f.bytes[0] != 'B' || f.bytes[14] < 40))
            continue;
        Bytes bytes = f.bytes;
        claim->second.rewrite(bytes);
        EXPECT_NE(claim->second.loadError(bytes), "") << f.target << "/" << f.name;
        ++checked;
    }
    EXPECT_GT(checked, 40);
}

TEST(ClaimedSize, AThreadsOwnLimitHoldsOnlyThereAndOnlyWhileItLasts)
{
    auto fits = [](int width, int height) {
        try {
            CheckImageSize(width, height);
            return true;
        } catch (const Exception&) {
            return false;
        }
    };
    {
        ThreadPixelLimit limit(100);
        EXPECT_TRUE(fits(10, 10));
        EXPECT_FALSE(fits(10, 11));
        {
            ThreadPixelLimit looser(1000); // never above a limit already set
            EXPECT_FALSE(fits(10, 11));
        }
        bool otherThread = false;
        std::thread([&] { otherThread = fits(100, 100); }).join();
        EXPECT_TRUE(otherThread);
    }
    EXPECT_TRUE(fits(10, 11));
}

} // namespace
