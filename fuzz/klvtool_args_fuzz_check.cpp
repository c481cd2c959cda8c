// klvtool_args_fuzz_check.cpp - klvtool's command-line parsing on arbitrary
// arguments.
#include "klvtool_args_fuzz_check.h"

#include <cstdio>

#include "measure.h"

namespace {

constexpr std::size_t kMaxArguments = 16;

std::vector<std::string> SplitArguments(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size && args.size() <= kMaxArguments; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[i]);
    }
    if (args.size() > kMaxArguments)
        args.pop_back();
    return args;
}

// A value the parser took: a whole argument, or what follows "=" in one.
bool TakenFromArguments(const std::string& value, const std::vector<std::string>& args)
{
    for (const std::string& arg : args) {
        if (arg == value)
            return true;
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos && arg.compare(equals + 1, std::string::npos, value) == 0)
            return true;
    }
    return false;
}

std::string CheckDate(const std::string& text)
{
    MeasDate date{};
    if (!ParseMeasDate(text, &date))
        return {};
    char again[32];
    std::snprintf(again, sizeof again, "%04d-%02d-%02d", date.year, date.month, date.day);
    if (text != again)
        return "date '" + text + "' parses as " + again;
    return {};
}

} // namespace

std::string CheckKlvtoolArguments(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args = SplitArguments(data, size);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::vector<std::string> given = args;

    MeasureOptions options;
    std::string error;
    const bool accepted =
        ParseMeasureOptions(static_cast<int>(args.size()), argv.data(), &options, &error);
    if (args != given)
        return "klvtool measure: the parser changed its arguments";
    if (!accepted) {
        if (error.empty())
            return "klvtool measure: a refused command line without a reason";
        return {};
    }
    if (!options.help && options.sim.empty() == options.port.empty())
        return "klvtool measure: accepted without exactly one of --sim and --port";
    for (const std::string* value :
         {&options.sim, &options.port, &options.date, &options.json, &options.curves}) {
        if (!value->empty() && !TakenFromArguments(*value, args))
            return "klvtool measure: a value that is no argument: '" + *value + "'";
    }
    for (const std::string& arg : args) {
        if (std::string broken = CheckDate(arg); !broken.empty())
            return "klvtool measure: " + broken;
    }
    return {};
}

std::vector<std::vector<std::uint8_t>> KlvtoolArgumentSeeds()
{
    using namespace std::string_literals;
    // Arguments are separated by NUL bytes, as in the fuzzer's inputs.
    const std::string lines[] = {
        "--sim\0series\0--date\0"
        "2026-12-07\0--json\0-"s,
        "--port=/dev/ttyUSB0\0--curves\0out.csv\0--date=2024-02-29"s,
        "--sim\0bed.scn\0--out\0A.klv\0--examiner\0Rossi\0--remarks=\xe8"s,
        "--help"s,
        "--date\0"
        "1999-13-01\0--port"s,
    };
    std::vector<std::vector<std::uint8_t>> seeds;
    for (const std::string& line : lines)
        seeds.emplace_back(line.begin(), line.end());
    return seeds;
}
