// limitset.h - limit sets and the verdict of a series against one of them.
//
// The inspector keeps the limits in a plain INI file, Limiti.ini: one section
// per set (the section name is the set's name), a free text `Fonte` naming
// the regulation the numbers come from, and rules `SCOPE.FIGURE=MAX` with
// SCOPE `Media` (the series mean) or `Chiusura` (each of the three closings),
// FIGURE a key of figures.h and MAX a decimal number, point or comma, in the
// figure's unit. A figure passes when it is at most MAX. Keys, scopes, figures
// and set names are matched without regard to case, as Windows reads INI
// files; `;` or `#` begins a comment line, and a rule may end in a comment.
#ifndef LIMITSET_H
#define LIMITSET_H

#include <string>
#include <vector>

#include "figures.h"

enum LimitScope { kScopeMean, kScopeClosing };

struct LimitRule {
    LimitScope scope;
    FigureId figure;
    double max;
    int line;
};

struct LimitSet {
    std::string name;
    std::string source; // Fonte, empty when the file gives none
    std::vector<LimitRule> rules;
    int line; // of the section header
};

struct LimitFile {
    std::string path;
    std::vector<LimitSet> sets;
};

enum class LimitProblem {
    None,
    Unreadable,     // detail: the system's reason
    BadLine,        // neither a section, a key=value, a comment nor blank
    EmptySetName,   //
    KeyOutsideSet,  // detail: the key
    UnknownKey,     // detail: the key
    UnknownFigure,  // detail: the figure
    BadNumber,      // detail: the value
    DuplicateSet,   // detail: the set; otherLine: its first definition
    DuplicateKey,   // detail: the key; otherLine: its first definition
    SetWithoutRule, // detail: the set (line: its header)
};

struct LimitError {
    LimitProblem problem = LimitProblem::None;
    std::string path;
    int line = 0; // 1-based; 0 for the file as a whole
    std::string detail;
    int otherLine = 0;
};

// Parses the text of a limit file (Windows-1252 or ASCII, LF or CRLF lines, a
// UTF-8 byte order mark skipped). Stops at the first problem: false with
// error filled in, and out then holds no sets.
bool ParseLimitFile(const std::string& text, const std::string& path, LimitFile& out,
                    LimitError& error);

// Reads and parses a limit file.
bool ReadLimitFile(const std::string& path, LimitFile& out, LimitError& error);

// The set of that name, or null.
const LimitSet* FindLimitSet(const LimitFile& file, const std::string& name);

// The message for the inspector: the file, the line and the problem, in the
// program's language (Windows-1252).
std::string DescribeLimitError(const LimitError& error);

// "Media" or "Chiusura".
const char* LimitScopeKey(LimitScope scope);

// ---- the verdict ----------------------------------------------------------

enum class Outcome { Pass, Fail, NotAssessable };

// The judgement of one rule: one value for the mean, three for the closings.
struct RuleJudgement {
    LimitRule rule;
    int valueCount;
    double value[kMessMeasurements];
    bool defined[kMessMeasurements];
    Outcome outcome;
};

struct SeriesVerdict {
    std::vector<RuleJudgement> rules; // in the set's order
    Outcome overall;
    bool saturated; // some closing reached the end of the sensor's range
};

// Judges the series. A rule fails when a value is above its limit and passes
// when every value is at or below it; a value that does not exist, or that
// comes from a closing at the end of the sensor's range and is not above the
// limit, makes the rule not assessable. The overall verdict fails when any
// rule fails, passes only when every rule passes and no closing saturated,
// and is not assessable otherwise.
SeriesVerdict JudgeSeries(const LimitSet& set, const SeriesFigures& figures);

// The verdict of one closing by the set's `Chiusura` rules alone, shown as
// soon as the closing is evaluated. judged is false when the set has no such
// rule (it judges the mean only); outcome is then meaningless.
struct ClosingVerdict {
    bool judged;
    Outcome outcome;
};
ClosingVerdict JudgeClosing(const LimitSet& set, const SlotFigures& closing);

// The program's words for an outcome: "CONFORME", ... for a series, a page or
// a closing; "conforme", ... for one rule.
const char* VerdictText(Outcome outcome);
const char* RuleOutcomeText(Outcome outcome);

#endif
