// Every input a fuzzer once broke us with, replayed through the fuzzer's own
// harness: tests/regress/<target>/<what-was-wrong>, one file a fixed fault.
#include "formats/readers/AutodeskGraphic.h"
#include "formats/readers/CUTGraphic.h"
#include "formats/readers/GIFGraphic.h"
#include "formats/readers/PCDGraphic.h"
#include "formats/readers/PCXGraphic.h"
#include "formats/readers/PPMGraphic.h"
#include "formats/readers/PSDGraphic.h"
#include "formats/readers/RLAGraphic.h"
#include "formats/readers/SGIGraphic.h"
#include "formats/readers/TIFFGraphic.h"
#include "formats/readers/TargaGraphic.h"
#include "fuzz/Harness.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace pelmora;

namespace {

using Harness = bool (*)(const uint8_t*, size_t);

const std::map<std::string, Harness>& Harnesses()
{
    static const std::map<std::string, Harness> harnesses = {
        {"bmp", &fuzz::Load<Bitmap>},
        {"icon_metafile", &fuzz::IconOrMetafile},
        {"jpeg", &fuzz::Jpeg},
        {"codecs", &fuzz::Codecs},
        {"ini", &fuzz::Ini},
        {"tiff", &fuzz::Load<TTIFFGraphic>},
        {"targa", &fuzz::Load<TTargaGraphic>},
        {"pcx", &fuzz::Load<TPCXGraphic>},
        {"sgi", &fuzz::Load<TSGIGraphic>},
        {"cut", &fuzz::Load<TCUTGraphic>},
        {"gif", &fuzz::Load<TGIFGraphic>},
        {"psd", &fuzz::Load<TPSDGraphic>},
        {"ppm", &fuzz::Load<TPPMGraphic>},
        {"rla", &fuzz::Load<TRLAGraphic>},
        {"autodesk", &fuzz::Load<TAutodeskGraphic>},
        {"pcd", &fuzz::Load<TPCDGraphic>},
    };
    return harnesses;
}

struct Input {
    std::string target, path;
};

std::vector<Input> Inputs()
{
    std::vector<Input> inputs;
    std::filesystem::path root = std::filesystem::path(PELMORA_SOURCE_DIR) / "tests" / "regress";
    for (const auto& folder : std::filesystem::directory_iterator(root))
        for (const auto& file : std::filesystem::directory_iterator(folder))
            inputs.push_back({folder.path().filename().string(), file.path().string()});
    std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.path < b.path; });
    return inputs;
}

class Regression : public ::testing::TestWithParam<Input> { };

TEST_P(Regression, ReplaysWithoutAFinding)
{
    auto it = Harnesses().find(GetParam().target);
    ASSERT_NE(it, Harnesses().end()) << "no harness for " << GetParam().target;
    std::vector<uint8_t> bytes = test::ReadFile(GetParam().path);
    EXPECT_TRUE(it->second(bytes.data(), bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(Inputs, Regression, ::testing::ValuesIn(Inputs()), [](const auto& info) {
    std::string name = info.param.target + "_" + std::filesystem::path(info.param.path).filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

} // namespace
