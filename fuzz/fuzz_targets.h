// fuzz_targets.h - the readers of untrusted bytes that are fuzzed, with what
// must hold for each and the inputs each session starts from. Shared by the
// libFuzzer entries, the seed writer and the replay unit test.
#ifndef FUZZ_TARGETS_H
#define FUZZ_TARGETS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using FuzzBytes = std::vector<std::uint8_t>;

struct FuzzTarget {
    const char* name; // also the folder of its kept inputs under fuzz/corpus
    std::string (*check)(const std::uint8_t* data, std::size_t size); // empty: all held
    std::vector<FuzzBytes> (*seeds)();
};

extern const FuzzTarget kFuzzTargets[];
extern const std::size_t kFuzzTargetCount;

// The target of that name, or null.
const FuzzTarget* FindFuzzTarget(const std::string& name);

// A libFuzzer entry's body: a broken promise is printed and aborts, so the
// fuzzer keeps the input.
int RunFuzzTarget(const char* name, const std::uint8_t* data, std::size_t size);

#endif
