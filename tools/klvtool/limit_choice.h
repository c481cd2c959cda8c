// limit_choice.h - the limit set named by --limits FILE --set NAME, for
// klvtool's report and archive, and the verdict lines the report shows.
#ifndef KLVTOOL_LIMIT_CHOICE_H
#define KLVTOOL_LIMIT_CHOICE_H

#include <string>
#include <vector>

#include "limitset.h"

// Reads FILE and finds NAME in it. False with the message on standard error
// ("klvtool COMMAND: ...": the file, the line and the problem, or the sets
// the file holds when NAME is not one of them).
bool LoadLimitChoice(const char* command, const std::string& file, const std::string& name,
                     LimitSet* set);

// "CONFORME", "NON CONFORME", "NON VALUTABILE".
const char* OutcomeText(Outcome outcome);

// The verdict as lines of text (UTF-8): the overall verdict with the set's
// name, its source, then one line per rule with the values, the limit and
// the rule's outcome.
std::vector<std::string> VerdictLines(const LimitSet& set, const SeriesVerdict& verdict);

#endif
