// doc_commands.cpp - `klvtool info`, `klvtool export` and the .klv output of
// `klvtool measure` (--out FILE.klv with its description options).
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "doc_file.h"
#include "doc_figures.h"
#include "doc_report.h"
#include "klvdoc.h"
#include "klvdoc_build.h"
#include "measure.h"
#include "measure_report.h"
#include "verdict_report.h"

namespace {

// One FILE.klv argument, or --help. -1 = go on with argv[0].
int CheckFileArgument(const char* command, int argc, char** argv, const char* usage)
{
    if (argc == 1 && IsHelp(argv[0])) {
        std::fputs(usage, stdout);
        return kExitOk;
    }
    if (argc != 1 || argv[0][0] == '-') {
        std::fprintf(stderr, "klvtool %s: expected one FILE.klv\n\n%s", command, usage);
        return kExitUsage;
    }
    return -1;
}

const char kInfoUsage[] =
    "usage: klvtool info FILE.klv [--limits FILE --set NAME]\n\n"
    "Prints the document as JSON: the text of every slot under its item name\n"
    "(Descr1..Descr4, Pruefer, Fahrzeug, Tuer, Position, MessTyp, SensorTyp,\n"
    "SerNo, Title, Edit), graphWindows, the four graph windows with their\n"
    "title, settings and graphs, and figures: for each measurement and the mean\n"
    "the six figures computed from the curves (effective, clamping, peak,\n"
    "kFactor, pulseDuration, energy; null when a figure does not exist),\n"
    "saturated (a count at the end of the sensor's range) and textsAgree (the\n"
    "stored value text is the one the program writes for those figures);\n"
    "figures is null when the curves are not a measurement's. Then saturated:\n"
    "true when a closing reached the end of the sensor's range (null when the\n"
    "document holds no whole series).\n"
    "Texts are converted from Windows-1252 to UTF-8.\n\n";

const char kExportUsage[] =
    "usage: klvtool export FILE.klv\n\n"
    "Prints the valid part of every curve of the document as CSV in its physical\n"
    "unit (newtons for a measurement), with a time column in seconds from the\n"
    "start of the graph window (-1 s: one second before the trigger).\n\n"
    "Exit status: 0 written, 1 the file is missing or damaged, 2 bad command line.\n";

// ---- measure --out ---------------------------------------------------------

// The description of the inspector, given on the command line; the measurement
// dialog of the program takes the same items from its description dialog.
struct DescriptionOption {
    const char* option;
    const char* help;
    std::size_t offset; // of the field in MessDescr
    std::size_t size;
    std::string value; // UTF-8, as given
};

DescriptionOption g_description[] = {
    {"--examiner",
     "examiner (Pruefer) for --out",
     offsetof(MessDescr, szExaminer),
     sizeof(MessDescr::szExaminer),
     {}},
    {"--vehicle",
     "vehicle (Fahrzeug) for --out",
     offsetof(MessDescr, szVehicle),
     sizeof(MessDescr::szVehicle),
     {}},
    {"--door", "door (Tuer) for --out", offsetof(MessDescr, szDoor), sizeof(MessDescr::szDoor), {}},
    {"--position",
     "position (Position) for --out",
     offsetof(MessDescr, szPosition),
     sizeof(MessDescr::szPosition),
     {}},
    {"--meas-type",
     "measurement type (MessTyp) for --out",
     offsetof(MessDescr, szMeasType),
     sizeof(MessDescr::szMeasType),
     {}},
    {"--remarks",
     "remarks (Edit) for --out",
     offsetof(MessDescr, szRemarks),
     sizeof(MessDescr::szRemarks),
     {}},
};

// measure hands every registered option its value after the series, in the
// order of registration: the description options come first and are only
// remembered here, for the document that --out writes last.
template <int Index>
bool RememberDescription(const MessDescr&, const std::string& value, std::string*)
{
    g_description[Index].value = value;
    return true;
}

bool WriteMeasurementDocument(const MessDescr& measured, const std::string& path,
                              std::string* error)
{
    MessDescr descr = measured; // shares the curve buffers, which are only read
    for (const DescriptionOption& item : g_description) {
        if (!item.value.empty())
            SetFixedText(reinterpret_cast<char*>(&descr) + item.offset, item.size,
                         Utf8ToCp1252(item.value));
    }
    const std::vector<std::uint8_t> bytes = EncodeKlvDocument(BuildNewMeasurementDocument(descr));
    return WriteOutputFile(path, std::string(bytes.begin(), bytes.end()), error);
}

template <int... Index> void RegisterDescriptionOptions(std::integer_sequence<int, Index...>)
{
    (RegisterMeasureFileOption(g_description[Index].option, "TEXT", g_description[Index].help,
                               RememberDescription<Index>),
     ...);
}

struct MeasureOutRegistration {
    MeasureOutRegistration()
    {
        RegisterDescriptionOptions(std::make_integer_sequence<int, std::size(g_description)>());
        RegisterMeasureFileOption(
            "--out", "FILE.klv",
            "the series as a .klv document, as the program saves a new measurement",
            WriteMeasurementDocument);
    }
} g_measureOutRegistration;

} // namespace

const char kInfoExitStatus[] =
    "\nExit status: 0 read, 1 the file is missing or damaged (or the limit file),\n"
    "2 bad command line, 3 read but not a pass of the limit set.\n";

int InfoCommand(int argc, char** argv)
{
    const std::string usage = kInfoUsage + std::string(kVerdictOptionsHelp) + kInfoExitStatus;
    VerdictOptions verdictOptions;
    std::string error;
    if (!ExtractVerdictOptions(argc, argv, &verdictOptions, &error)) {
        std::fprintf(stderr, "klvtool info: %s\n\n%s", error.c_str(), usage.c_str());
        return kExitUsage;
    }
    if (int status = CheckFileArgument("info", argc, argv, usage.c_str()); status >= 0)
        return status;
    LimitSet limitSet;
    const LimitSet* set = nullptr;
    if (verdictOptions.Wanted()) {
        if (!LoadLimitSet(verdictOptions, &limitSet, &error)) {
            std::fprintf(stderr, "klvtool info: %s\n", error.c_str());
            return kExitFailure;
        }
        set = &limitSet;
    }
    MeasurementDocument doc;
    if (!LoadDocumentFile("info", argv[0], &doc))
        return kExitFailure;
    SeriesFigures figures;
    const SeriesFigures* judged = ComputeDocumentFigures(doc, figures) ? &figures : nullptr;
    const std::string json = WithJsonMembers(KlvInfoJson(doc, {FiguresJsonMember(doc)}),
                                             VerdictJsonMembers(judged, set));
    if (!WriteOutputFile("-", json, &error)) {
        std::fprintf(stderr, "klvtool info: %s\n", error.c_str());
        return kExitFailure;
    }
    return VerdictExitStatus(judged, set);
}

int ExportCommand(int argc, char** argv)
{
    if (int status = CheckFileArgument("export", argc, argv, kExportUsage); status >= 0)
        return status;
    MeasurementDocument doc;
    if (!LoadDocumentFile("export", argv[0], &doc))
        return kExitFailure;
    std::vector<std::string> notes;
    const std::vector<KlvCurveColumn> columns = KlvCurveColumns(doc, &notes);
    if (columns.empty())
        notes.push_back("no graph holds valid samples, only the heading is written");
    const std::string csv = KlvCurvesCsv(columns, &notes);
    for (const std::string& note : notes)
        std::fprintf(stderr, "klvtool export: %s: note: %s\n", argv[0], note.c_str());
    std::string error;
    if (!WriteOutputFile("-", csv, &error)) {
        std::fprintf(stderr, "klvtool export: %s\n", error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}
