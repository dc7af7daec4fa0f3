#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace sorvane::platform {

// Win32 file attribute bits.
namespace attribute {
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System = 0x04;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t Normal = 0x80;
// Junctions and symbolic links: what they point to is not part of them.
inline constexpr std::uint32_t ReparsePoint = 0x400;
}  // namespace attribute

// `name` inside `folder`: one backslash between them, none added after a folder that ends
// with one (a drive root such as "C:\\") or to an empty folder.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\') path += '\\';
    path += name;
    return path;
}

// The name after the last backslash: the whole path when it has none.
inline std::string LastPathComponent(std::string_view path) {
    const auto slash = path.find_last_of('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

struct DirectoryEntry {
    std::string name;  // the name as the file system stores it (exact letter case)
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    bool isFolder() const { return (attributes & attribute::Directory) != 0; }
    // Last write time in 100-nanosecond ticks, as the system stores it.
    std::uint64_t lastWriteTime = 0;
    bool isLink() const { return (attributes & attribute::ReparsePoint) != 0; }
};

// An entry as a listing meets it, for a caller that looks at every entry once and keeps
// little: `name` is valid only during the call that receives it.
struct ListedEntry {
    std::string_view name;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::uint64_t lastWriteTime = 0;
    bool isFolder() const { return (attributes & attribute::Directory) != 0; }
    bool isLink() const { return (attributes & attribute::ReparsePoint) != 0; }
    static ListedEntry of(const DirectoryEntry& entry) {
        return {entry.name, entry.attributes, entry.size, entry.lastWriteTime};
    }
    DirectoryEntry kept() const {
        DirectoryEntry entry{std::string(name), attributes, size};
        entry.lastWriteTime = lastWriteTime;
        return entry;
    }
};

// Called for each entry in turn; false ends the listing there.
using EntryVisitor = std::function<bool(const ListedEntry&)>;

// What a file or folder is, whatever spelling reached it: a drive letter of its own, a
// short name, a network path, ".." or a link all give the same identity.
struct FileIdentity {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

// The file system. Paths are Windows paths (backslashes) held as UTF-8 text; names
// compare without regard to case as Windows does.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Directory lookup of one exact path (no wildcards): the entry when it exists.
    virtual std::optional<DirectoryEntry> lookup(std::string_view path) = 0;
    // The entries of a folder, without "." and "..".
    virtual Status listFolder(std::string_view folder, std::vector<DirectoryEntry>& entries) = 0;
    // The same entries handed to `visit` one at a time as they are read, none kept: a drive's
    // sweep meets every entry of the drive. Ended early by `visit`, it still succeeds. By
    // default the entries come from listFolder, so that a file system built over another
    // (one that hides or counts entries) lists the same both ways.
    virtual Status visitFolder(std::string_view folder, const EntryVisitor& visit) {
        std::vector<DirectoryEntry> entries;
        const Status listed = listFolder(folder, entries);
        for (const auto& entry : entries)
            if (!visit(ListedEntry::of(entry))) break;
        return listed;
    }

    virtual Status readFile(std::string_view path, std::string& bytes) = 0;
    // Reads at most `count` bytes from `offset`; fewer at the end of the file.
    virtual Status readRange(std::string_view path, std::uint64_t offset, std::size_t count, std::string& bytes) = 0;
    // Writes the whole file, replacing it when it exists.
    virtual Status writeFile(std::string_view path, std::string_view bytes) = 0;
    // Appends, creating the file when missing.
    virtual Status appendFile(std::string_view path, std::string_view bytes) = 0;
    // Writes the whole file like writeFile and returns only once its bytes are on the disk.
    virtual Status writeFileFlushed(std::string_view path, std::string_view bytes) = 0;
    // Puts the file `from` in the place of `to` in one step, replacing `to` when it exists,
    // and returns once the change is on the disk: a crash leaves either file, never none.
    virtual Status replaceFile(std::string_view from, std::string_view to) = 0;

    virtual Status copyFile(std::string_view from, std::string_view to, bool failIfExists) = 0;
    virtual Status moveFile(std::string_view from, std::string_view to) = 0;
    virtual Status deleteFile(std::string_view path) = 0;
    virtual Status createFolder(std::string_view path) = 0;
    // Creates a folder that only SYSTEM and the Administrators group may open, its own
    // access list protected from what the parent folder passes down (what is kept in it,
    // cookies included, is no other local user's to read). A folder already there is left
    // as it is and the call fails as createFolder does.
    virtual Status createPrivateFolder(std::string_view path) { return createFolder(path); }
    // Removes an empty folder.
    virtual Status removeFolder(std::string_view path) = 0;
    virtual Status setAttributes(std::string_view path, std::uint32_t attributes) = 0;

    // Root paths of the logical drives, such as "C:\".
    virtual std::vector<std::string> drives() = 0;
    virtual DriveType driveType(std::string_view root) = 0;
    virtual bool driveReady(std::string_view root) = 0;

    virtual std::string currentFolder() = 0;

    // The identity of the file or folder the path names, links followed; nothing when it
    // cannot be opened.
    virtual std::optional<FileIdentity> identity(std::string_view path) = 0;
};

}  // namespace sorvane::platform
