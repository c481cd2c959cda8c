// doc_report.h - a .klv document as JSON (klvtool info) and its curves as
// CSV in physical units (klvtool export).
#ifndef KLVTOOL_DOC_REPORT_H
#define KLVTOOL_DOC_REPORT_H

#include <string>
#include <vector>

#include "klvdoc.h"

// UTF-8 JSON: the text of every slot under its item name (the calibration
// slot, never kept, is left out) and "graphWindows", the four graph windows
// with their title, the block fields a load takes over and their graphs;
// then moreMembers, each a whole member ("key": value) indented for the
// top level.
std::string KlvInfoJson(const MeasurementDocument& doc,
                        const std::vector<std::string>& moreMembers = {});

// One exported column: the valid part of one graph, in its physical unit.
struct KlvCurveColumn {
    std::string heading;        // "Graph2.1 Forza di chiusura [N]", UTF-8
    std::vector<double> values; // the first nBuffEnd samples, converted
    double timeStart = 0.0;     // time of sample 0: the window's dTimeMin
    double timeBase = 0.0;      // seconds between two samples
};

// Every graph of every window that holds valid samples, in file order.
// Graphs that cannot be converted (raw full scale 0) are left out with a
// sentence in notes.
std::vector<KlvCurveColumn> KlvCurveColumns(const MeasurementDocument& doc,
                                            std::vector<std::string>* notes);

// CSV: a time column (from the first curve's window start, -1 s for a
// measurement) and one column per curve; a shorter curve leaves its cells
// empty. Curves on another time axis than the first are noted in notes.
std::string KlvCurvesCsv(const std::vector<KlvCurveColumn>& columns,
                         std::vector<std::string>* notes);

// A UTF-8 command-line text as the program's single-byte Windows-1252 text;
// characters it cannot hold become '?'.
std::string Utf8ToCp1252(const std::string& utf8);

#endif
