// scenario_fuzz_check.cpp - the scenario parser's promises on arbitrary text.
#include "scenario_fuzz_check.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "device_model.h"

namespace {

using klvdevice::Scenario;
using klvdevice::ScenarioError;
using klvdevice::ScenarioEvent;

// Settings and events the parser accepts, one of each, for the seeds.
const char kEveryEvent[] = "variant 300\n"
                           "serial 0815\n"
                           "calibration 01 02 24\n"
                           "ident KLV1-AC\n"
                           "offset 12N   # rest offset\n"
                           "noise 3 42\n"
                           "wait 0.5s\n"
                           "press 0.2\n"
                           "ramp 150N 0.1\n"
                           "hold 1\n"
                           "closing peak=400N clamp=120N rise=0.02 ring=14 decay=0.08 hold=6 "
                           "release=0.2\n"
                           "await start-wait\n"
                           "await threshold-wait\n"
                           "await stream\n"
                           "await stop\n"
                           "drop 3\n"
                           "garbage 5\n"
                           "flip 2\n"
                           "stall 0.1\n"
                           "ff21\n"
                           "disturb 7\n"
                           "hangup\n";

bool Printable(const std::string& text)
{
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

int LineCount(std::string_view text)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

std::string CheckEvents(const Scenario& scenario, int lines)
{
    int previous = 0;
    for (const ScenarioEvent& event : scenario.events) {
        if (event.line <= previous || event.line > lines)
            return "event line " + std::to_string(event.line) + " out of order or past the text";
        previous = event.line;
        if (!std::isfinite(event.seconds) || event.seconds < 0.0)
            return "an event with a time that is not a finite, non-negative number";
        if (!std::isfinite(event.level.value) || !std::isfinite(event.closing.peak.value) ||
            !std::isfinite(event.closing.clamp.value))
            return "an event with a level that is not a finite number";
        if (event.source.empty() || event.source.find('\n') != std::string::npos ||
            event.source.find('#') != std::string::npos)
            return "an event whose line as written is empty, spans lines or keeps its comment";
    }
    return {};
}

bool SameEvent(const ScenarioEvent& a, const ScenarioEvent& b)
{
    return a.kind == b.kind && a.source == b.source && a.seconds == b.seconds &&
           a.number == b.number && a.seed == b.seed && a.text == b.text && a.date == b.date &&
           a.level.value == b.level.value && a.level.newtons == b.level.newtons &&
           a.closing.peak.value == b.closing.peak.value &&
           a.closing.clamp.value == b.closing.clamp.value && a.closing.hold == b.closing.hold;
}

// Each event's line as written parses into the same event. Lines are parsed
// one by one (the parser keeps nothing from line to line): one text of all
// of them would cost a second list of hundreds of events per input.
std::string CheckReparse(const Scenario& scenario)
{
    for (std::size_t i = 0; i < scenario.events.size(); ++i) {
        const ScenarioEvent& event = scenario.events[i];
        Scenario again;
        try {
            again = klvdevice::ParseScenario(event.source);
        } catch (const ScenarioError& e) {
            return std::string("the event lines as written do not parse again: ") + e.what();
        }
        if (again.events.size() != 1)
            return "event " + std::to_string(i + 1) +
                   "'s line as written parses into another number of events";
        if (!SameEvent(event, again.events[0]))
            return "event " + std::to_string(i + 1) + " parses differently from its own line";
    }
    return {};
}

} // namespace

std::string CheckScenarioText(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Scenario scenario;
    try {
        scenario = klvdevice::ParseScenario(text, "fuzz.scn");
    } catch (const ScenarioError& e) {
        if (e.Line() < 1 || e.Line() > LineCount(text))
            return "refused at line " + std::to_string(e.Line()) + ", which the text does not have";
        if (!Printable(e.what()))
            return "a refusal message with control characters";
        return {};
    }
    if (std::string broken = CheckEvents(scenario, LineCount(text)); !broken.empty())
        return "scenario: " + broken;
    if (std::string broken = CheckReparse(scenario); !broken.empty())
        return "scenario: " + broken;
    return {};
}

std::vector<std::vector<std::uint8_t>> ScenarioFuzzSeeds()
{
    std::vector<std::vector<std::uint8_t>> seeds;
    auto add = [&seeds](std::string_view text) { seeds.emplace_back(text.begin(), text.end()); };
    add(*klvdevice::BuiltinScenarioText("series"));
    add(kEveryEvent);
    add("# only a comment\n\n   \t\r\n");
    add("ramp 4095 0\r\nwait 1e-3\r\n");
    return seeds;
}
