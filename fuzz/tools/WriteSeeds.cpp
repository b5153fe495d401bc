// pelmora-write-seeds FOLDER: writes every reader fixture to FOLDER/<target>/<name>,
// the fuzzers' seed corpus (fuzz/tools/make_reader_seeds.sh runs it).
#include "tests/support/ReaderFixtures.h"
#include "tests/support/TestFiles.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (const auto& f : pelmora::test::ReaderFixtures()) {
        std::filesystem::create_directories(root / f.target);
        pelmora::test::WriteFile((root / f.target / f.name).string(), f.bytes);
    }
    return 0;
}
