// archive_rows.cpp - rows and problems of an archive (see archive_rows.h).
#include "archive_rows.h"

#include <cctype>
#include <cstdio>

const char* ArchiveProblemName(ArchiveProblemKind kind)
{
    switch (kind) {
    case ArchiveProblemKind::Foreign:
        return "foreign";
    case ArchiveProblemKind::CutShort:
        return "cut short";
    case ArchiveProblemKind::Damaged:
        return "damaged";
    case ArchiveProblemKind::Unreadable:
        return "unreadable";
    case ArchiveProblemKind::Vanished:
        return "vanished";
    case ArchiveProblemKind::LinkLoop:
        return "link loop";
    }
    return "unreadable";
}

std::string MeasurementDateOf(const std::string& title)
{
    static const char kPrefix[] = "Misurazione del ";
    const std::size_t prefix = sizeof kPrefix - 1;
    if (title.size() != prefix + 10 || title.compare(0, prefix, kPrefix) != 0)
        return std::string();
    const char* d = title.c_str() + prefix;
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(d[i])))
            return std::string();
    if (d[2] != '.' || d[5] != '.')
        return std::string();
    const int day = (d[0] - '0') * 10 + d[1] - '0';
    const int month = (d[3] - '0') * 10 + d[4] - '0';
    if (day < 1 || day > 31 || month < 1 || month > 12)
        return std::string();
    return std::string(d + 6, 4) + "-" + std::string(d + 3, 2) + "-" + std::string(d, 2);
}

ArchiveRow ExtractArchiveRow(const MeasurementDocument& doc, const std::string& path)
{
    ArchiveRow row;
    row.path = path;
    row.date = MeasurementDateOf(doc.texts[kKlvTitle]);
    for (int c = 0; c < kArchiveTextCount; ++c)
        row.texts[c] = doc.texts[kArchiveTextColumns[c]];
    row.hasFigures = ComputeDocumentFigures(doc, row.figures);
    return row;
}

ArchiveProblemKind ClassifyReadFailure(const KlvReadResult& result)
{
    switch (result.status) {
    case KlvReadStatus::BadMagic:
        return ArchiveProblemKind::Foreign;
    case KlvReadStatus::TruncatedTextBlock:
        return ArchiveProblemKind::CutShort;
    case KlvReadStatus::BadGraphRecord:
        switch (result.graph.status) {
        case GraphReadStatus::TooManyGraphs:
        case GraphReadStatus::NegativeSize:
            return ArchiveProblemKind::Damaged;
        default:
            return ArchiveProblemKind::CutShort; // the data end inside a record
        }
    case KlvReadStatus::Ok:
        break;
    }
    return ArchiveProblemKind::Damaged;
}
