// klv_readers_fuzzer.cpp - libFuzzer entry for the graph record and .klv
// document readers. A broken promise aborts, so the fuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#include "klv_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string broken = CheckKlvReaders(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "klv readers: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
