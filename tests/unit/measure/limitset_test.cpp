// Limit files and the verdict of a series against a set.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "limitset.h"

namespace {

LimitFile Parsed(const std::string& text)
{
    LimitFile file;
    LimitError error;
    EXPECT_TRUE(ParseLimitFile(text, "Limiti.ini", file, error)) << DescribeLimitError(error);
    return file;
}

TEST(LimitFile, SetsRulesCommentsBlanksAndDecimalCommas)
{
    const LimitFile file = Parsed("\xEF\xBB\xBF; esempio\r\n"
                                  "# altro commento\r\n"
                                  "\r\n"
                                  "  [ Porta di servizio ]  \r\n"
                                  "Fonte = UN R107; allegato  \r\n"
                                  "  media.forzaeffettiva =150\r\n"
                                  "Chiusura.ForzaDiPunta= 400,5 ; il picco\r\n"
                                  "[Cancello]\n"
                                  "Media.DurataImpulsi=0.75\n"
                                  "Chiusura.Energia=,5\n"
                                  "Media.KFattore=1.\n"
                                  "Chiusura.ForzaDiSerraggio=25");
    ASSERT_EQ(file.sets.size(), 2u);
    const LimitSet& service = file.sets[0];
    EXPECT_EQ(service.name, "Porta di servizio");
    EXPECT_EQ(service.source, "UN R107; allegato");
    EXPECT_EQ(service.line, 4);
    ASSERT_EQ(service.rules.size(), 2u);
    EXPECT_EQ(service.rules[0].scope, kScopeMean);
    EXPECT_EQ(service.rules[0].figure, kFigureEffective);
    EXPECT_EQ(service.rules[0].max, 150.0);
    EXPECT_EQ(service.rules[1].scope, kScopeClosing);
    EXPECT_EQ(service.rules[1].figure, kFigurePeak);
    EXPECT_EQ(service.rules[1].max, 400.5);
    EXPECT_EQ(service.rules[1].line, 7);

    const LimitSet* gate = FindLimitSet(file, "CANCELLO");
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(gate->source, "");
    const struct {
        LimitScope scope;
        FigureId figure;
        double max;
    } want[] = {{kScopeMean, kFigurePulseDuration, 0.75},
                {kScopeClosing, kFigureEnergy, 0.5},
                {kScopeMean, kFigureKFactor, 1.0},
                {kScopeClosing, kFigureClamping, 25.0}};
    ASSERT_EQ(gate->rules.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(gate->rules[i].scope, want[i].scope) << i;
        EXPECT_EQ(gate->rules[i].figure, want[i].figure) << i;
        EXPECT_EQ(gate->rules[i].max, want[i].max) << i;
    }
    EXPECT_EQ(FindLimitSet(file, "Porta"), nullptr);
}

TEST(LimitFile, EveryProblemNamesFileLineAndCause)
{
    const std::string tooLarge = "1" + std::string(400, '0'); // beyond a double
    const std::string tooLargeRule = "[A]\nMedia.ForzaDiPunta=" + tooLarge;
    const struct {
        const char* text;
        LimitProblem problem;
        int line;
        const char* detail;
        int otherLine;
    } cases[] = {
        {"Media.ForzaDiPunta=400", LimitProblem::KeyOutsideSet, 1, "Media.ForzaDiPunta", 0},
        {"[A]\nMassimo=3", LimitProblem::UnknownKey, 2, "Massimo", 0},
        {"[A]\nTotale.ForzaDiPunta=3", LimitProblem::UnknownKey, 2, "Totale.ForzaDiPunta", 0},
        {"[A]\n\nMedia.Forza=3", LimitProblem::UnknownFigure, 3, "Forza", 0},
        {"[A]\nMedia.ForzaDiPunta=400 N", LimitProblem::BadNumber, 2, "400 N", 0},
        {"[A]\nMedia.ForzaDiPunta=1.400,5", LimitProblem::BadNumber, 2, "1.400,5", 0},
        {"[A]\nMedia.ForzaDiPunta=-5", LimitProblem::BadNumber, 2, "-5", 0},
        {tooLargeRule.c_str(), LimitProblem::BadNumber, 2, tooLarge.c_str(), 0},
        {"[A]\nMedia.ForzaDiPunta=", LimitProblem::BadNumber, 2, "", 0},
        {"[A]\nMedia.ForzaDiPunta=,", LimitProblem::BadNumber, 2, ",", 0},
        {"[A]\nMedia.ForzaDiPunta=1\n[a]\nMedia.ForzaDiPunta=1", LimitProblem::DuplicateSet, 3, "a",
         1},
        {"[A]\nMedia.ForzaDiPunta=1\nmedia.forzadipunta=2", LimitProblem::DuplicateKey, 3,
         "media.forzadipunta", 2},
        {"[A]\nFonte=x\nMedia.ForzaDiPunta=1\nFonte=y", LimitProblem::DuplicateKey, 4, "Fonte", 2},
        {"[A]\nFonte=x\n[B]\nMedia.ForzaDiPunta=1", LimitProblem::SetWithoutRule, 1, "A", 0},
        {"[A]\nMedia.ForzaDiPunta=1\n[B]\nFonte=x\n", LimitProblem::SetWithoutRule, 3, "B", 0},
        {"[A\nMedia.ForzaDiPunta=1", LimitProblem::BadLine, 1, "", 0},
        {"[A]\nMedia.ForzaDiPunta 400", LimitProblem::BadLine, 2, "", 0},
        {"[A]\nMedia.ForzaDiPunta=4\x01", LimitProblem::BadLine, 2, "", 0},
        {"[  ]\nMedia.ForzaDiPunta=1", LimitProblem::EmptySetName, 1, "", 0},
    };
    for (const auto& c : cases) {
        LimitFile file;
        LimitError error;
        EXPECT_FALSE(ParseLimitFile(c.text, "C:\\Misure\\Limiti.ini", file, error)) << c.text;
        EXPECT_TRUE(file.sets.empty()) << c.text;
        EXPECT_EQ(error.problem, c.problem) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_EQ(error.detail, c.detail) << c.text;
        EXPECT_EQ(error.otherLine, c.otherLine) << c.text;
        const std::string message = DescribeLimitError(error);
        const std::string where =
            "File dei valori limite C:\\Misure\\Limiti.ini, riga " + std::to_string(c.line) + ": ";
        EXPECT_EQ(message.rfind(where, 0), 0u) << message;
        EXPECT_NE(message.find(c.detail), std::string::npos) << message;
        if (c.otherLine) {
            EXPECT_NE(message.find("riga " + std::to_string(c.otherLine)), std::string::npos)
                << message;
        }
    }
}

TEST(LimitFile, UnreadableFileNamesTheFile)
{
    LimitFile file;
    LimitError error;
    EXPECT_FALSE(ReadLimitFile("/nonexistent/Limiti.ini", file, error));
    EXPECT_EQ(error.problem, LimitProblem::Unreadable);
    EXPECT_EQ(DescribeLimitError(error),
              "Non ha potuto leggere il file dei valori limite /nonexistent/Limiti.ini: " +
                  std::string(std::strerror(ENOENT)));
}

// ---- the verdict ----------------------------------------------------------

SeriesFigures Figures(double value)
{
    SeriesFigures f{};
    for (SlotFigures& slot : f.slot) {
        for (int fig = 0; fig < kFigureCount; ++fig) {
            slot.value[fig] = value;
            slot.defined[fig] = true;
        }
    }
    return f;
}

LimitSet Set(std::initializer_list<LimitRule> rules)
{
    return LimitSet{"Prova", "Fonte di prova", rules, 1};
}

const double kAbove = std::nextafter(400.0, 1e9);

TEST(Verdict, AtTheLimitPassesAndOneStepAboveFails)
{
    for (LimitScope scope : {kScopeMean, kScopeClosing}) {
        for (FigureId figure : {kFigurePeak, kFigureKFactor, kFigurePulseDuration}) {
            const LimitSet set = Set({{scope, figure, 400.0, 2}});
            SeriesFigures f = Figures(400.0);
            SeriesVerdict v = JudgeSeries(set, f);
            EXPECT_EQ(v.overall, Outcome::Pass) << scope << figure;
            ASSERT_EQ(v.rules.size(), 1u);
            EXPECT_EQ(v.rules[0].valueCount, scope == kScopeMean ? 1 : 3);
            EXPECT_EQ(v.rules[0].value[0], 400.0);

            f.slot[scope == kScopeMean ? kMessMeanSlot : 1].value[figure] = kAbove;
            v = JudgeSeries(set, f);
            EXPECT_EQ(v.overall, Outcome::Fail) << scope << figure;
            EXPECT_EQ(v.rules[0].outcome, Outcome::Fail);
        }
    }
}

// Each scope looks at its own values only: a closing above the limit fails a
// closing rule while the mean below it passes the mean rule.
TEST(Verdict, BothScopesJudgeTheirOwnValues)
{
    const LimitSet set =
        Set({{kScopeMean, kFigurePeak, 400.0, 2}, {kScopeClosing, kFigurePeak, 400.0, 3}});
    SeriesFigures f = Figures(300.0);
    f.slot[2].value[kFigurePeak] = 500.0;
    const SeriesVerdict v = JudgeSeries(set, f);
    EXPECT_EQ(v.rules[0].outcome, Outcome::Pass);
    EXPECT_EQ(v.rules[1].outcome, Outcome::Fail);
    EXPECT_EQ(v.rules[1].value[2], 500.0);
    EXPECT_EQ(v.overall, Outcome::Fail);
    EXPECT_EQ(JudgeClosing(set, f.slot[0]).outcome, Outcome::Pass);
    EXPECT_EQ(JudgeClosing(set, f.slot[2]).outcome, Outcome::Fail);
}

// A figure that does not exist is never a pass, but does not hide a failure.
TEST(Verdict, UndefinedFigureIsNotAssessable)
{
    const LimitSet set =
        Set({{kScopeClosing, kFigureEffective, 150.0, 2}, {kScopeMean, kFigurePeak, 400.0, 3}});
    SeriesFigures f = Figures(100.0);
    f.slot[1].defined[kFigureEffective] = false;
    SeriesVerdict v = JudgeSeries(set, f);
    EXPECT_EQ(v.rules[0].outcome, Outcome::NotAssessable);
    EXPECT_FALSE(v.rules[0].defined[1]);
    EXPECT_EQ(v.overall, Outcome::NotAssessable);
    EXPECT_EQ(JudgeClosing(set, f.slot[1]).outcome, Outcome::NotAssessable);

    f.slot[kMessMeanSlot].value[kFigurePeak] = 401.0;
    v = JudgeSeries(set, f);
    EXPECT_EQ(v.overall, Outcome::Fail);
}

// A saturated closing is never a pass: a force above its limit is a true
// excess, a force below it or a K-factor says nothing.
TEST(Verdict, SaturatedClosingIsNeverAPass)
{
    const struct {
        FigureId figure;
        double value;
        Outcome rule;
    } cases[] = {
        {kFigurePeak, 300.0, Outcome::NotAssessable},
        {kFigurePeak, 401.0, Outcome::Fail},
        {kFigureKFactor, 401.0, Outcome::NotAssessable},
    };
    for (const auto& c : cases) {
        for (LimitScope scope : {kScopeMean, kScopeClosing}) {
            SeriesFigures f = Figures(100.0);
            f.slot[0].saturated = f.slot[kMessMeanSlot].saturated = true;
            f.slot[0].value[c.figure] = f.slot[kMessMeanSlot].value[c.figure] = c.value;
            const LimitSet set = Set({{scope, c.figure, 400.0, 2}});
            const SeriesVerdict v = JudgeSeries(set, f);
            EXPECT_TRUE(v.saturated);
            EXPECT_EQ(v.rules[0].outcome, c.rule) << c.figure << " " << c.value << " " << scope;
            EXPECT_EQ(v.overall, c.rule) << c.figure << " " << c.value << " " << scope;
        }
    }
}

TEST(Verdict, ClosingIsJudgedOnlyByClosingRules)
{
    SeriesFigures f = Figures(500.0);
    const ClosingVerdict meanOnly =
        JudgeClosing(Set({{kScopeMean, kFigurePeak, 400.0, 2}}), f.slot[0]);
    EXPECT_FALSE(meanOnly.judged);
    const ClosingVerdict closing =
        JudgeClosing(Set({{kScopeClosing, kFigurePeak, 600.0, 2}}), f.slot[0]);
    EXPECT_TRUE(closing.judged);
    EXPECT_EQ(closing.outcome, Outcome::Pass);
    f.slot[0].saturated = true;
    EXPECT_EQ(JudgeClosing(Set({{kScopeClosing, kFigurePeak, 600.0, 2}}), f.slot[0]).outcome,
              Outcome::NotAssessable);
}

} // namespace
