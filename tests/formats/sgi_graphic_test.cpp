#include "formats/readers/SGIGraphic.h"
#include "formats/Exception.h"
#include "formats/Stream.h"
#include "tests/support/LoadFromBytes.h"
#include "tests/support/SgiFile.h"

#include <gtest/gtest.h>

namespace pelmora {
namespace {

using test::SgiFile;

// Samples with runs (the first four of a row equal) and values of both bytes.
SgiFile MakeFile(int channels, int bytesPerSample, bool runLength, int width = 9, int height = 3)
{
    SgiFile f;
    f.channels = channels;
    f.bytesPerSample = bytesPerSample;
    f.runLength = runLength;
    f.width = width;
    f.height = height;
    for (int c = 0; c < channels; ++c)
        for (int r = 0; r < height; ++r)
            for (int x = 0; x < width; ++x) {
                unsigned v = x < 4 ? 40u * unsigned(c + 1) + unsigned(r) : unsigned(c * 50 + r * 20 + x * 7);
                f.samples.push_back(uint16_t(bytesPerSample == 2 ? v << 8 | (x * 13 & 0xFF) : v));
            }
    return f;
}

TSGIGraphic Load(const std::vector<uint8_t>& bytes)
{
    return test::LoadFromBytes<TSGIGraphic>(bytes);
}

std::string LoadError(const std::vector<uint8_t>& bytes)
{
    return test::LoadError<TSGIGraphic>(bytes);
}

TEST(SgiRead, ChannelsSampleSizesAndStorage)
{
    for (int channels : { 1, 2, 3, 4 })
        for (int bytesPerSample : { 1, 2 })
            for (bool runLength : { false, true }) {
                SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(bytesPerSample) + " bytes, "
                    + (runLength ? "run-length" : "plain"));
                SgiFile f = MakeFile(channels, bytesPerSample, runLength);
                TSGIGraphic sgi = Load(f.Bytes());
                ASSERT_EQ(sgi.Width(), f.width);
                ASSERT_EQ(sgi.Height(), f.height);
                // Grey images show channel 0; colour ones blue, green, red (and alpha) a pixel.
                const int used = channels >= 3 ? channels : 1;
                const PixelFormat format = channels == 3 ? PixelFormat::Rgb24
                    : channels == 4                      ? PixelFormat::Rgb32
                                                         : PixelFormat::Indexed8;
                ASSERT_EQ(sgi.GetPixelFormat(), format);
                if (format == PixelFormat::Indexed8) {
                    EXPECT_EQ(sgi.GetPalette(), GreyRamp(256));
                }
                const int order[4] = { 2, 1, 0, 3 };
                const int shift = bytesPerSample == 2 ? 8 : 0;
                for (int r = 0; r < f.height; ++r) {
                    const uint8_t* row = sgi.ScanLine(f.height - 1 - r); // the file's first row is the bottom
                    for (int x = 0; x < f.width; ++x)
                        for (int k = 0; k < used; ++k) {
                            int channel = used == 1 ? 0 : order[k];
                            ASSERT_EQ(row[x * used + k], f.Sample(channel, r, x) >> shift)
                                << "file row " << r << ", x " << x << ", byte " << k;
                        }
                }
            }
}

TEST(SgiRead, ImageInsideALargerStreamReadsFromItsOwnStart)
{
    SgiFile f = MakeFile(3, 1, true);
    std::vector<uint8_t> bytes(100, 0xEE);
    std::vector<uint8_t> image = f.Bytes();
    bytes.insert(bytes.end(), image.begin(), image.end());
    MemoryStream stream(bytes);
    stream.SetPosition(100);
    TSGIGraphic sgi;
    sgi.LoadFromStream(stream);
    EXPECT_EQ(sgi.ScanLine(f.height - 1)[2], f.Sample(0, 0, 0));
    EXPECT_EQ(sgi.ScanLine(0)[3 * 8], f.Sample(2, f.height - 1, 8));
}

TEST(SgiRead, DamagedRunLengthRowsKeepWhatTheyHad)
{
    SgiFile f = MakeFile(1, 1, true, 6, 3);
    std::vector<uint8_t> bytes = f.Bytes();
    // File row 1 starts far past the end; row 2 is cut to its first packet.
    bytes[512 + 4] = 0x7F;
    bytes.resize(bytes.size() - 2);
    TSGIGraphic sgi = Load(bytes);
    EXPECT_EQ(std::vector<uint8_t>(sgi.ScanLine(1), sgi.ScanLine(1) + 6), std::vector<uint8_t>(6, 0));
    EXPECT_EQ(sgi.ScanLine(0)[0], f.Sample(0, 2, 0));
    EXPECT_EQ(sgi.ScanLine(0)[5], 0);
    EXPECT_EQ(sgi.ScanLine(2)[5], f.Sample(0, 0, 5));
}

TEST(SgiRead, FailureMessages)
{
    SgiFile wrongMagic = MakeFile(3, 1, false);
    wrongMagic.magic = 0x01DB;
    SgiFile threeBytes = MakeFile(1, 1, false);
    std::vector<uint8_t> threeBytesFile = threeBytes.Bytes();
    threeBytesFile[3] = 3;
    std::vector<uint8_t> cutPlain = MakeFile(3, 2, false).Bytes();
    cutPlain.pop_back();
    std::vector<uint8_t> cutTables = MakeFile(4, 1, true, 9, 200).Bytes();
    cutTables.resize(512 + 4 * 200 * 8 - 1);
    std::vector<uint8_t> huge = MakeFile(3, 1, false, 2, 2).Bytes();
    huge[6] = 0xEA, huge[7] = 0x60, huge[8] = 0x0F, huge[9] = 0xA0; // 60000 x 4000

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    } cases[] = {
        { "magic 475", wrongMagic.Bytes(), "Not a valid sgi, bw or rgb(a) image." },
        { "empty file", {}, "Not a valid sgi, bw or rgb(a) image." },
        { "3 bytes a sample", threeBytesFile, "Not a valid sgi, bw or rgb(a) image." },
        { "plain samples cut short", cutPlain, "Not a valid sgi, bw or rgb(a) image." },
        { "row tables cut short", cutTables, "Not a valid sgi, bw or rgb(a) image." },
        { "far too little data for the size", huge, "Not a valid sgi, bw or rgb(a) image." },
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadError(c.bytes), c.error) << c.name;
}

} // namespace
} // namespace pelmora
