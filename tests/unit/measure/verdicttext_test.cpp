// The verdict as the windows, the dialog and the page show it.
#include <gtest/gtest.h>

#include <string>

#include "verdicttext.h"

namespace {

// Peaks of 300, 500 and 300 N, mean 366.7 N; closing 2 without effective force.
SeriesFigures Figures(bool saturateSecond = false)
{
    SeriesFigures f{};
    const double peaks[kMessSlots] = {300.0, 500.0, 300.0, 1100.0 / 3};
    for (int slot = 0; slot < kMessSlots; ++slot) {
        for (int fig = 0; fig < kFigureCount; ++fig) {
            f.slot[slot].value[fig] = fig == kFigurePeak ? peaks[slot] : 0.5;
            f.slot[slot].defined[fig] = !(fig == kFigureEffective && (slot == 1 || slot == 3));
        }
    }
    f.slot[1].saturated = f.slot[kMessMeanSlot].saturated = saturateSecond;
    return f;
}

const LimitSet kClosings{"Prova", "Norma 1", {{kScopeClosing, kFigurePeak, 400.0, 2}}, 1};
const LimitSet kMean{
    "Media", "", {{kScopeMean, kFigurePeak, 400.0, 2}, {kScopeMean, kFigureEffective, 150, 3}}, 1};

TEST(VerdictText, PagesOfEverySlot)
{
    const SeriesFigures plain = Figures(), saturated = Figures(true);
    const struct {
        const LimitSet* set;
        const SeriesFigures* figures;
        const char* pages[kMessSlots];
    } cases[] = {
        {nullptr, &plain, {"", "", "", ""}},
        {nullptr, &saturated, {"", "sensore saturato", "", "sensore saturato"}},
        {&kClosings,
         &plain,
         {"CONFORME", "NON CONFORME", "CONFORME",
          "NON CONFORME\r\nValori limite: Prova\r\nFonte: Norma 1\r\n"
          "Chiusura.ForzaDiPunta: 300.0 / 500.0 / 300.0 N (max 400 N) non conforme"}},
        {&kMean,
         &saturated,
         {"", "sensore saturato", "",
          "NON VALUTABILE\r\nValori limite: Media\r\n"
          "Media.ForzaDiPunta: 366.7 N (max 400 N) non valutabile\r\n"
          "Media.ForzaEffettiva: - (max 150 N) non valutabile\r\nsensore saturato"}},
    };
    for (const auto& c : cases) {
        for (int slot = 0; slot < kMessSlots; ++slot)
            EXPECT_EQ(PageVerdictText(c.set, *c.figures, slot), c.pages[slot])
                << (c.set ? c.set->name : "no set") << " slot " << slot;
    }
}

TEST(VerdictText, DialogNamesTheClosingsEvaluatedSoFar)
{
    const SeriesFigures plain = Figures(), saturated = Figures(true);
    EXPECT_EQ(DialogVerdictText(&kClosings, plain, 1), "Chiusura 1: CONFORME");
    EXPECT_EQ(DialogVerdictText(&kClosings, saturated, 2),
              "Chiusura 1: CONFORME\r\nChiusura 2: NON CONFORME, sensore saturato");
    EXPECT_EQ(DialogVerdictText(&kMean, plain, 3), "");
    EXPECT_EQ(DialogVerdictText(nullptr, saturated, 3), "Chiusura 2: sensore saturato");
}

TEST(VerdictText, PrintedBlock)
{
    const std::vector<std::string> want = {
        "Valori limite: Prova - Fonte: Norma 1",
        "Chiusura.ForzaDiPunta: 300.0 / 500.0 / 300.0 N (max 400 N) non conforme",
        "Giudizio: NON CONFORME", "sensore saturato"};
    EXPECT_EQ(PrintVerdictLines(kClosings, Figures(true)), want);
}

TEST(VerdictText, SetAsTheLimitsDialogListsIt)
{
    EXPECT_EQ(LimitSetText(kClosings), "Fonte: Norma 1\r\nChiusura.ForzaDiPunta: max 400 N");
    EXPECT_EQ(LimitSetText(kMean),
              "Media.ForzaDiPunta: max 400 N\r\nMedia.ForzaEffettiva: max 150 N");
}

TEST(VerdictText, ToneOfEachPart)
{
    const struct {
        const char* part;
        VerdictTone tone;
    } cases[] = {
        {"CONFORME", VerdictTone::Pass},
        {"Chiusura 2: NON CONFORME", VerdictTone::Fault},
        {"Chiusura 3: sensore saturato", VerdictTone::Fault},
        {"NON VALUTABILE", VerdictTone::Plain},
        {"Media.ForzaDiPunta: 300.0 N (max 400 N) conforme", VerdictTone::Plain},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToneOf(c.part), c.tone) << c.part;
}

} // namespace
