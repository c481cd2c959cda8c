// klv_fuzz_seeds.cpp - writes the seed inputs of the fuzzer into a directory.
//   klv_fuzz_seeds DIR
#include <cstdio>
#include <string>

#include "klv_fuzz_check.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: klv_fuzz_seeds DIR\n");
        return 2;
    }
    int index = 0;
    for (const auto& seed : KlvFuzzSeeds()) {
        const std::string path = std::string(argv[1]) + "/seed-" + std::to_string(++index);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file || std::fwrite(seed.data(), 1, seed.size(), file) != seed.size() || std::fclose(file) != 0) {
            std::fprintf(stderr, "klv_fuzz_seeds: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
