// klvtool_args_fuzzer.cpp - libFuzzer entry of the fuzz target "klvtool-args".
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return RunFuzzTarget("klvtool-args", data, size);
}
