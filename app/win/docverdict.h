// docverdict.h - the verdict on a document window's pages: below the value
// text "Descr%d" of a page that has something to say, a verdict control
// "Verdict%d" (a property of the tab control like the page's other parts).
// It is made from the curves the window holds and the limit set chosen now,
// so a document opened later is judged with the set chosen then. A window
// with no set chosen and no saturated closing has no verdict control, and
// its value texts keep their place.
#ifndef DOCVERDICT_H
#define DOCVERDICT_H

#include <windows.h>

#include "doclayout.h"
#include "figures.h"

// The figures of the three measurement curves of a document's tab control
// ("Graph1".."Graph3" and "SensorTyp"). False when a whole curve is missing.
bool DocumentFigures(HWND tab, SeriesFigures* figures);

// Makes, updates or removes the verdict controls on the tab control of
// document and places the value texts again; the page shown (shownPage: 0
// the description, 1..4) shows its verdict at once. A limit file's problem
// is reported with document as owner.
void JudgeDocumentPages(HWND document, HWND tab, int shownPage);

// Places the value text of page 1..4 and, when it has one, its verdict.
void PlacePageTexts(HWND tab, int page, const DocumentLayout& layout);

// The verdict control of page 1..4, or null.
HWND PageVerdict(HWND tab, int page);

// Removes the verdict properties (the controls go with the window).
void ForgetDocumentVerdicts(HWND tab);

#endif
