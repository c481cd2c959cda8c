// doc_file.cpp - reading a .klv document for klvtool's commands (see doc_file.h).
#include "doc_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool ReadWholeFile(const char* path, std::vector<std::uint8_t>* bytes, std::string* error)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        *error = std::string("cannot open ") + path + ": " + std::strerror(errno);
        return false;
    }
    std::uint8_t chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *error = std::string("cannot read ") + path;
        return false;
    }
    return true;
}

} // namespace

// A document that reads whole; anything less is reported and refused, so a
// damaged file is never shown as if it were complete.
bool LoadDocumentFile(const char* command, const char* path, MeasurementDocument* doc)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(path, &bytes, &error)) {
        std::fprintf(stderr, "klvtool %s: %s\n", command, error.c_str());
        return false;
    }
    const KlvReadResult result = ReadKlvDocument(bytes.data(), bytes.size(), *doc);
    if (!result) {
        std::fprintf(stderr, "klvtool %s: %s: %s\n", command, path,
                     DescribeKlvReadResult(result).c_str());
        return false;
    }
    if (result.trailingBytes > 0)
        std::fprintf(stderr, "klvtool %s: %s: note: %zu bytes after the text block are ignored\n",
                     command, path, result.trailingBytes);
    return true;
}

bool IsHelp(const char* arg)
{
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}
