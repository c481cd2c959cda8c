// report_command.cpp - `klvtool report`: a document as one self-contained
// HTML page showing what its printed inspection report shows.
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "doc_file.h"
#include "figures.h"
#include "limit_choice.h"
#include "measure_report.h"
#include "report_page.h"

namespace {

const char kReportUsage[] =
    "usage: klvtool report FILE.klv [--limits FILE --set NAME] -o OUT.html\n\n"
    "Writes the document as one HTML page that needs nothing else (no script,\n"
    "no file beside it): what the printed report shows - title with sensor and\n"
    "serial number, description, remarks, file name, the four curves with the\n"
    "program's axes and the value texts - and a warning beside each curve whose\n"
    "sensor saturated. A browser prints it on one A4 page. OUT.html may be '-'\n"
    "for standard output.\n"
    "  --limits FILE --set NAME   adds the verdict of the limit set NAME of the\n"
    "                             limit file FILE (Limiti.ini) under the curves\n\n"
    "Exit status: 0 written, 1 the file is missing or damaged, the limit file\n"
    "cannot be used or OUT cannot be written, 2 bad command line.\n";

struct ReportOptions {
    const char* document = nullptr;
    const char* output = nullptr;
    const char* limits = nullptr;
    const char* set = nullptr;
};

// 0 = parsed; otherwise the exit status.
int ParseReportOptions(int argc, char** argv, ReportOptions* options)
{
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (IsHelp(arg)) {
            std::fputs(kReportUsage, stdout);
            return -1;
        }
        const char** valued = std::strcmp(arg, "-o") == 0 || std::strcmp(arg, "--output") == 0
                                  ? &options->output
                              : std::strcmp(arg, "--limits") == 0 ? &options->limits
                              : std::strcmp(arg, "--set") == 0    ? &options->set
                                                                  : nullptr;
        if (valued) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "klvtool report: %s needs a value\n\n%s", arg, kReportUsage);
                return kExitUsage;
            }
            *valued = argv[++i];
        } else if (arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "klvtool report: unknown option '%s'\n\n%s", arg, kReportUsage);
            return kExitUsage;
        } else if (options->document) {
            std::fprintf(stderr, "klvtool report: expected one FILE.klv\n\n%s", kReportUsage);
            return kExitUsage;
        } else {
            options->document = arg;
        }
    }
    if (!options->document || !options->output) {
        std::fprintf(stderr, "klvtool report: expected FILE.klv and -o OUT.html\n\n%s",
                     kReportUsage);
        return kExitUsage;
    }
    if (!options->limits != !options->set) {
        std::fprintf(stderr, "klvtool report: --limits and --set go together\n\n%s", kReportUsage);
        return kExitUsage;
    }
    return 0;
}

} // namespace

int ReportCommand(int argc, char** argv)
{
    ReportOptions options;
    if (int status = ParseReportOptions(argc, argv, &options); status != 0)
        return status < 0 ? kExitOk : status;
    LimitSet set;
    if (options.limits && !LoadLimitChoice("report", options.limits, options.set, &set))
        return kExitFailure;
    MeasurementDocument doc;
    if (!LoadDocumentFile("report", options.document, &doc))
        return kExitFailure;
    ReportAdditions additions;
    additions.path = options.document;
    SeriesFigures figures;
    const bool measured = ComputeDocumentFigures(doc, figures);
    for (int k = 0; measured && k < kMessSlots; ++k)
        additions.saturated[k] = figures.slot[k].saturated;
    if (options.limits && measured) {
        const SeriesVerdict verdict = JudgeSeries(set, figures);
        additions.verdict = VerdictLines(set, verdict);
        additions.verdictPasses = verdict.overall == Outcome::Pass;
    } else if (options.limits) {
        additions.verdict = {"Verdetto: NON VALUTABILE (le curve non sono quelle di una "
                             "misurazione)"};
    }
    std::string error;
    if (!WriteOutputFile(options.output, ReportHtml(doc, additions), &error)) {
        std::fprintf(stderr, "klvtool report: %s\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}
