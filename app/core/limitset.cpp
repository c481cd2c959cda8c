// limitset.cpp - the limit file and the verdict (see limitset.h).
#include "limitset.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "appstrings.h"

namespace {

const char kSourceKey[] = "Fonte";
const char* const kScopeKeys[] = {"Media", "Chiusura"};

unsigned char AsciiLower(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(static_cast<unsigned char>(a[i])) !=
            AsciiLower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Digits with at most one decimal point or comma; nothing else, not even a
// unit or a thousands separator, and no number too large for a double.
bool ParseDecimal(const std::string& text, double& value)
{
    std::string plain;
    bool separator = false;
    bool digit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
            plain += c;
        } else if ((c == '.' || c == ',') && !separator) {
            separator = true;
            plain += '.';
        } else {
            return false;
        }
    }
    if (!digit)
        return false;
    // Read in the C locale, which the programs never change.
    value = std::strtod(plain.c_str(), nullptr);
    return std::isfinite(value);
}

// A text file has no control characters but tabs and the line end.
bool HasControlCharacter(const std::string& line)
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        const bool lineEnd = c == '\r' && i + 1 == line.size();
        if ((c < 0x20 && c != '\t' && !lineEnd) || c == 0x7F)
            return true;
    }
    return false;
}

// A rule's value may end in a comment; a Fonte is free text and keeps it.
std::string WithoutComment(const std::string& value)
{
    const std::size_t mark = value.find_first_of(";#");
    return Trim(mark == std::string::npos ? value : value.substr(0, mark));
}

class Parser {
public:
    Parser(const std::string& path, LimitFile& out, LimitError& error) : out_(out), error_(error)
    {
        out_.path = path;
        out_.sets.clear();
        error_ = LimitError();
        error_.path = path;
    }

    bool Line(const std::string& raw, int number)
    {
        line_ = number;
        if (HasControlCharacter(raw))
            return Fail(LimitProblem::BadLine, std::string());
        const std::string text = Trim(raw);
        if (text.empty() || text[0] == ';' || text[0] == '#')
            return true;
        if (text[0] == '[')
            return Section(text);
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos)
            return Fail(LimitProblem::BadLine, std::string());
        return Entry(Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)));
    }

    bool Finish() { return CheckLastSetHasRules(); }

private:
    bool Fail(LimitProblem problem, const std::string& detail, int otherLine = 0)
    {
        error_.problem = problem;
        error_.line = line_;
        error_.detail = detail;
        error_.otherLine = otherLine;
        out_.sets.clear();
        return false;
    }

    bool CheckLastSetHasRules()
    {
        if (out_.sets.empty() || !out_.sets.back().rules.empty())
            return true;
        line_ = out_.sets.back().line;
        return Fail(LimitProblem::SetWithoutRule, out_.sets.back().name);
    }

    bool Section(const std::string& text)
    {
        if (text.back() != ']')
            return Fail(LimitProblem::BadLine, std::string());
        const int line = line_;
        if (!CheckLastSetHasRules())
            return false;
        line_ = line;
        const std::string name = Trim(text.substr(1, text.size() - 2));
        if (name.empty())
            return Fail(LimitProblem::EmptySetName, std::string());
        for (const LimitSet& set : out_.sets) {
            if (SameText(set.name, name))
                return Fail(LimitProblem::DuplicateSet, name, set.line);
        }
        out_.sets.push_back(LimitSet{name, std::string(), {}, line_});
        sourceLine_ = 0;
        return true;
    }

    bool Entry(const std::string& key, const std::string& value)
    {
        if (out_.sets.empty())
            return Fail(LimitProblem::KeyOutsideSet, key);
        LimitSet& set = out_.sets.back();
        if (SameText(key, kSourceKey)) {
            if (sourceLine_)
                return Fail(LimitProblem::DuplicateKey, key, sourceLine_);
            sourceLine_ = line_;
            set.source = value;
            return true;
        }
        LimitRule rule{};
        if (!RuleKey(key, rule))
            return false;
        for (const LimitRule& earlier : set.rules) {
            if (earlier.scope == rule.scope && earlier.figure == rule.figure)
                return Fail(LimitProblem::DuplicateKey, key, earlier.line);
        }
        const std::string number = WithoutComment(value);
        if (!ParseDecimal(number, rule.max))
            return Fail(LimitProblem::BadNumber, number);
        rule.line = line_;
        set.rules.push_back(rule);
        return true;
    }

    bool RuleKey(const std::string& key, LimitRule& rule)
    {
        const std::size_t dot = key.find('.');
        if (dot == std::string::npos)
            return Fail(LimitProblem::UnknownKey, key);
        const std::string scope = Trim(key.substr(0, dot));
        const std::string figure = Trim(key.substr(dot + 1));
        if (SameText(scope, kScopeKeys[kScopeMean]))
            rule.scope = kScopeMean;
        else if (SameText(scope, kScopeKeys[kScopeClosing]))
            rule.scope = kScopeClosing;
        else
            return Fail(LimitProblem::UnknownKey, key);
        for (int f = 0; f < kFigureCount; ++f) {
            if (SameText(figure, FigureKey(static_cast<FigureId>(f)))) {
                rule.figure = static_cast<FigureId>(f);
                return true;
            }
        }
        return Fail(LimitProblem::UnknownFigure, figure);
    }

    LimitFile& out_;
    LimitError& error_;
    int line_ = 0;
    int sourceLine_ = 0;
};

} // namespace

bool ParseLimitFile(const std::string& text, const std::string& path, LimitFile& out,
                    LimitError& error)
{
    Parser parser(path, out, error);
    std::size_t start = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        start = 3;
    int number = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (!parser.Line(text.substr(start, end - start), ++number))
            return false;
        start = end + 1;
    }
    return parser.Finish();
}

bool ReadLimitFile(const std::string& path, LimitFile& out, LimitError& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::string text;
    bool failed = file == nullptr;
    const int openErrno = errno;
    if (file) {
        char buffer[4096];
        std::size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, got);
        failed = std::ferror(file) != 0;
        std::fclose(file);
    }
    if (failed) {
        out = LimitFile{path, {}};
        error = LimitError();
        error.problem = LimitProblem::Unreadable;
        error.path = path;
        error.detail = std::strerror(file ? EIO : openErrno);
        return false;
    }
    return ParseLimitFile(text, path, out, error);
}

const LimitSet* FindLimitSet(const LimitFile& file, const std::string& name)
{
    for (const LimitSet& set : file.sets) {
        if (SameText(set.name, name))
            return &set;
    }
    return nullptr;
}

namespace {

// The text of each problem, in the order of LimitProblem; each takes the
// detail and the other line, where it names them.
const int kProblemTexts[] = {
    0,
    IDS_LIMITS_UNREADABLE,
    IDS_LIMITS_BAD_LINE,
    IDS_LIMITS_EMPTY_SET_NAME,
    IDS_LIMITS_KEY_OUTSIDE_SET,
    IDS_LIMITS_UNKNOWN_KEY,
    IDS_LIMITS_UNKNOWN_FIGURE,
    IDS_LIMITS_BAD_NUMBER,
    IDS_LIMITS_DUPLICATE_SET,
    IDS_LIMITS_DUPLICATE_KEY,
    IDS_LIMITS_SET_WITHOUT_RULE,
};
static_assert(sizeof kProblemTexts / sizeof kProblemTexts[0] ==
                  static_cast<std::size_t>(LimitProblem::SetWithoutRule) + 1,
              "one text for every problem");

} // namespace

std::string DescribeLimitError(const LimitError& error)
{
    const int text = kProblemTexts[static_cast<int>(error.problem)];
    char message[1024];
    if (error.problem == LimitProblem::None)
        return std::string();
    if (error.problem == LimitProblem::Unreadable) {
        FormatAppString(message, sizeof message, text, error.path.c_str(), error.detail.c_str());
        return message;
    }
    char problem[512];
    FormatAppString(problem, sizeof problem, text, error.detail.c_str(), error.otherLine);
    FormatAppString(message, sizeof message, IDS_LIMITS_LINE_ERROR, error.path.c_str(), error.line,
                    problem);
    return message;
}

const char* LimitScopeKey(LimitScope scope)
{
    return kScopeKeys[scope == kScopeClosing ? 1 : 0];
}

// ---- the verdict ----------------------------------------------------------

namespace {

// A closing at the end of the sensor's range read at most the true force, so
// a force above its limit is a true excess. The K-factor is a ratio of two
// such forces and tells nothing then.
bool SaturatedValueCanFail(FigureId figure)
{
    return figure != kFigureKFactor;
}

Outcome JudgeRule(const LimitRule& rule, const SlotFigures* const slots[], int count,
                  RuleJudgement& out)
{
    out.rule = rule;
    out.valueCount = count;
    bool fails = false;
    bool doubtful = false;
    for (int i = 0; i < count; ++i) {
        const SlotFigures& slot = *slots[i];
        out.value[i] = slot.value[rule.figure];
        out.defined[i] = slot.defined[rule.figure];
        if (!out.defined[i])
            doubtful = true;
        else if (out.value[i] > rule.max && (!slot.saturated || SaturatedValueCanFail(rule.figure)))
            fails = true;
        else if (slot.saturated)
            doubtful = true;
    }
    out.outcome = fails ? Outcome::Fail : doubtful ? Outcome::NotAssessable : Outcome::Pass;
    return out.outcome;
}

Outcome Combine(Outcome a, Outcome b)
{
    if (a == Outcome::Fail || b == Outcome::Fail)
        return Outcome::Fail;
    if (a == Outcome::NotAssessable || b == Outcome::NotAssessable)
        return Outcome::NotAssessable;
    return Outcome::Pass;
}

} // namespace

SeriesVerdict JudgeSeries(const LimitSet& set, const SeriesFigures& figures)
{
    SeriesVerdict verdict;
    verdict.saturated = figures.slot[kMessMeanSlot].saturated;
    // Every rule looks at the mean or at all three closings, so a saturated
    // closing reaches each of them (and a set has at least one rule).
    verdict.overall = Outcome::Pass;
    const SlotFigures* const mean[] = {&figures.slot[kMessMeanSlot]};
    const SlotFigures* const closings[] = {&figures.slot[0], &figures.slot[1], &figures.slot[2]};
    for (const LimitRule& rule : set.rules) {
        RuleJudgement judgement{};
        if (rule.scope == kScopeMean)
            JudgeRule(rule, mean, 1, judgement);
        else
            JudgeRule(rule, closings, kMessMeasurements, judgement);
        verdict.overall = Combine(verdict.overall, judgement.outcome);
        verdict.rules.push_back(judgement);
    }
    return verdict;
}

ClosingVerdict JudgeClosing(const LimitSet& set, const SlotFigures& closing)
{
    ClosingVerdict verdict{false, Outcome::Pass};
    const SlotFigures* const slots[] = {&closing};
    for (const LimitRule& rule : set.rules) {
        if (rule.scope != kScopeClosing)
            continue;
        RuleJudgement judgement{};
        verdict.judged = true;
        verdict.outcome = Combine(verdict.outcome, JudgeRule(rule, slots, 1, judgement));
    }
    return verdict;
}

const char* VerdictText(Outcome outcome)
{
    return AppString(outcome == Outcome::Pass   ? IDS_VERDICT_PASS
                     : outcome == Outcome::Fail ? IDS_VERDICT_FAIL
                                                : IDS_VERDICT_NOT_ASSESSABLE);
}

const char* RuleOutcomeText(Outcome outcome)
{
    return AppString(outcome == Outcome::Pass   ? IDS_RULE_PASS
                     : outcome == Outcome::Fail ? IDS_RULE_FAIL
                                                : IDS_RULE_NOT_ASSESSABLE);
}
