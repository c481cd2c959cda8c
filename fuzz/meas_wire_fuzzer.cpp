// meas_wire_fuzzer.cpp - libFuzzer entry of the fuzz target "meas-wire".
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return RunFuzzTarget("meas-wire", data, size);
}
