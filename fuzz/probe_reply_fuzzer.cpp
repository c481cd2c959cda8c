// probe_reply_fuzzer.cpp - libFuzzer entry of the fuzz target "probe-reply".
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return RunFuzzTarget("probe-reply", data, size);
}
