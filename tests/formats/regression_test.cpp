// Every input a fuzzer once broke us with, replayed through the fuzzer's own
// harness: tests/regress/<target>/<what-was-wrong>, one file a fixed fault.
#include "fuzz/Harness.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace pelmora;

namespace {

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
    auto it = fuzz::Targets().find(GetParam().target);
    ASSERT_NE(it, fuzz::Targets().end()) << "no harness for " << GetParam().target;
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
