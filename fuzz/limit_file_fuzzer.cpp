// limit_file_fuzzer.cpp - libFuzzer entry of the fuzz target "limit-file".
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return RunFuzzTarget("limit-file", data, size);
}
