// verdicttext.cpp - the verdict's texts (see verdicttext.h).
#include "verdicttext.h"

#include <cstdio>

#include "appstrings.h"

namespace {

std::string Format(int id, const char* a, const char* b = "", const char* c = "",
                   const char* d = "")
{
    char text[1024];
    FormatAppString(text, sizeof text, id, a, b, c, d);
    return text;
}

// As the value texts show the figure: forces to 0.1 N, the rest to 0.01.
std::string FigureValue(FigureId figure, double value)
{
    char text[64];
    const bool force =
        figure == kFigureEffective || figure == kFigureClamping || figure == kFigurePeak;
    std::snprintf(text, sizeof text, force ? "%.1f" : "%.2f", value);
    return text;
}

std::string WithUnit(const std::string& number, FigureId figure)
{
    const std::string unit = FigureUnit(figure);
    return unit.empty() ? number : number + " " + unit;
}

std::string LimitWithUnit(const LimitRule& rule)
{
    char limit[64];
    std::snprintf(limit, sizeof limit, "%g", rule.max);
    return WithUnit(limit, rule.figure);
}

std::string RuleKey(const LimitRule& rule)
{
    return std::string(LimitScopeKey(rule.scope)) + "." + FigureKey(rule.figure);
}

std::string RuleLine(const RuleJudgement& rule)
{
    const FigureId figure = rule.rule.figure;
    std::string values;
    bool anyDefined = false;
    for (int i = 0; i < rule.valueCount; ++i) {
        values += i ? " / " : "";
        values += rule.defined[i] ? FigureValue(figure, rule.value[i]) : "-";
        anyDefined = anyDefined || rule.defined[i];
    }
    return Format(IDS_VERDICT_RULE, RuleKey(rule.rule).c_str(),
                  (anyDefined ? WithUnit(values, figure) : values).c_str(),
                  LimitWithUnit(rule.rule).c_str(), RuleOutcomeText(rule.outcome));
}

void AddLine(std::string& text, const std::string& line)
{
    if (!text.empty())
        text += "\r\n";
    text += line;
}

} // namespace

std::string PageVerdictText(const LimitSet* set, const SeriesFigures& figures, int slot)
{
    const SlotFigures& figuresOfSlot = figures.slot[slot];
    std::string text;
    if (set && slot != kMessMeanSlot) {
        const ClosingVerdict verdict = JudgeClosing(*set, figuresOfSlot);
        if (verdict.judged)
            AddLine(text, VerdictText(verdict.outcome));
    } else if (set) {
        const SeriesVerdict verdict = JudgeSeries(*set, figures);
        AddLine(text, VerdictText(verdict.overall));
        AddLine(text, Format(IDS_VERDICT_SET, set->name.c_str()));
        if (!set->source.empty())
            AddLine(text, Format(IDS_VERDICT_SOURCE, set->source.c_str()));
        for (const RuleJudgement& rule : verdict.rules)
            AddLine(text, RuleLine(rule));
    }
    if (figuresOfSlot.saturated)
        AddLine(text, AppString(IDS_SENSOR_SATURATED));
    return text;
}

std::vector<std::string> PrintVerdictLines(const LimitSet& set, const SeriesFigures& figures)
{
    const SeriesVerdict verdict = JudgeSeries(set, figures);
    std::string heading = Format(IDS_VERDICT_SET, set.name.c_str());
    if (!set.source.empty())
        heading += " - " + Format(IDS_VERDICT_SOURCE, set.source.c_str());
    std::vector<std::string> lines = {heading};
    for (const RuleJudgement& rule : verdict.rules)
        lines.push_back(RuleLine(rule));
    lines.push_back(Format(IDS_VERDICT_OVERALL, VerdictText(verdict.overall)));
    if (verdict.saturated)
        lines.push_back(AppString(IDS_SENSOR_SATURATED));
    return lines;
}

std::string DialogVerdictText(const LimitSet* set, const SeriesFigures& figures, int count)
{
    std::string text;
    for (int k = 0; k < count && k < kMessMeasurements; ++k) {
        const SlotFigures& closing = figures.slot[k];
        const ClosingVerdict verdict =
            set ? JudgeClosing(*set, closing) : ClosingVerdict{false, Outcome::Pass};
        std::string said = verdict.judged ? VerdictText(verdict.outcome) : "";
        if (closing.saturated)
            said += (said.empty() ? "" : ", ") + std::string(AppString(IDS_SENSOR_SATURATED));
        if (said.empty())
            continue;
        char part[128];
        FormatAppString(part, sizeof part, IDS_VERDICT_CLOSING, k + 1, said.c_str());
        AddLine(text, part);
    }
    return text;
}

std::string LimitSetText(const LimitSet& set)
{
    std::string text;
    if (!set.source.empty())
        AddLine(text, Format(IDS_VERDICT_SOURCE, set.source.c_str()));
    for (const LimitRule& rule : set.rules)
        AddLine(text, Format(IDS_LIMITS_RULE, RuleKey(rule).c_str(), LimitWithUnit(rule).c_str()));
    return text;
}

VerdictTone ToneOf(const std::string& part)
{
    if (part.find(AppString(IDS_VERDICT_FAIL)) != std::string::npos ||
        part.find(AppString(IDS_SENSOR_SATURATED)) != std::string::npos)
        return VerdictTone::Fault;
    if (part.find(AppString(IDS_VERDICT_PASS)) != std::string::npos)
        return VerdictTone::Pass;
    return VerdictTone::Plain;
}
