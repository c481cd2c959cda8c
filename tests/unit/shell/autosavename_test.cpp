// Names of automatically saved measurements: date, day number, day change.
#include <gtest/gtest.h>

#include "autosavename.h"

namespace {

struct SaveOfTheDay {
    const char* lastDate; // null: no earlier automatic save
    int storedNumber;
    int year, month, day;
    const char* expected;
};

TEST(AutoSaveName, NumbersTheSavesOfOneDayAndRestartsOnTheNext)
{
    const SaveOfTheDay cases[] = {
        {nullptr, 0, 2026, 12, 6, "C:\\Data\\26120600.klv"},
        {"06122026", 1, 2026, 12, 6, "C:\\Data\\26120601.klv"},
        {"06122026", 100, 2026, 12, 6, "C:\\Data\\261206100.klv"},
        {"06122026", 57, 2026, 12, 7, "C:\\Data\\26120700.klv"},
        {"07112026", 3, 2026, 12, 7, "C:\\Data\\26120700.klv"},
        {"31122099", 4, 2100, 1, 1, "C:\\Data\\00010100.klv"},
    };
    for (const SaveOfTheDay& c : cases) {
        char today[kAutoSaveDateSize];
        AutoSaveDateText(today, c.year, c.month, c.day);
        const int n = AutoSaveNumber(c.lastDate, today, c.storedNumber);
        char name[260];
        EXPECT_STREQ(AutoSaveName(name, sizeof name, "C:\\Data", c.year, c.month, c.day, n),
                     c.expected)
            << (c.lastDate ? c.lastDate : "(none)") << " " << c.storedNumber;
    }
}

TEST(AutoSaveName, LastDateIsDayMonthFourDigitYear)
{
    char today[kAutoSaveDateSize];
    AutoSaveDateText(today, 2026, 12, 6);
    EXPECT_STREQ(today, "06122026");
    AutoSaveDateText(today, 2027, 1, 31);
    EXPECT_STREQ(today, "31012027");
}

} // namespace
