// archive_scan.h - the walk over an archive folder: every .klv file below
// it, read one at a time (or taken from the previous run's index when its
// size and modification time are unchanged), as a row or a problem.
#ifndef KLVTOOL_ARCHIVE_SCAN_H
#define KLVTOOL_ARCHIVE_SCAN_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "archive_index.h"
#include "archive_rows.h"

struct ArchiveScan {
    std::vector<ArchiveRow> rows;         // in path order
    std::vector<ArchiveProblem> problems; // in path order
    ArchiveIndex index;                   // what the next run may take over
    std::size_t documentsRead = 0;        // files read
    std::size_t fromIndex = 0;            // files taken from the previous run's index
};

struct ArchiveScanOptions {
    const ArchiveIndex* previous = nullptr; // the last run's index, or none
    // Called with a file's full path just before it is read (tests remove
    // files there to see a file vanish during the run).
    std::function<void(const std::string&)> beforeRead;
};

// Walks folder recursively, following symbolic links; a link that leads back
// into a folder being walked is listed as a problem and not followed, and a
// folder reached twice is walked once. Paths are relative to folder. False
// with a sentence in error when folder itself cannot be walked.
bool ScanArchive(const std::string& folder, const ArchiveScanOptions& options, ArchiveScan* scan,
                 std::string* error);

#endif
