// klv_fuzz_seeds.cpp - writes the seed inputs of a fuzz target into a
// directory.
//   klv_fuzz_seeds TARGET DIR
#include <cstdio>
#include <string>

#include "fuzz_targets.h"

int main(int argc, char** argv)
{
    const FuzzTarget* target = argc == 3 ? FindFuzzTarget(argv[1]) : nullptr;
    if (target == nullptr) {
        std::fprintf(stderr, "usage: klv_fuzz_seeds TARGET DIR\ntargets:");
        for (std::size_t i = 0; i < kFuzzTargetCount; ++i)
            std::fprintf(stderr, " %s", kFuzzTargets[i].name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    int index = 0;
    for (const FuzzBytes& seed : target->seeds()) {
        const std::string path = std::string(argv[2]) + "/seed-" + std::to_string(++index);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || std::fwrite(seed.data(), 1, seed.size(), file) != seed.size() ||
            std::fclose(file) != 0) {
            std::fprintf(stderr, "klv_fuzz_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
