// klv_documents_fuzzer.cpp - libFuzzer entry of the fuzz target "klv-documents".
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return RunFuzzTarget("klv-documents", data, size);
}
