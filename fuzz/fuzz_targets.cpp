// fuzz_targets.cpp - the table of fuzzed readers.
#include "fuzz_targets.h"

#include <cstdio>
#include <cstdlib>

#include "bmp_fuzz_check.h"
#include "klv_fuzz_check.h"
#include "klvtool_args_fuzz_check.h"
#include "limit_file_fuzz_check.h"
#include "meas_wire_fuzz_check.h"
#include "probe_reply_fuzz_check.h"
#include "scenario_fuzz_check.h"

const FuzzTarget kFuzzTargets[] = {
    {"graph-records", CheckGraphRecordStream, KlvFuzzSeeds},
    {"klv-documents", CheckKlvDocument, KlvFuzzSeeds},
    {"scenario", CheckScenarioText, ScenarioFuzzSeeds},
    {"klvtool-args", CheckKlvtoolArguments, KlvtoolArgumentSeeds},
    {"bmp-logo", CheckBmpLogo, BmpLogoSeeds},
    {"limit-file", CheckLimitFile, LimitFileSeeds},
    {"meas-wire", CheckMeasWire, MeasWireSeeds},
    {"probe-reply", CheckProbeReply, ProbeReplySeeds},
};
const std::size_t kFuzzTargetCount = sizeof kFuzzTargets / sizeof kFuzzTargets[0];

const FuzzTarget* FindFuzzTarget(const std::string& name)
{
    for (std::size_t i = 0; i < kFuzzTargetCount; ++i) {
        if (name == kFuzzTargets[i].name)
            return &kFuzzTargets[i];
    }
    return nullptr;
}

int RunFuzzTarget(const char* name, const std::uint8_t* data, std::size_t size)
{
    const FuzzTarget* target = FindFuzzTarget(name);
    if (target == nullptr) {
        std::fprintf(stderr, "fuzz: no target '%s'\n", name);
        std::abort();
    }
    const std::string broken = target->check(data, size);
    if (!broken.empty()) {
        std::fprintf(stderr, "%s: %s\n", name, broken.c_str());
        std::abort();
    }
    return 0;
}
