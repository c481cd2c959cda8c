// bmp_logo_fuzzer.cpp - libFuzzer entry of the fuzz target "bmp-logo".
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return RunFuzzTarget("bmp-logo", data, size);
}
