// limit_file_fuzz_check.cpp - the limit file reader's promises on arbitrary text.
#include "limit_file_fuzz_check.h"

#include <cmath>

#include "limitset.h"

namespace {

int LineCount(const std::string& text)
{
    int lines = 1;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

SeriesFigures AllFigures(double value)
{
    SeriesFigures figures{};
    for (SlotFigures& slot : figures.slot) {
        for (int f = 0; f < kFigureCount; ++f) {
            slot.value[f] = value;
            slot.defined[f] = true;
        }
    }
    return figures;
}

std::string CheckRefused(const LimitFile& file, const LimitError& error, int lines)
{
    if (error.problem == LimitProblem::None || error.problem == LimitProblem::Unreadable)
        return "refused without a problem of the text";
    if (error.line < 1 || error.line > lines)
        return "refused at a line outside the text";
    if (!file.sets.empty())
        return "refused but kept sets";
    if (DescribeLimitError(error).find("Limiti.ini, riga " + std::to_string(error.line)) ==
        std::string::npos)
        return "message without the file and the line";
    return {};
}

std::string CheckSet(const LimitFile& file, const LimitSet& set)
{
    if (set.name.empty() || set.rules.empty())
        return "a set without a name or without rules";
    if (FindLimitSet(file, set.name) != &set)
        return "a set not found again by its name";
    int line = set.line;
    for (std::size_t i = 0; i < set.rules.size(); ++i) {
        const LimitRule& rule = set.rules[i];
        if (!std::isfinite(rule.max) || rule.max < 0.0)
            return "a limit that is not a finite number of at least 0";
        if (rule.figure < 0 || rule.figure >= kFigureCount)
            return "a rule on no figure";
        if (rule.line <= line)
            return "rules out of line order";
        line = rule.line;
        for (std::size_t j = 0; j < i; ++j) {
            if (set.rules[j].scope == rule.scope && set.rules[j].figure == rule.figure)
                return "a rule twice in a set";
        }
    }
    if (JudgeSeries(set, AllFigures(0.0)).overall != Outcome::Pass)
        return "a series of zeros is not a pass";
    if (JudgeSeries(set, AllFigures(1e308)).overall != Outcome::Fail)
        return "a series far above every limit does not fail";
    return {};
}

std::vector<std::uint8_t> Bytes(const char* text)
{
    const std::string s(text);
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

} // namespace

std::string CheckLimitFile(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    LimitFile file;
    LimitError error;
    if (!ParseLimitFile(text, "Limiti.ini", file, error))
        return CheckRefused(file, error, LineCount(text));
    for (const LimitSet& set : file.sets) {
        if (std::string broken = CheckSet(file, set); !broken.empty())
            return "limit file: " + broken;
    }
    return {};
}

std::vector<std::vector<std::uint8_t>> LimitFileSeeds()
{
    return {
        Bytes("; esempio\r\n[Porta di servizio]\r\nFonte=UN R107\r\nMedia.ForzaEffettiva=150\r\n"),
        Bytes("[Cancello]\nFonte=EN 12453\nMedia.ForzaDiPunta=400\nMedia.ForzaDiSerraggio=25\n"
              "# chiusure\nChiusura.ForzaDiPunta=400,5 ; picco\n[Altro]\nChiusura.KFattore=1.\n"
              "Chiusura.DurataImpulsi=,75\nChiusura.Energia=2\nMedia.KFattore=0.9\n"),
        Bytes("[A]\nMedia.Forza=3\n"),
        Bytes("Media.ForzaDiPunta=1\n[A]\n[a]\n"),
    };
}
