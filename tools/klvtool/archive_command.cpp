// archive_command.cpp - `klvtool archive`: every .klv document below a
// folder as one row, in CSV, JSON and an HTML page with trends.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "archive_pages.h"
#include "archive_scan.h"
#include "commands.h"
#include "cp1252.h"
#include "doc_file.h"
#include "limit_choice.h"
#include "measure_report.h"

namespace {

const char kArchiveUsage[] =
    "usage: klvtool archive DIR [--csv FILE] [--json FILE] [--html FILE]\n"
    "                          [--limits FILE --set NAME] [--index FILE | --no-index]\n\n"
    "Reads every .klv file below DIR (following symbolic links) and writes one\n"
    "row per document: path below DIR, measurement date, examiner, vehicle,\n"
    "door, position, measurement type, sensor type, serial number, the six\n"
    "figures of the mean computed from the curves, and saturation. Files that\n"
    "are not readable documents are listed apart with the reason (foreign, cut\n"
    "short, damaged, unreadable, vanished, link loop) and never stop the run.\n"
    "  --csv FILE    the rows as CSV\n"
    "  --json FILE   the rows and the files listed apart as JSON\n"
    "  --html FILE   a page with a table that sorts (click a heading) and\n"
    "                filters, and the trend of the mean effective and peak force\n"
    "                over the date for each vehicle, door and position with two\n"
    "                or more documents\n"
    "Without an output option the CSV goes to standard output; FILE may be '-'.\n"
    "  --limits FILE --set NAME   adds each document's verdict by the limit set\n"
    "                NAME of the limit file FILE (Limiti.ini), and the set's\n"
    "                limits of the mean's effective and peak force to the trends\n"
    "  --index FILE  what this run learnt, for the next one: a file whose size\n"
    "                and modification time are unchanged is not read again\n"
    "                (default: $XDG_CACHE_HOME/klvtool, else ~/.cache/klvtool,\n"
    "                one index per folder)\n"
    "  --no-index    read every file, keep no index\n\n"
    "Exit status: 0 the outputs are written (files listed apart included),\n"
    "1 DIR cannot be read, the limit file cannot be used or an output cannot be\n"
    "written, 2 bad command line.\n";

struct ArchiveOptions {
    std::string folder;
    std::string csv, json, html;
    std::string index;
    std::string limits, set;
    bool useIndex = true;
};

int Usage(const std::string& problem)
{
    std::fprintf(stderr, "klvtool archive: %s\n\n%s", problem.c_str(), kArchiveUsage);
    return kExitUsage;
}

// 0 = parsed, -1 = help shown; otherwise the exit status.
int ParseArchiveOptions(int argc, char** argv, ArchiveOptions* options)
{
    const struct {
        const char* name;
        std::string* value;
    } valued[] = {{"--csv", &options->csv},       {"--json", &options->json},
                  {"--html", &options->html},     {"--index", &options->index},
                  {"--limits", &options->limits}, {"--set", &options->set}};
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (IsHelp(argv[i])) {
            std::fputs(kArchiveUsage, stdout);
            return -1;
        }
        if (arg == "--no-index") {
            options->useIndex = false;
            continue;
        }
        bool known = false;
        for (const auto& option : valued) {
            if (arg != option.name)
                continue;
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return Usage(arg + " needs a value");
            *option.value = argv[++i];
            known = true;
        }
        if (known)
            continue;
        if (arg.size() > 1 && arg[0] == '-')
            return Usage("unknown option '" + arg + "'");
        if (!options->folder.empty())
            return Usage("expected one DIR");
        options->folder = arg;
    }
    if (options->folder.empty())
        return Usage("expected DIR");
    if (options->limits.empty() != options->set.empty())
        return Usage("--limits and --set go together");
    if (options->csv.empty() && options->json.empty() && options->html.empty())
        options->csv = "-";
    return 0;
}

// An output whose folder is missing or not writable fails before the walk,
// not after minutes of reading.
bool OutputWritable(const std::string& path, std::string* error)
{
    if (path.empty() || path == "-")
        return true;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (::access(folder.c_str(), W_OK) != 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string DefaultIndexPath(const std::string& folder)
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    std::string base = cache && *cache ? cache : home && *home ? std::string(home) + "/.cache" : "";
    if (base.empty())
        return std::string();
    char* real = ::realpath(folder.c_str(), nullptr);
    const std::string key = real ? real : folder;
    std::free(real);
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a of the folder's real path
    for (unsigned char c : key)
        hash = (hash ^ c) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "/klvtool/archive-%016llx.index",
                  static_cast<unsigned long long>(hash));
    return base + name;
}

bool ReadText(const std::string& path, std::string* text)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text->append(chunk, got);
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

// The previous run's index when it belongs to this folder; a damaged one is
// named and the documents are read again.
bool LoadIndex(const std::string& path, const std::string& folder, ArchiveIndex* index)
{
    std::string text, error;
    if (path.empty() || !ReadText(path, &text))
        return false;
    if (!DecodeArchiveIndex(text, index, &error)) {
        std::fprintf(stderr, "klvtool archive: %s: %s; every document is read again\n",
                     path.c_str(), error.c_str());
        return false;
    }
    char* real = ::realpath(folder.c_str(), nullptr);
    const bool same = real && index->folder == real;
    std::free(real);
    return same;
}

void KeepIndex(const std::string& path, const ArchiveIndex& index)
{
    if (path.empty())
        return;
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        // The cache folder and its parent, made as needed.
        const std::string folder = path.substr(0, slash);
        const std::size_t parent = folder.rfind('/');
        if (parent != std::string::npos && parent > 0)
            ::mkdir(folder.substr(0, parent).c_str(), 0777);
        ::mkdir(folder.c_str(), 0777);
    }
    std::string error;
    if (!WriteOutputFile(path, EncodeArchiveIndex(index), &error))
        std::fprintf(stderr, "klvtool archive: note: the index is not kept: %s\n", error.c_str());
}

// Every row's verdict, and the set's limits of the mean's effective and peak
// force for the trend charts.
ArchiveJudgement Judge(const ArchiveScan& scan, const LimitSet* set)
{
    ArchiveJudgement judgement{std::string(), {}, NAN, NAN};
    if (!set)
        return judgement;
    judgement.set = Cp1252ToUtf8(set->name);
    for (const LimitRule& rule : set->rules) {
        if (rule.scope != kScopeMean)
            continue;
        if (rule.figure == kFigureEffective)
            judgement.effectiveLimit = rule.max;
        if (rule.figure == kFigurePeak)
            judgement.peakLimit = rule.max;
    }
    judgement.verdicts.reserve(scan.rows.size());
    for (const ArchiveRow& row : scan.rows)
        judgement.verdicts.push_back(row.hasFigures ? JudgeSeries(*set, row.figures).overall
                                                    : Outcome::NotAssessable);
    return judgement;
}

void ReportProblems(const ArchiveScan& scan)
{
    for (const ArchiveProblem& p : scan.problems)
        std::fprintf(stderr, "klvtool archive: %s: listed apart (%s): %s\n", p.path.c_str(),
                     ArchiveProblemName(p.kind), p.reason.c_str());
}

bool WriteOutputs(const ArchiveOptions& options, const ArchiveScan& scan,
                  const ArchiveJudgement& judgement)
{
    bool written = true;
    struct Output {
        const std::string& path;
        std::string (*render)(const ArchiveScan&, const ArchiveJudgement&);
    };
    for (const Output& output : {Output{options.csv, ArchiveCsv}, Output{options.json, ArchiveJson},
                                 Output{options.html, ArchiveHtml}}) {
        if (output.path.empty())
            continue;
        std::string error;
        if (!WriteOutputFile(output.path, output.render(scan, judgement), &error)) {
            std::fprintf(stderr, "klvtool archive: %s\n", error.c_str());
            written = false;
        }
    }
    return written;
}

} // namespace

int ArchiveCommand(int argc, char** argv)
{
    ArchiveOptions options;
    if (int status = ParseArchiveOptions(argc, argv, &options); status != 0)
        return status < 0 ? kExitOk : status;
    for (const std::string* output : {&options.csv, &options.json, &options.html}) {
        std::string error;
        if (!OutputWritable(*output, &error)) {
            std::fprintf(stderr, "klvtool archive: %s\n", error.c_str());
            return kExitFailure;
        }
    }
    LimitSet set;
    if (!options.limits.empty() && !LoadLimitChoice("archive", options.limits, options.set, &set))
        return kExitFailure;
    const auto start = std::chrono::steady_clock::now();
    const std::string indexPath = !options.useIndex       ? std::string()
                                  : options.index.empty() ? DefaultIndexPath(options.folder)
                                                          : options.index;
    ArchiveIndex previous;
    ArchiveScanOptions scanOptions;
    if (LoadIndex(indexPath, options.folder, &previous))
        scanOptions.previous = &previous;
    ArchiveScan scan;
    std::string error;
    if (!ScanArchive(options.folder, scanOptions, &scan, &error)) {
        std::fprintf(stderr, "klvtool archive: %s\n", error.c_str());
        return kExitFailure;
    }
    // An archive read wholly from an index that lists nothing else leaves
    // that index as it is.
    const bool indexUnchanged = scanOptions.previous && scan.documentsRead == 0 &&
                                scan.index.entries.size() == previous.entries.size();
    previous = ArchiveIndex(); // no longer needed; its memory goes back
    ReportProblems(scan);

    const ArchiveJudgement judgement = Judge(scan, options.limits.empty() ? nullptr : &set);
    const bool written = WriteOutputs(options, scan, judgement);
    if (!indexUnchanged)
        KeepIndex(indexPath, scan.index);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fprintf(stderr,
                 "klvtool archive: %zu documents (%zu read, %zu from the index), %zu files listed "
                 "apart, in %.3f s\n",
                 scan.rows.size(), scan.documentsRead, scan.fromIndex, scan.problems.size(),
                 seconds);
    return written ? kExitOk : kExitFailure;
}
