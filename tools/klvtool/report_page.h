// report_page.h - a .klv document as one self-contained HTML page that shows
// what the printed inspection report shows, laid out by the print layout
// (app/core/printlayout) on an A4 page.
#ifndef KLVTOOL_REPORT_PAGE_H
#define KLVTOOL_REPORT_PAGE_H

#include <array>
#include <string>
#include <vector>

#include "klvdoc.h"

// What the page adds to the printed report's content.
struct ReportAdditions {
    std::string path;                 // shown as the document's file name, UTF-8
    std::array<bool, 4> saturated{};  // per band: measurements 1..3 and the mean
    std::vector<std::string> verdict; // lines of the verdict block, UTF-8; empty: none
    bool verdictPasses = false;       // colours the block's first line
};

std::string ReportHtml(const MeasurementDocument& doc, const ReportAdditions& additions);

#endif
