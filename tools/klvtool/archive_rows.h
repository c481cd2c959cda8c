// archive_rows.h - one row per document of an archive of .klv files: what a
// quality engineer sorts and filters by, and the series' figures.
#ifndef KLVTOOL_ARCHIVE_ROWS_H
#define KLVTOOL_ARCHIVE_ROWS_H

#include <cstdint>
#include <string>

#include "figures.h"
#include "klvdoc.h"

// The description texts a row shows, in column order after the path and date.
constexpr KlvTextItem kArchiveTextColumns[] = {kKlvPruefer, kKlvFahrzeug,  kKlvTuer, kKlvPosition,
                                               kKlvMessTyp, kKlvSensorTyp, kKlvSerNo};
constexpr int kArchiveTextCount = 7;

struct ArchiveRow {
    std::string path;                     // below the archive folder, as on disk
    std::string date;                     // "YYYY-MM-DD" from the title; empty when it has none
    std::string texts[kArchiveTextCount]; // Windows-1252, as stored
    bool hasFigures = false;              // false: the curves are not a measurement's
    SeriesFigures figures{};
};

// Why a file is listed apart instead of as a row.
enum class ArchiveProblemKind { Foreign, CutShort, Damaged, Unreadable, Vanished, LinkLoop };

struct ArchiveProblem {
    std::string path;
    ArchiveProblemKind kind;
    std::string reason; // a sentence for messages and the pages
};

// "foreign", "cut short", ... as the pages and the index name it.
const char* ArchiveProblemName(ArchiveProblemKind kind);

// The measurement date of a title "Misurazione del DD.MM.YYYY" (the title a
// new measurement gets) as "YYYY-MM-DD"; empty for any other title.
std::string MeasurementDateOf(const std::string& title);

// The row of a document read whole.
ArchiveRow ExtractArchiveRow(const MeasurementDocument& doc, const std::string& path);

// The kind of problem of a file the document reader refused.
ArchiveProblemKind ClassifyReadFailure(const KlvReadResult& result);

#endif
