// Animated GIF frames composed on the screen: places, transparency, the three
// disposals, delays, and the wrap back to the first frame.
#include "formats/Animation.h"
#include "formats/readers/GIFGraphic.h"
#include "tests/support/GifFile.h"
#include "tests/support/LoadFromBytes.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::GifFile;

// Each pixel as a letter: R, G, B for opaque red, green, blue, '.' for transparent; rows joined by '/'.
std::string Letters(const Bitmap& frame)
{
    std::string text;
    for (int y = 0; y < frame.Height(); ++y) {
        if (y)
            text += '/';
        for (int x = 0; x < frame.Width(); ++x) {
            const uint8_t* p = frame.ScanLine(y) + x * 4;
            text += p[3] == 0 ? '.' : p[2] == 255 ? 'R' : p[1] == 255 ? 'G' : p[0] == 255 ? 'B' : '?';
        }
    }
    return text;
}

GifFile Frame(int left, int top, int width, int height, std::vector<uint8_t> indices, std::vector<uint8_t> control)
{
    GifFile f;
    f.screenWidth = 4;
    f.screenHeight = 2;
    f.extensions = {std::move(control)};
    f.left = left;
    f.top = top;
    f.width = width;
    f.height = height;
    f.codeSize = 2;
    f.indices = std::move(indices);
    return f;
}

TEST(Animation, GifFramesComposeAsBrowsersShowThem)
{
    GifFile first = Frame(0, 0, 4, 2, std::vector<uint8_t>(8, 1), test::GifControlExtension(5, -1, 1));
    first.globalTable = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}; // black, red, green, blue
    const std::vector<uint8_t> file = test::AnimatedGif({
        first,
        Frame(1, 0, 2, 1, {2, 3}, test::GifControlExtension(0, 3, 2)), // index 3 transparent, then cleared
        Frame(3, 1, 1, 1, {3}, test::GifControlExtension(7, -1, 3)), // then the screen put back
        Frame(0, 0, 1, 1, {2}, test::GifControlExtension(2, -1, 0)),
    });
    TGIFGraphic gif = test::LoadFromBytes<TGIFGraphic>(file);
    std::unique_ptr<FrameSequence> frames = gif.Frames();
    ASSERT_TRUE(frames);
    struct Expected {
        const char* pixels;
        int delay;
    } expected[] = {{"RRRR/RRRR", 50}, {"RGRR/RRRR", 0}, {"R..R/RRRB", 70}, {"G..R/RRRR", 20}, {"RRRR/RRRR", 50}};
    Bitmap frame;
    int delay = -1;
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        if (i == 4) { // past the last frame, then from the first again
            EXPECT_FALSE(frames->Next(frame, delay));
        }
        ASSERT_TRUE(frames->Next(frame, delay));
        EXPECT_EQ(Letters(frame), expected[i].pixels);
        EXPECT_EQ(delay, expected[i].delay);
        EXPECT_TRUE(frame.HasAlpha());
    }

    // One image is a still picture.
    EXPECT_EQ(test::LoadFromBytes<TGIFGraphic>(first.Bytes()).Frames(), nullptr);

    // A signature in lower case plays as it opens.
    std::vector<uint8_t> lowerCase = file;
    std::copy_n("gif", 3, lowerCase.begin());
    EXPECT_TRUE(test::LoadFromBytes<TGIFGraphic>(lowerCase).Frames());
}

// A frame to be undone that covers several rows and runs off the screen: what
// it covered comes back, and the rest of the screen stays as the next frame draws it.
TEST(Animation, GifRestoreBringsBackWhatTheFrameCovered)
{
    GifFile first = Frame(0, 0, 4, 2, std::vector<uint8_t>(8, 1), test::GifControlExtension(1, -1, 1));
    first.globalTable = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}; // black, red, green, blue
    const std::vector<uint8_t> file = test::AnimatedGif({
        first,
        Frame(2, 0, 3, 2, std::vector<uint8_t>(6, 2), test::GifControlExtension(1, -1, 3)),
        Frame(0, 1, 1, 1, {3}, test::GifControlExtension(1, -1, 1)),
    });
    std::unique_ptr<FrameSequence> frames = test::LoadFromBytes<TGIFGraphic>(file).Frames();
    ASSERT_TRUE(frames);
    Bitmap frame;
    int delay = 0;
    for (const char* expected : {"RRRR/RRRR", "RRGG/RRGG", "RRRR/BRRR"}) {
        ASSERT_TRUE(frames->Next(frame, delay));
        EXPECT_EQ(Letters(frame), expected);
    }
}

TEST(Animation, ShortDelaysShowAsBrowsersShowThem)
{
    for (auto [file, shown] : {std::pair {0, 100}, {10, 100}, {11, 11}, {500, 500}})
        EXPECT_EQ(ShownDelay(file), shown) << file;
}

} // namespace
} // namespace pelmora
