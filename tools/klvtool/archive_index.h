// archive_index.h - what a run over an archive learnt about each file, kept
// for the next run: keyed by the file's path below the archive folder, its
// size and its modification time, so that an unchanged file is not read again.
#ifndef KLVTOOL_ARCHIVE_INDEX_H
#define KLVTOOL_ARCHIVE_INDEX_H

#include <cstdint>
#include <string>
#include <unordered_map>

#include "archive_rows.h"

struct FileStamp {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0; // nanoseconds since the epoch
    bool operator==(const FileStamp& other) const
    {
        return size == other.size && mtimeNs == other.mtimeNs;
    }
};

struct ArchiveIndexEntry {
    FileStamp stamp;
    bool isRow = true;
    ArchiveRow row;         // when isRow
    ArchiveProblem problem; // otherwise
};

struct ArchiveIndex {
    std::string folder; // the archive folder's real path the entries belong to
    std::unordered_map<std::string, ArchiveIndexEntry> entries;
};

// The index as text: a heading line naming the format and the folder, then
// one line per file.
std::string EncodeArchiveIndex(const ArchiveIndex& index);

// False with a sentence naming the line and what is wrong when the text is
// not an index of this format; index is then empty (the caller reads every
// file again).
bool DecodeArchiveIndex(const std::string& text, ArchiveIndex* index, std::string* error);

#endif
