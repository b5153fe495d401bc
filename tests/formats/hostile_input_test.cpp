// Every reader fixture cut short at each length and with single bytes changed
// loads through its fuzz harness without a crash or a sanitizer report: the
// reader either succeeds or throws its own exception, never another kind.
#include "fuzz/Harness.h"
#include "tests/support/ReaderFixtures.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>

using namespace pelmora;

namespace pelmora::test {

// Names a failing case by its fixture instead of dumping its bytes.
void PrintTo(const Fixture& f, std::ostream* os)
{
    *os << f.target << "/" << f.name << " (" << f.bytes.size() << " bytes)";
}

} // namespace pelmora::test

namespace {

using Bytes = std::vector<uint8_t>;
using test::Fixture;

// Files of every prefix length up to this size; larger ones are cut at evenly spread lengths
// (and at their last byte).
constexpr size_t kEveryPrefixUpTo = 1024;
constexpr size_t kSpreadCuts = 128;
// Fewer mutations of larger files, whose every load decodes the whole picture.
int Mutations(size_t size)
{
    return size <= 2048 ? 2000 : size <= 64 * 1024 ? 500 : 30;
}

// The reader fixtures, and the committed seeds of the readers whose test
// fixtures other programs write at test time.
std::vector<Fixture> Fixtures()
{
    std::vector<Fixture> fixtures;
    std::set<std::pair<std::string, std::string>> ours;
    // A fixture that is the start of another of its target adds nothing to the truncations.
    auto cutFromAnother = [&](const Fixture& f) {
        return std::any_of(fixtures.begin(), fixtures.end(), [&](const Fixture& other) {
            return other.target == f.target && other.bytes.size() > f.bytes.size()
                && std::equal(f.bytes.begin(), f.bytes.end(), other.bytes.begin());
        });
    };
    for (auto& f : test::ReaderFixtures()) {
        ours.insert({f.target, f.name});
        if (f.target != "ini" && !cutFromAnother(f)) // ini: not a picture reader, and each load writes a file
            fixtures.push_back(std::move(f));
    }
    const std::filesystem::path corpus = std::filesystem::path(PELMORA_SOURCE_DIR) / "fuzz" / "corpus";
    for (const char* target : {"bmp", "jpeg", "icon_metafile"}) {
        std::vector<Fixture> seeds;
        for (const auto& file : std::filesystem::directory_iterator(corpus / target)) {
            std::string name = file.path().filename().string();
            if (!ours.count({target, name}))
                seeds.push_back({target, name, test::ReadFile(file.path().string())});
        }
        std::sort(seeds.begin(), seeds.end(), [](const Fixture& a, const Fixture& b) { return a.name < b.name; });
        fixtures.insert(fixtures.end(), seeds.begin(), seeds.end());
    }
    return fixtures;
}

// "" when the harness takes the input; else what went wrong.
std::string Finding(fuzz::Harness harness, const Bytes& input)
{
    try {
        if (!harness(input.data(), input.size()))
            return "the harness found a broken invariant";
    } catch (const std::exception& e) {
        return std::string("an exception of another kind: ") + e.what();
    }
    return "";
}

std::vector<size_t> CutLengths(size_t size)
{
    std::vector<size_t> lengths;
    if (size <= kEveryPrefixUpTo) {
        for (size_t n = 0; n < size; ++n)
            lengths.push_back(n);
        return lengths;
    }
    for (size_t k = 0; k < kSpreadCuts; ++k)
        lengths.push_back(size * k / kSpreadCuts);
    lengths.push_back(size - 1);
    return lengths;
}

class HostileInput : public ::testing::TestWithParam<Fixture> {
protected:
    fuzz::Harness Harness() const { return fuzz::Targets().at(GetParam().target); }
};

TEST_P(HostileInput, EveryTruncationLoadsOrFailsCleanly)
{
    const Bytes& whole = GetParam().bytes;
    ASSERT_EQ(Finding(Harness(), whole), "");
    for (size_t length : CutLengths(whole.size())) {
        Bytes cut(whole.begin(), whole.begin() + long(length));
        std::string finding = Finding(Harness(), cut);
        ASSERT_EQ(finding, "") << "cut to " << length << " of " << whole.size() << " bytes";
    }
}

TEST_P(HostileInput, SingleByteMutationsLoadOrFailCleanly)
{
    const Bytes& whole = GetParam().bytes;
    if (whole.empty())
        GTEST_SKIP() << "nothing to change";
    std::mt19937 random(20260917u ^ uint32_t(whole.size()));
    const int count = Mutations(whole.size());
    Bytes changed = whole;
    for (int k = 0; k < count; ++k) {
        const size_t at = random() % whole.size();
        // Half the changes land on a value a header field often checks against.
        static const uint8_t kEdges[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
        const uint8_t value = random() % 2 ? kEdges[random() % 6] : uint8_t(whole[at] ^ (1 + random() % 255));
        changed[at] = value;
        std::string finding = Finding(Harness(), changed);
        ASSERT_EQ(finding, "") << "byte " << at << " set to " << int(value);
        changed[at] = whole[at];
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, HostileInput, ::testing::ValuesIn(Fixtures()), [](const auto& info) {
    std::string name = info.param.target + "_" + info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

} // namespace
