// limit_choice.cpp - the chosen limit set and its verdict lines (see
// limit_choice.h).
#include "limit_choice.h"

#include <cstdio>

#include "cp1252.h"

bool LoadLimitChoice(const char* command, const std::string& file, const std::string& name,
                     LimitSet* set)
{
    LimitFile limits;
    LimitError error;
    if (!ReadLimitFile(file, limits, error)) {
        std::fprintf(stderr, "klvtool %s: %s\n", command,
                     Cp1252ToUtf8(DescribeLimitError(error)).c_str());
        return false;
    }
    if (const LimitSet* found = FindLimitSet(limits, name)) {
        *set = *found;
        return true;
    }
    std::string names;
    for (const LimitSet& s : limits.sets)
        names += (names.empty() ? "" : ", ") + Cp1252ToUtf8(s.name);
    std::fprintf(stderr, "klvtool %s: %s has no limit set '%s' (its sets: %s)\n", command,
                 file.c_str(), name.c_str(), names.c_str());
    return false;
}

const char* OutcomeText(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Pass:
        return "CONFORME";
    case Outcome::Fail:
        return "NON CONFORME";
    case Outcome::NotAssessable:
        break;
    }
    return "NON VALUTABILE";
}

std::vector<std::string> VerdictLines(const LimitSet& set, const SeriesVerdict& verdict)
{
    std::vector<std::string> lines;
    lines.push_back(std::string("Verdetto: ") + OutcomeText(verdict.overall) +
                    " (valori limite \xE2\x80\x9C" + Cp1252ToUtf8(set.name) + "\xE2\x80\x9D" +
                    (set.source.empty() ? "" : ", fonte: " + Cp1252ToUtf8(set.source)) + ")");
    for (const RuleJudgement& rule : verdict.rules) {
        const char* unit = FigureUnit(rule.rule.figure);
        char text[96];
        std::string line =
            std::string(LimitScopeKey(rule.rule.scope)) + "." + FigureKey(rule.rule.figure) + ": ";
        for (int k = 0; k < rule.valueCount; ++k) {
            if (rule.defined[k])
                std::snprintf(text, sizeof text, "%s%.2f", k ? " / " : "", rule.value[k]);
            else
                std::snprintf(text, sizeof text, "%s\xE2\x80\x93", k ? " / " : "");
            line += text;
        }
        std::snprintf(text, sizeof text, " %s (massimo %.2f %s) ", unit, rule.rule.max, unit);
        lines.push_back(line + text + OutcomeText(rule.outcome));
    }
    if (verdict.saturated)
        lines.push_back("Sensore saturato: i valori raggiunti al fondo scala non sono valutabili.");
    return lines;
}
