// doc_figures.h - the figures of a document for klvtool's JSON: the six
// figures of each measurement and of the mean computed from the curves, the
// saturation, and whether the stored value texts say the same.
#ifndef KLVTOOL_DOC_FIGURES_H
#define KLVTOOL_DOC_FIGURES_H

#include <string>

#include "figures.h"
#include "klvdoc.h"

// "effective", "clamping", "peak", "kFactor", "pulseDuration", "energy".
const char* FigureJsonKey(int figure);

// True when the value text of slot 0..3 equals the text the program formats
// from those figures (FormatResult): false shows a document edited by hand
// or written by another program.
bool ValueTextAgrees(const MeasurementDocument& doc, const SeriesFigures& figures, int slot);

// The JSON member "figures": {"measurements": [three slots], "mean": {...}},
// each slot with the six figures (null when the figure does not exist),
// "saturated" and "textsAgree"; "figures": null when the document's curves
// are not a measurement's. Indented as a member of info's top-level object.
std::string FiguresJsonMember(const MeasurementDocument& doc);

#endif
