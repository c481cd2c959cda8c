// measure.cpp - `klvtool measure`: the measurement run of the program on the
// device model or a serial device, with the series written as JSON and CSV.
#include "measure.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "commands.h"
#include "cp1252.h"
#include "evaluation.h"
#include "measure_dialog.h"
#include "measure_interrupt.h"
#include "measure_report.h"
#include "verdict_report.h"

namespace {

constexpr std::uint64_t kSilenceLimitMs = 10000; // a streaming device never pauses this long
constexpr std::uint64_t kMaxReceiveWaitMs = 100;

struct ExtraFileOption {
    std::string option;
    std::string valueName;
    std::string help;
    MeasureFileWriter writer;
    std::string path;
};

std::vector<ExtraFileOption>& ExtraFileOptions()
{
    static std::vector<ExtraFileOption> options;
    return options;
}

void PrintMeasureUsage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: klvtool measure (--sim FILE|series | --port DEVICE) [--date YYYY-MM-DD]\n"
                 "                       [--json FILE|-] [--curves FILE.csv]\n"
                 "                       [--limits FILE --set NAME]");
    // Further options continue the synopsis, wrapped before column 80.
    std::size_t column = 64;
    for (const ExtraFileOption& extra : ExtraFileOptions()) {
        const std::string item = " [" + extra.option + " " + extra.valueName + "]";
        if (column + item.size() > 79) {
            std::fprintf(to, "\n                      ");
            column = 22;
        }
        std::fprintf(to, "%s", item.c_str());
        column += item.size();
    }
    std::fprintf(to,
                 "\n\n"
                 "Runs one measurement series (three closings and the confirming start\n"
                 "request) as the measurement program does, answering its questions with\n"
                 "\"No\" and printing the status texts as they change.\n\n"
                 "  --sim FILE|series  the device model in-process, unpaced, playing a scenario\n"
                 "                     file or the built-in scenario \"series\"\n"
                 "  --port DEVICE      a serial device (19200 baud 8N1, no flow control),\n"
                 "                     e.g. /dev/ttyUSB0 or the link of klvsim\n"
                 "  --date YYYY-MM-DD  the date in the title (default: today, UTC)\n"
                 "  --json FILE|-      the finished record as JSON (keys: the record's field\n"
                 "                     names and \"results\", the four result texts)\n"
                 "  --curves FILE.csv  index, curve 1, curve 2, curve 3, mean curve, in counts\n"
                 "%s",
                 kVerdictOptionsHelp);
    for (const ExtraFileOption& extra : ExtraFileOptions())
        std::fprintf(to, "  %s %-*s %s\n", extra.option.c_str(),
                     static_cast<int>(extra.option.size() < 17 ? 17 - extra.option.size() : 0),
                     extra.valueName.c_str(), extra.help.c_str());
    std::fprintf(to,
                 "\nThe JSON also says \"saturated\": true when a closing reached the end of the\n"
                 "sensor's range.\n\n"
                 "Exit status: 0 series complete, 1 failed, 2 bad command line,\n"
                 "3 series complete but not a pass of the limit set.\n");
}

// "--name value" or "--name=value".
bool TakeValue(const char* arg, const char* name, int& i, int argc, char** argv, std::string* value,
               std::string* error)
{
    const std::size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0)
        return false;
    if (arg[length] == '=') {
        *value = arg + length + 1;
    } else if (arg[length] == '\0') {
        if (i + 1 >= argc) {
            *error = std::string(name) + " needs a value";
            return true;
        }
        *value = argv[++i];
    } else {
        return false;
    }
    if (value->empty())
        *error = std::string(name) + " needs a value";
    return true;
}

MeasDate TodayUtc()
{
    return MeasDateFromUnixTime(static_cast<std::int64_t>(std::time(nullptr)));
}

void PrintResults(const MessDescr& descr, std::FILE* console)
{
    static const char* const kHeadings[kMessSlots] = {"Misurazione 1", "Misurazione 2",
                                                      "Misurazione 3", "Valori medi"};
    for (int slot = 0; slot < kMessSlots; ++slot) {
        char text[512];
        FormatResult(&descr, slot, text, sizeof(text));
        std::string shown = Cp1252ToUtf8(text);
        for (std::size_t at; (at = shown.find("\r\n")) != std::string::npos;)
            shown.replace(at, 2, "\n  ");
        std::fprintf(console, "%s:\n  %s\n", kHeadings[slot], shown.c_str());
    }
}

bool WriteOutputs(const MeasureOptions& options, const MessDescr& descr,
                  const std::string& verdictMembers, std::string* error)
{
    if (!options.json.empty() &&
        !WriteOutputFile(options.json, WithJsonMembers(MeasurementJson(descr), verdictMembers),
                         error))
        return false;
    if (!options.curves.empty() && !WriteOutputFile(options.curves, CurvesCsv(descr), error))
        return false;
    for (const ExtraFileOption& extra : ExtraFileOptions()) {
        if (!extra.path.empty() && !extra.writer(descr, extra.path, error))
            return false;
    }
    return true;
}

} // namespace

bool ParseMeasureOptions(int argc, char** argv, MeasureOptions* options, std::string* error)
{
    for (int i = 0; i < argc && error->empty(); ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options->help = true;
            return true;
        }
        if (TakeValue(arg, "--sim", i, argc, argv, &options->sim, error) ||
            TakeValue(arg, "--port", i, argc, argv, &options->port, error) ||
            TakeValue(arg, "--date", i, argc, argv, &options->date, error) ||
            TakeValue(arg, "--json", i, argc, argv, &options->json, error) ||
            TakeValue(arg, "--curves", i, argc, argv, &options->curves, error))
            continue;
        bool extra = false;
        for (ExtraFileOption& option : ExtraFileOptions())
            extra =
                extra || TakeValue(arg, option.option.c_str(), i, argc, argv, &option.path, error);
        if (!extra)
            *error = std::string("unknown option '") + arg + "'";
    }
    if (!error->empty())
        return false;
    if (options->sim.empty() == options->port.empty()) {
        *error = "give exactly one of --sim and --port";
        return false;
    }
    if (!options->curves.empty() && options->curves == "-" && options->json == "-") {
        *error = "--json and --curves cannot both go to standard output";
        return false;
    }
    return true;
}

bool ParseMeasDate(const std::string& text, MeasDate* date)
{
    int year = 0, month = 0, day = 0;
    char tail = 0;
    // Digits only: sscanf alone would also take blanks and signs ("+024").
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 4 && i != 7 && !std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    }
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' ||
        std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &tail) != 3)
        return false;
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1])
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap)
        return false;
    *date = MeasDate{day, month, year};
    return true;
}

void RegisterMeasureFileOption(const char* option, const char* valueName, const char* help,
                               MeasureFileWriter writer)
{
    ExtraFileOptions().push_back({option, valueName, help, writer, {}});
}

bool RunMeasurementSeries(LinkTransport& link, MessDescr* descr, const MeasDate& date,
                          std::FILE* console, std::string* error)
{
    HeadlessDialog dialog(link, console);
    MeasRun run;
    MeasRunInit(&run);
    if (!MeasRunStart(&run, kMeasModeSeries, descr, &dialog, link.Name().c_str(), date)) {
        *error = dialog.StartError();
        return false;
    }
    std::uint64_t nextTick = link.NowMs() + kTimerPeriodMs;
    std::uint64_t lastData = link.NowMs();
    std::uint8_t buffer[256];
    while (!MeasRunEnded(&run)) {
        if (Interrupted()) {
            *error = "interrupted";
            break;
        }
        const std::uint64_t now = link.NowMs();
        if (now >= nextTick) {
            MeasRunTimerTick(&run);
            nextTick += kTimerPeriodMs;
            continue;
        }
        const std::uint64_t wait =
            nextTick - now < kMaxReceiveWaitMs ? nextTick - now : kMaxReceiveWaitMs;
        const std::size_t got = link.Receive(buffer, sizeof(buffer), static_cast<unsigned>(wait));
        if (got > 0) {
            lastData = link.NowMs();
            dialog.Feed(&run, buffer, got);
            continue;
        }
        *error = link.Finished();
        if (error->empty() && link.NowMs() - lastData > kSilenceLimitMs)
            *error = "no data from the device for 10 s";
        if (!error->empty())
            break;
    }
    if (!MeasRunEnded(&run)) {
        // Close the run as the user's confirmed end request does, so the
        // device gets its closing commands.
        dialog.AnswerEndWithYes();
        MeasRunEndRequest(&run);
    }
    return error->empty() && MeasRunResult(&run);
}

int MeasureCommand(int argc, char** argv)
{
    MeasureOptions options;
    VerdictOptions verdictOptions;
    std::string error;
    if (!ExtractVerdictOptions(argc, argv, &verdictOptions, &error) ||
        !ParseMeasureOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "klvtool measure: %s\n\n", error.c_str());
        PrintMeasureUsage(stderr);
        return kExitUsage;
    }
    if (options.help) {
        PrintMeasureUsage(stdout);
        return kExitOk;
    }
    MeasDate date = TodayUtc();
    if (!options.date.empty() && !ParseMeasDate(options.date, &date)) {
        std::fprintf(stderr, "klvtool measure: --date: '%s' is not a date YYYY-MM-DD\n",
                     options.date.c_str());
        return kExitUsage;
    }

    // A bad limit file is reported before the door is closed three times.
    LimitSet limitSet;
    const LimitSet* set = nullptr;
    if (verdictOptions.Wanted()) {
        if (!LoadLimitSet(verdictOptions, &limitSet, &error)) {
            std::fprintf(stderr, "klvtool measure: %s\n", error.c_str());
            return kExitFailure;
        }
        set = &limitSet;
    }

    std::unique_ptr<LinkTransport> link;
    try {
        link =
            options.sim.empty() ? MakePortTransport(options.port) : MakeSimTransport(options.sim);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "klvtool measure: scenario: %s\n", e.what());
        return kExitFailure;
    }

    // The status texts go to standard output unless the JSON does.
    std::FILE* console = options.json == "-" || options.curves == "-" ? stderr : stdout;

    MessDescr* descr = AllocMessDescr();
    if (!descr) {
        std::fprintf(stderr, "klvtool measure: out of memory\n");
        return kExitFailure;
    }
    // Ctrl-C ends the run as the cancel button would: the device still gets
    // its closing commands.
    CatchInterrupts();
    const bool complete = RunMeasurementSeries(*link, descr, date, console, &error);
    ReleaseInterrupts();
    int status = kExitOk;
    if (!complete) {
        std::fprintf(stderr, "klvtool measure: series not completed: %s\n",
                     error.empty() ? "the run ended early" : error.c_str());
        status = kExitFailure;
    } else {
        PrintResults(*descr, console);
        SeriesFigures figures;
        const SeriesFigures* judged = ComputeSeriesFigures(*descr, figures) ? &figures : nullptr;
        if (judged)
            PrintVerdict(figures, set, console);
        if (!WriteOutputs(options, *descr, VerdictJsonMembers(judged, set), &error)) {
            std::fprintf(stderr, "klvtool measure: %s\n", error.c_str());
            status = kExitFailure;
        } else {
            status = VerdictExitStatus(judged, set);
        }
    }
    FreeMessDescr(descr);
    return status;
}
