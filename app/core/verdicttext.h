// verdicttext.h - the verdict as the program shows and prints it: the line
// below each page's value text, the rules on the mean page and on paper,
// the closings in the measurement dialog, and the colour each part is shown in.
// Texts are Windows-1252 with "\r\n" line ends, like the value texts.
#ifndef VERDICTTEXT_H
#define VERDICTTEXT_H

#include <string>
#include <vector>

#include "figures.h"
#include "limitset.h"

// The text below the value text of slot 0..2 (a closing) or kMessMeanSlot.
// A closing: its verdict by the set's Chiusura rules, and "sensore saturato"
// when it saturated. The mean: the overall verdict, the set's name, its
// Fonte and every rule with its values, limit and result, and "sensore
// saturato" when a closing saturated. set may be null (no set chosen): only
// the saturation is said. Empty when there is nothing to say.
std::string PageVerdictText(const LimitSet* set, const SeriesFigures& figures, int slot);

// The verdict block of the printed page, one line each: the set's name and
// Fonte, every rule, the overall verdict, and "sensore saturato" when a
// closing saturated.
std::vector<std::string> PrintVerdictLines(const LimitSet& set, const SeriesFigures& figures);

// The measurement dialog's text for the closings evaluated so far (count
// 1..3): "Chiusura 1: CONFORME", ... one a line; a closing is named when the
// set judges it or it saturated. Empty when there is nothing to say.
std::string DialogVerdictText(const LimitSet* set, const SeriesFigures& figures, int count);

// A set as the limits dialog lists it: its Fonte, then one rule a line
// ("Media.ForzaDiPunta: max 400 N").
std::string LimitSetText(const LimitSet& set);

// How a part of a verdict text is coloured: a part that says "NON CONFORME"
// or "sensore saturato" as a fault, "CONFORME" as a pass, anything else plain.
enum class VerdictTone { Plain, Pass, Fault };
VerdictTone ToneOf(const std::string& part);

#endif
