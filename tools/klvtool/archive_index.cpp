// archive_index.cpp - the index file of an archive run (see archive_index.h).
#include "archive_index.h"

#include <charconv>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

const char kHeading[] = "klvtool archive index 1\t";

// Texts may hold any byte but NUL; tabs and line breaks separate the fields.
void AppendField(std::string& out, const std::string& text)
{
    out += '\t';
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

std::string Unescape(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

// The shortest text that reads back as the same double: an index of
// 10,000 documents holds 240,000 of them, and printf would take most of a
// second run's time.
void AppendNumber(std::string& out, double value)
{
    char text[40];
    text[0] = '\t';
    const std::to_chars_result end = std::to_chars(text + 1, text + sizeof text, value);
    out.append(text, end.ptr);
}

void AppendSlot(std::string& out, const SlotFigures& slot)
{
    for (double value : slot.value)
        AppendNumber(out, value);
    std::string flags;
    for (bool defined : slot.defined)
        flags += defined ? '1' : '0';
    flags += slot.saturated ? 'S' : '-';
    AppendField(out, flags);
}

std::vector<std::string_view> SplitLine(const std::string& text, std::size_t begin, std::size_t end)
{
    std::vector<std::string_view> fields;
    std::size_t at = begin;
    for (;;) {
        std::size_t tab = text.find('\t', at);
        if (tab == std::string::npos || tab > end)
            tab = end;
        fields.push_back(std::string_view(text).substr(at, tab - at));
        if (tab == end)
            return fields;
        at = tab + 1;
    }
}

bool ParseInteger(std::string_view field, std::int64_t* value)
{
    const char* last = field.data() + field.size();
    const std::from_chars_result read = std::from_chars(field.data(), last, *value);
    return !field.empty() && read.ec == std::errc() && read.ptr == last;
}

bool ParseSlot(const std::vector<std::string_view>& fields, std::size_t at, SlotFigures* slot)
{
    for (int f = 0; f < kFigureCount; ++f) {
        const std::string_view field = fields[at + f];
        const char* last = field.data() + field.size();
        const std::from_chars_result read = std::from_chars(field.data(), last, slot->value[f]);
        if (field.empty() || read.ec != std::errc() || read.ptr != last)
            return false;
    }
    const std::string_view flags = fields[at + kFigureCount];
    if (flags.size() != kFigureCount + 1)
        return false;
    for (int f = 0; f < kFigureCount; ++f)
        slot->defined[f] = flags[f] == '1';
    slot->saturated = flags[kFigureCount] == 'S';
    return true;
}

constexpr std::size_t kStampFields = 4; // kind, path, size, mtime
constexpr std::size_t kSlotFields = kFigureCount + 1;
constexpr std::size_t kRowFields =
    kStampFields + 1 + kArchiveTextCount + 1 + kMessSlots * kSlotFields;
constexpr std::size_t kProblemFields = kStampFields + 2;

bool ParseRow(const std::vector<std::string_view>& fields, ArchiveIndexEntry* entry)
{
    if (fields.size() != kRowFields)
        return false;
    ArchiveRow& row = entry->row;
    std::size_t at = kStampFields;
    row.date = Unescape(fields[at++]);
    for (std::string& text : row.texts)
        text = Unescape(fields[at++]);
    if (fields[at] != "0" && fields[at] != "1")
        return false;
    row.hasFigures = fields[at++] == "1";
    for (SlotFigures& slot : row.figures.slot) {
        if (!ParseSlot(fields, at, &slot))
            return false;
        at += kSlotFields;
    }
    return true;
}

bool ParseProblem(const std::vector<std::string_view>& fields, ArchiveIndexEntry* entry)
{
    if (fields.size() != kProblemFields)
        return false;
    for (ArchiveProblemKind kind : {ArchiveProblemKind::Foreign, ArchiveProblemKind::CutShort,
                                    ArchiveProblemKind::Damaged, ArchiveProblemKind::Unreadable}) {
        if (fields[kStampFields] == ArchiveProblemName(kind)) {
            entry->problem.kind = kind;
            entry->problem.reason = Unescape(fields[kStampFields + 1]);
            return true;
        }
    }
    return false;
}

} // namespace

std::string EncodeArchiveIndex(const ArchiveIndex& index)
{
    std::string out = kHeading;
    out.pop_back();
    AppendField(out, index.folder);
    out += '\n';
    for (const auto& [path, entry] : index.entries) {
        out += entry.isRow ? "R" : "P";
        AppendField(out, path);
        out += '\t' + std::to_string(entry.stamp.size) + '\t' + std::to_string(entry.stamp.mtimeNs);
        if (entry.isRow) {
            AppendField(out, entry.row.date);
            for (const std::string& text : entry.row.texts)
                AppendField(out, text);
            out += entry.row.hasFigures ? "\t1" : "\t0";
            for (const SlotFigures& slot : entry.row.figures.slot)
                AppendSlot(out, slot);
        } else {
            AppendField(out, ArchiveProblemName(entry.problem.kind));
            AppendField(out, entry.problem.reason);
        }
        out += '\n';
    }
    return out;
}

bool DecodeArchiveIndex(const std::string& text, ArchiveIndex* index, std::string* error)
{
    *index = ArchiveIndex();
    std::size_t end = text.find('\n');
    if (text.compare(0, sizeof kHeading - 1, kHeading) != 0 || end == std::string::npos) {
        *error = "line 1: not a klvtool archive index of this version";
        return false;
    }
    index->folder = Unescape(text.substr(sizeof kHeading - 1, end - (sizeof kHeading - 1)));
    std::size_t line = 1;
    for (std::size_t at = end + 1; at < text.size(); at = end + 1) {
        ++line;
        end = text.find('\n', at);
        if (end == std::string::npos) {
            *error = "line " + std::to_string(line) + ": cut short";
            *index = ArchiveIndex();
            return false;
        }
        const std::vector<std::string_view> fields = SplitLine(text, at, end);
        ArchiveIndexEntry entry;
        entry.isRow = fields[0] == "R";
        bool ok = fields.size() >= kStampFields && (fields[0] == "R" || fields[0] == "P") &&
                  ParseInteger(fields[2], &entry.stamp.size) &&
                  ParseInteger(fields[3], &entry.stamp.mtimeNs);
        ok = ok && (entry.isRow ? ParseRow(fields, &entry) : ParseProblem(fields, &entry));
        if (!ok) {
            *error = "line " + std::to_string(line) + ": not an entry of this format";
            *index = ArchiveIndex();
            return false;
        }
        const std::string path = Unescape(fields[1]);
        entry.row.path = entry.problem.path = path;
        index->entries[path] = std::move(entry);
    }
    return true;
}
