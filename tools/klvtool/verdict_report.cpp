// verdict_report.cpp - see verdict_report.h.
#include "verdict_report.h"

#include <cstring>

#include "appstrings.h"
#include "cp1252.h"
#include "doc_report.h"
#include "json_text.h"

const char kVerdictOptionsHelp[] =
    "  --limits FILE      a limit file (Limiti.ini) to judge the series by; with\n"
    "  --set NAME         the set of that file: adds \"verdict\" to the JSON (set,\n"
    "                     source, pass: true, false or null when not assessable,\n"
    "                     rules with scope, figure, limit, values and pass)\n";

namespace {

// "--name value" or "--name=value" at argv[i]; 0: not this option, 1: one
// argument, 2: two.
int OptionValue(int argc, char** argv, int i, const char* name, std::string* value,
                std::string* error)
{
    const std::size_t length = std::strlen(name);
    const char* arg = argv[i];
    if (std::strncmp(arg, name, length) != 0)
        return 0;
    int taken = 1;
    if (arg[length] == '=') {
        *value = arg + length + 1;
    } else if (arg[length] == '\0' && i + 1 < argc) {
        *value = argv[i + 1];
        taken = 2;
    } else if (arg[length] != '\0') {
        return 0;
    }
    if (value->empty())
        *error = std::string(name) + " needs a value";
    return taken;
}

const char* JsonOutcome(Outcome outcome)
{
    return outcome == Outcome::Pass ? "true" : outcome == Outcome::Fail ? "false" : "null";
}

void AppendRule(std::string& out, const RuleJudgement& rule)
{
    out += "\n      {\"scope\": \"";
    out += LimitScopeKey(rule.rule.scope);
    out += "\", \"figure\": \"";
    out += FigureKey(rule.rule.figure);
    out += "\", \"limit\": " + JsonNumber(rule.rule.max) + ", \"values\": [";
    for (int i = 0; i < rule.valueCount; ++i) {
        out += i ? ", " : "";
        out += rule.defined[i] ? JsonNumber(rule.value[i]) : "null";
    }
    out += "], \"pass\": ";
    out += JsonOutcome(rule.outcome);
    out += "}";
}

std::string ValueText(const RuleJudgement& rule, int i)
{
    if (!rule.defined[i])
        return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f %s", rule.rule.figure == kFigureKFactor ? 3 : 1,
                  rule.value[i], FigureUnit(rule.rule.figure));
    return text;
}

} // namespace

bool ExtractVerdictOptions(int& argc, char** argv, VerdictOptions* options, std::string* error)
{
    int kept = 0;
    for (int i = 0; i < argc && error->empty();) {
        int taken = OptionValue(argc, argv, i, "--limits", &options->limits, error);
        if (!taken)
            taken = OptionValue(argc, argv, i, "--set", &options->set, error);
        if (taken) {
            i += taken;
            continue;
        }
        argv[kept++] = argv[i++];
    }
    argc = kept;
    if (error->empty() && options->Wanted() && (options->limits.empty() || options->set.empty()))
        *error = "--limits and --set go together";
    return error->empty();
}

bool LoadLimitSet(const VerdictOptions& options, LimitSet* set, std::string* error)
{
    LimitFile file;
    LimitError problem;
    if (!ReadLimitFile(options.limits, file, problem)) {
        *error = Cp1252ToUtf8(DescribeLimitError(problem));
        return false;
    }
    const LimitSet* found = FindLimitSet(file, Utf8ToCp1252(options.set));
    if (!found) {
        *error = options.limits + ": no set [" + options.set + "]; the file has:";
        for (const LimitSet& each : file.sets)
            *error += " [" + Cp1252ToUtf8(each.name) + "]";
        return false;
    }
    *set = *found;
    return true;
}

std::string VerdictJsonMembers(const SeriesFigures* figures, const LimitSet* set)
{
    std::string out = "  \"saturated\": ";
    out += !figures ? "null" : figures->slot[kMessMeanSlot].saturated ? "true" : "false";
    if (!set)
        return out;
    out += ",\n  \"verdict\": {\n    \"set\": ";
    AppendJsonString(out, set->name);
    out += ",\n    \"source\": ";
    AppendJsonString(out, set->source);
    if (!figures) {
        out += ",\n    \"pass\": null,\n    \"rules\": []\n  }";
        return out;
    }
    const SeriesVerdict verdict = JudgeSeries(*set, *figures);
    out += ",\n    \"pass\": ";
    out += JsonOutcome(verdict.overall);
    out += ",\n    \"rules\": [";
    for (std::size_t i = 0; i < verdict.rules.size(); ++i) {
        out += i ? "," : "";
        AppendRule(out, verdict.rules[i]);
    }
    out += "\n    ]\n  }";
    return out;
}

std::string WithJsonMembers(const std::string& json, const std::string& members)
{
    const std::size_t close = json.rfind('}');
    if (close == std::string::npos || members.empty())
        return json;
    std::size_t end = close;
    while (end > 0 && (json[end - 1] == '\n' || json[end - 1] == ' '))
        --end;
    return json.substr(0, end) + ",\n" + members + "\n" + json.substr(close);
}

void PrintVerdict(const SeriesFigures& figures, const LimitSet* set, std::FILE* to)
{
    if (figures.slot[kMessMeanSlot].saturated)
        std::fprintf(to, "%s\n", AppString(IDS_SENSOR_SATURATED));
    if (!set)
        return;
    const SeriesVerdict verdict = JudgeSeries(*set, figures);
    std::string heading = Cp1252ToUtf8(set->name);
    if (!set->source.empty())
        heading += " (" + Cp1252ToUtf8(set->source) + ")";
    std::fprintf(to, "%s: %s\n", heading.c_str(), VerdictText(verdict.overall));
    for (const RuleJudgement& rule : verdict.rules) {
        std::string values;
        for (int i = 0; i < rule.valueCount; ++i)
            values += (i ? ", " : "") + ValueText(rule, i);
        std::fprintf(to, "  %s.%s <= %g %s: %s  %s\n", LimitScopeKey(rule.rule.scope),
                     FigureKey(rule.rule.figure), rule.rule.max, FigureUnit(rule.rule.figure),
                     values.c_str(), RuleOutcomeText(rule.outcome));
    }
}

int VerdictExitStatus(const SeriesFigures* figures, const LimitSet* set)
{
    if (!set)
        return 0;
    if (!figures || JudgeSeries(*set, *figures).overall != Outcome::Pass)
        return kExitNotPass;
    return 0;
}
