// The options dialog's rules for storing a list edited as text.
#include "choicelists.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CutCase {
    const char* name;
    std::string text;
    std::vector<std::pair<int, std::string>> written; // every entry written
};

void PrintTo(const CutCase& c, std::ostream* os)
{
    *os << c.name;
}

class CutChoiceList : public testing::TestWithParam<CutCase> {};

TEST_P(CutChoiceList, WritesExactlyTheseEntries)
{
    const ChoiceListWrites writes = CutChoiceListText(GetParam().text);
    ChoiceListWrites expected;
    for (const auto& [index, entry] : GetParam().written)
        expected[index] = entry;
    for (int i = 0; i < kChoiceListEntries; ++i)
        EXPECT_EQ(writes[i], expected[i]) << "entry " << i;
}

std::string Lines(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "Entry " + std::to_string(i) + "\r\n";
    return text;
}

const CutCase kCutCases[] = {
    {"Empty", "", {}},
    {"TwoLettersWithoutBreak", "AB", {}},
    {"OneLetterWithBreak", "A\r", {}},
    {"ThreeCharacters", "ABC", {{0, "ABC"}}},
    {"OneLetterWithCrLf", "A\r\n", {{0, "A"}}},
    {"LastLineWithoutBreak", "Rossi\r\nBianchi", {{0, "Rossi"}, {1, "Bianchi"}}},
    {"TwoOfThreeAfterDeletingTheLast", "Rossi\r\nBianchi\r\n", {{0, "Rossi"}, {1, "Bianchi"}}},
    {"BlankLineKeepsNumbers", "Rossi\r\n\r\nBianchi\r\n", {{0, "Rossi"}, {2, "Bianchi"}}},
    {"LeadingBlankLine", "\r\nRossi", {{1, "Rossi"}}},
    {"CrWithoutLf", "Rossi\rBianchi", {{0, "Rossi"}, {1, "Bianchi"}}},
    {"LongLineCut", std::string(80, 'x') + "\r\ny", {{0, std::string(79, 'x')}, {1, "y"}}},
    {"LineOf79Kept", std::string(79, 'x'), {{0, std::string(79, 'x')}}},
    {"BlanksAreText", "   \r\n", {{0, "   "}}},
};

INSTANTIATE_TEST_SUITE_P(Rules, CutChoiceList, testing::ValuesIn(kCutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CutChoiceListText, LinesPastTheTwentiethAreIgnored)
{
    const ChoiceListWrites writes = CutChoiceListText(Lines(25));
    EXPECT_EQ(writes[0], "Entry 0");
    EXPECT_EQ(writes[19], "Entry 19");
}

TEST(JoinChoiceListEntries, EveryEntryEndsWithABreakAndNothingIsCut)
{
    EXPECT_EQ(JoinChoiceListEntries({}), "");
    EXPECT_EQ(JoinChoiceListEntries({"Rossi", "Bianchi"}), "Rossi\r\nBianchi\r\n");
    // Twenty entries of 99 characters: far more than one edit ever stored.
    const std::vector<std::string> longList(20, std::string(99, 'y'));
    EXPECT_EQ(JoinChoiceListEntries(longList).size(), 20u * 101u);
}

} // namespace
