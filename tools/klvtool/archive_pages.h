// archive_pages.h - an archive's rows as CSV, JSON and an HTML page with a
// table that sorts and filters and the trend of every door position.
#ifndef KLVTOOL_ARCHIVE_PAGES_H
#define KLVTOOL_ARCHIVE_PAGES_H

#include <string>
#include <vector>

#include "archive_scan.h"
#include "limitset.h"

// The verdicts of a limit set, one per row, and the set's limits on the
// mean's effective and peak force for the trend charts (NaN: no such rule).
struct ArchiveJudgement {
    std::string set; // empty: no set given, no verdict column
    std::vector<Outcome> verdicts;
    double effectiveLimit;
    double peakLimit;
};

std::string ArchiveCsv(const ArchiveScan& scan, const ArchiveJudgement& judgement);
std::string ArchiveJson(const ArchiveScan& scan, const ArchiveJudgement& judgement);
std::string ArchiveHtml(const ArchiveScan& scan, const ArchiveJudgement& judgement);

#endif
