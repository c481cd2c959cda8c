// Scenarios that come with the simulator, written in the scenario language.
#include "device_model.h"

namespace klvdevice {

namespace {

// A whole measurement series on the 500 N sensor: three door closings, each
// started by the inspector's start request once the program waits for it and
// played once the program waits for the threshold, then the confirming start
// request. The closings differ, so the three results and their mean differ.
constexpr std::string_view kSeries =
    R"(# Built-in scenario "series": one measurement series of three closings
variant 500
serial 4711
calibration 12 03 24
offset 40
noise 2 1
# Measurement 1
await start-wait
wait 1.0
press 0.2
await threshold-wait
wait 0.6
closing peak=310N clamp=45N
# Measurement 2
await start-wait
wait 1.0
press 0.2
await threshold-wait
wait 0.6
closing peak=345N clamp=62N rise=0.012 decay=0.07
# Measurement 3
await start-wait
wait 1.0
press 0.2
await threshold-wait
wait 0.6
closing peak=280N clamp=38N rise=0.02 decay=0.09
# Confirmation: the program waits for it once the third closing is recorded
await start-wait
wait 1.0
press 0.2
await stop
)";

} // namespace

std::optional<std::string_view> BuiltinScenarioText(std::string_view name)
{
    if (name == "series")
        return kSeries;
    return std::nullopt;
}

} // namespace klvdevice
