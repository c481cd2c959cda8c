// scenario_fuzz_check.h - what must hold for any text given to the scenario
// parser of the device simulator (klvsim, klvtool measure --sim).
#ifndef SCENARIO_FUZZ_CHECK_H
#define SCENARIO_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Parses data as scenario text: it either parses or is refused with a
// ScenarioError naming a line of the text in printable characters; a parsed
// scenario has its events in line order with finite times and levels, and
// the event lines as written parse again into the same events. Empty when
// everything held, otherwise what broke.
std::string CheckScenarioText(const std::uint8_t* data, std::size_t size);

// Scenarios to start from: the built-in series and one line of every event.
std::vector<std::vector<std::uint8_t>> ScenarioFuzzSeeds();

#endif
