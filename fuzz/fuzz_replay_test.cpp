// Every fuzz target's promises on its seeds and on every input kept in
// fuzz/corpus/<target>/ (inputs that once broke a reader are added there),
// so that the unit tests replay what fuzzing found.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fuzz_targets.h"

namespace {

FuzzBytes ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return FuzzBytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzTargets, EverySeedKeepsThePromises)
{
    for (std::size_t t = 0; t < kFuzzTargetCount; ++t) {
        const FuzzTarget& target = kFuzzTargets[t];
        const std::vector<FuzzBytes> seeds = target.seeds();
        EXPECT_FALSE(seeds.empty()) << target.name;
        for (const FuzzBytes& seed : seeds)
            EXPECT_EQ(target.check(seed.data(), seed.size()), "") << target.name;
    }
}

TEST(FuzzTargets, EveryKeptInputKeepsThePromises)
{
    for (std::size_t t = 0; t < kFuzzTargetCount; ++t) {
        const FuzzTarget& target = kFuzzTargets[t];
        const std::filesystem::path dir = std::filesystem::path(KLV_FUZZ_CORPUS_DIR) / target.name;
        int inputs = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (!entry.is_regular_file() || entry.path().extension() == ".md")
                continue;
            const FuzzBytes bytes = ReadFile(entry.path());
            EXPECT_EQ(target.check(bytes.data(), bytes.size()), "") << entry.path();
            ++inputs;
        }
        EXPECT_GT(inputs, 0) << "no kept inputs in " << dir;
    }
}

} // namespace
