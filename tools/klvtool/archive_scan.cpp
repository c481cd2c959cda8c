// archive_scan.cpp - walking an archive folder (see archive_scan.h).
#include "archive_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <set>
#include <utility>

namespace {

using FolderId = std::pair<dev_t, ino_t>;

bool IsKlvName(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".klv";
}

FileStamp StampOf(const struct stat& st)
{
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

class Walker {
public:
    Walker(const std::string& root, const ArchiveScanOptions& options, ArchiveScan* scan)
        : root_(root), options_(options), scan_(scan)
    {
    }

    bool Walk(std::string* error)
    {
        struct stat st;
        if (::stat(root_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            *error = ::stat(root_.c_str(), &st) != 0
                         ? "cannot open the folder " + root_ + ": " + std::strerror(errno)
                         : root_ + " is not a folder";
            return false;
        }
        char* real = ::realpath(root_.c_str(), nullptr);
        scan_->index.folder = real ? real : root_;
        std::free(real);
        if (options_.previous) // as many rows as last time, give or take a few
            scan_->rows.reserve(options_.previous->entries.size());
        if (!WalkFolder(std::string(), FolderId{st.st_dev, st.st_ino}, error))
            return false;
        return true;
    }

private:
    std::string Full(const std::string& relative) const
    {
        return relative.empty() ? root_ : root_ + "/" + relative;
    }

    void Problem(const std::string& path, ArchiveProblemKind kind, const std::string& reason)
    {
        scan_->problems.push_back({path, kind, reason});
    }

    // Sorted names, so that runs and pages list files in the same order.
    bool ListFolder(const std::string& relative, std::vector<std::string>* names,
                    std::string* error)
    {
        DIR* dir = ::opendir(Full(relative).c_str());
        if (!dir) {
            *error = std::strerror(errno);
            return false;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names->push_back(name);
        }
        ::closedir(dir);
        std::sort(names->begin(), names->end());
        return true;
    }

    bool WalkFolder(const std::string& relative, FolderId id, std::string* error)
    {
        std::vector<std::string> names;
        std::string why;
        if (!ListFolder(relative, &names, &why)) {
            if (relative.empty()) {
                *error = "cannot open the folder " + root_ + ": " + why;
                return false;
            }
            Problem(relative + "/", ArchiveProblemKind::Unreadable,
                    "cannot open the folder: " + why);
            return true;
        }
        visited_.insert(id);
        ancestors_.push_back(id);
        for (const std::string& name : names) {
            const std::string path = relative.empty() ? name : relative + "/" + name;
            Visit(path, error);
        }
        ancestors_.pop_back();
        return true;
    }

    void Visit(const std::string& path, std::string* error)
    {
        struct stat st;
        if (::stat(Full(path).c_str(), &st) != 0) {
            const int code = errno;
            struct stat link;
            const bool isLink = ::lstat(Full(path).c_str(), &link) == 0 && S_ISLNK(link.st_mode);
            if (code == ELOOP)
                Problem(path, ArchiveProblemKind::LinkLoop, "the symbolic link leads to itself");
            else if (code == ENOENT && !isLink)
                Problem(path, ArchiveProblemKind::Vanished, "the file vanished during the run");
            else if (IsKlvName(path) || isLink)
                Problem(path, ArchiveProblemKind::Unreadable,
                        std::string(isLink ? "broken symbolic link: " : "") + std::strerror(code));
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            const FolderId id{st.st_dev, st.st_ino};
            if (std::find(ancestors_.begin(), ancestors_.end(), id) != ancestors_.end())
                Problem(path, ArchiveProblemKind::LinkLoop,
                        "the symbolic link leads back into a folder being walked; not followed");
            else if (!visited_.count(id))
                WalkFolder(path, id, error);
            return;
        }
        if (S_ISREG(st.st_mode) && IsKlvName(path))
            TakeFile(path, StampOf(st));
    }

    void TakeFile(const std::string& path, const FileStamp& stamp)
    {
        if (options_.previous) {
            auto found = options_.previous->entries.find(path);
            if (found != options_.previous->entries.end() && found->second.stamp == stamp) {
                Record(path, found->second);
                ++scan_->fromIndex;
                return;
            }
        }
        ArchiveIndexEntry entry;
        entry.stamp = stamp;
        if (options_.beforeRead)
            options_.beforeRead(Full(path));
        ReadDocument(path, &entry);
        ++scan_->documentsRead;
        if (entry.isRow || entry.problem.kind != ArchiveProblemKind::Vanished) {
            Record(path, entry);
        } else {
            scan_->problems.push_back(entry.problem);
        }
    }

    void Record(const std::string& path, const ArchiveIndexEntry& entry)
    {
        if (entry.isRow)
            scan_->rows.push_back(entry.row);
        else
            scan_->problems.push_back(entry.problem);
        ArchiveIndexEntry& kept = scan_->index.entries[path];
        kept = entry;
        kept.row.path = kept.problem.path = path;
    }

    // One file into the reused buffer and document.
    void ReadDocument(const std::string& path, ArchiveIndexEntry* entry)
    {
        entry->isRow = false;
        entry->problem.path = path;
        std::string why;
        if (!ReadFile(Full(path), &why)) {
            entry->problem.kind =
                errno == ENOENT ? ArchiveProblemKind::Vanished : ArchiveProblemKind::Unreadable;
            entry->problem.reason = entry->problem.kind == ArchiveProblemKind::Vanished
                                        ? "the file vanished during the run"
                                        : why;
            return;
        }
        const KlvReadResult result = ReadKlvDocument(bytes_.data(), bytes_.size(), doc_);
        if (!result) {
            entry->problem.kind = bytes_.size() < kKlvMagicSize ? ArchiveProblemKind::CutShort
                                                                : ClassifyReadFailure(result);
            entry->problem.reason = DescribeKlvReadResult(result);
            return;
        }
        entry->isRow = true;
        entry->row = ExtractArchiveRow(doc_, path);
    }

    bool ReadFile(const std::string& full, std::string* why)
    {
        bytes_.clear();
        const int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            *why = std::string("cannot open: ") + std::strerror(errno);
            return false;
        }
        struct stat st;
        if (::fstat(fd, &st) == 0 && st.st_size > 0)
            bytes_.reserve(static_cast<std::size_t>(st.st_size));
        std::uint8_t chunk[65536];
        for (;;) {
            const ssize_t got = ::read(fd, chunk, sizeof chunk);
            if (got == 0)
                break;
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                *why = std::string("cannot read: ") + std::strerror(errno);
                const int code = errno;
                ::close(fd);
                errno = code;
                return false;
            }
            bytes_.insert(bytes_.end(), chunk, chunk + got);
        }
        ::close(fd);
        return true;
    }

    const std::string root_;
    const ArchiveScanOptions& options_;
    ArchiveScan* scan_;
    std::set<FolderId> visited_;
    std::vector<FolderId> ancestors_;
    std::vector<std::uint8_t> bytes_;
    MeasurementDocument doc_;
};

} // namespace

bool ScanArchive(const std::string& folder, const ArchiveScanOptions& options, ArchiveScan* scan,
                 std::string* error)
{
    *scan = ArchiveScan();
    Walker walker(folder, options, scan);
    return walker.Walk(error);
}
