// verdict_report.h - a series judged against a limit set, for klvtool's
// commands: the options --limits FILE --set NAME, the JSON members
// "saturated" and "verdict", the console lines and the exit status.
#ifndef KLVTOOL_VERDICT_REPORT_H
#define KLVTOOL_VERDICT_REPORT_H

#include <cstdio>
#include <string>

#include "figures.h"
#include "limitset.h"

constexpr int kExitNotPass = 3; // a verdict was asked for and it is not a pass

struct VerdictOptions {
    std::string limits; // the limit file
    std::string set;    // the set's name, UTF-8 as typed
    bool Wanted() const { return !limits.empty() || !set.empty(); }
};

// Takes --limits and --set ("--name value" or "--name=value") out of argv,
// leaving the other arguments in their order. False with the reason in error
// for a missing value, or when only one of the two is given.
bool ExtractVerdictOptions(int& argc, char** argv, VerdictOptions* options, std::string* error);

// Reads the limit file and finds the set. False with a UTF-8 message naming
// the file, the line and the problem, or the set that is not there.
bool LoadLimitSet(const VerdictOptions& options, LimitSet* set, std::string* error);

// The members to add to a command's JSON object, at its indentation of two:
// "saturated" (null when the document holds no whole series) and, with a
// set, "verdict" with set, source, pass (true, false or null: not
// assessable) and rules, each with scope, figure, limit, values (one for
// Media, three for Chiusura; null for a figure that does not exist) and pass.
std::string VerdictJsonMembers(const SeriesFigures* figures, const LimitSet* set);

// Adds members to the top-level object that json holds (ending in "}\n").
std::string WithJsonMembers(const std::string& json, const std::string& members);

// The saturation warning and the verdict with every rule, for the console.
void PrintVerdict(const SeriesFigures& figures, const LimitSet* set, std::FILE* to);

// kExitNotPass when a set was given and the series does not pass, else 0.
int VerdictExitStatus(const SeriesFigures* figures, const LimitSet* set);

// The lines the usage texts of measure and info show.
extern const char kVerdictOptionsHelp[];

#endif
