#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/shell.h"
#include "platform/signatures.h"
#include "removal/quarantine_index.h"
#include "removal/quarantine_log.h"

namespace sorvane::removal {

class RemovalGuard;

// The quarantine folder beside the program. Nothing is ever deleted before its bytes are
// safely kept here: a file is copied, the copy compared with the original byte for byte,
// and only then is the original deleted; before every further attempt the original is
// looked at again and kept anew when it changed. A name already taken by a different file
// or folder makes the newcomer take the next free name ("name (2).ext", "name (3).ext",
// ...); a file identical to one already kept counts as kept. Links are removed as links:
// what they point to is never entered, copied or deleted.
class Quarantine {
public:
    Quarantine(platform::FileSystem& files, platform::Signatures& signatures, QuarantineLog& log, std::string folder,
               std::function<void()> yield);

    const std::string& folder() const { return folder_; }
    // Creates the folder when it is missing; the system's answer (AlreadyExists when it was there).
    platform::Status createFolder();

    // Records every removal in `index` from now on, under the run's date.
    void setIndex(QuarantineIndex* index, std::string runDate);
    // Refuses whatever the guard refuses.
    void setGuard(const RemovalGuard* guard) { guard_ = guard; }
    // The threat the next items belong to, for the index.
    void setThreat(std::string threat) { threat_ = std::move(threat); }
    // The error code of the last copy or deletion that failed since clearFailure (0: none),
    // so that what resists can be shown with its cause.
    std::uint32_t lastFailure() const { return lastFailure_; }
    void clearFailure() { lastFailure_ = 0; }
    void noteFailure(const platform::Status& status) {
        if (!status.ok()) lastFailure_ = status.code();
    }
    // A new run: items are recorded and logged anew.
    void beginRun();

    // Keeps a verified copy of one file; the name it is kept under, or nothing when no
    // safe copy exists (the file is then not to be deleted).
    std::optional<std::string> storeFile(std::string_view path);

    // Quarantines and deletes one file, retrying the deletion 8 times; false when the
    // file was not there, true once a deletion was attempted.
    bool quarantineFile(std::string_view path);
    // Quarantines and deletes a file or a whole folder; false when the path names neither.
    bool quarantinePath(std::string_view path);
    // Quarantines and deletes one cookie file (a single deletion attempt).
    void quarantineCookieFile(std::string_view path);

    // Keeps one host's cookie rows of a browser's store (their values as text) under a free
    // name and records them for `location`; false when they could not be kept and recorded.
    bool keepCookieRows(std::string_view location, std::string_view host, std::string_view rows);

    // Deletes a folder with its contents, read-only files and folders included; links
    // inside are removed without touching what they point to.
    bool deleteTree(std::string_view path);

    // The index entry of a path removed in this run, if any.
    std::optional<std::uint64_t> entryOf(std::string_view original) const;

    // True when the path is the quarantine folder or lies inside it, in whatever spelling.
    bool holds(std::string_view path);

    // Records a removed item in the index (state "kept"), or names its newest copy when it
    // was recorded earlier in this run. False when the index could not be written: the item
    // must then stay where it is, since nothing could put it back.
    bool record(std::string_view original, IndexEntry entry);
    // The item's state after the deletion: still there ("resisted") or gone ("removed").
    void settle(std::string_view original, bool stillThere);

private:
    // One listing of a folder, taken when it is copied; deletion works from it alone.
    struct Listed {
        platform::DirectoryEntry entry;
        std::vector<Listed> children;
    };
    struct Snapshot {
        std::uint64_t size = 0;
        std::uint64_t lastWriteTime = 0;
    };

    bool mayTake(std::string_view path);
    bool sameContent(std::string_view a, std::string_view b);
    bool copyVerified(std::string_view from, std::string_view to, bool& nameTaken);
    std::optional<std::string> copyFolder(std::string_view path, std::vector<Listed>& listing,
                                          std::vector<KeptFile>& keptFiles);
    bool copyTree(std::string_view from, std::string_view to, std::size_t depth, std::vector<Listed>& listing,
                  std::string_view relative, std::vector<KeptFile>& keptFiles);
    void deleteListed(std::string_view path, std::string_view keptPath, const std::vector<Listed>& listing,
                      std::size_t depth);
    bool deleteTree(std::string_view path, std::size_t depth);
    void discard(std::string_view path);
    void removeLink(std::string_view path, const platform::DirectoryEntry& entry);
    // Keeps the file and deletes it, up to `attempts` times; true once a deletion was attempted.
    bool removeKeptFile(std::string_view path, EntryKind kind, int attempts);
    std::string hashOf(std::string_view path);
    void logFileOnce(std::string_view path, std::string_view keptName);

    platform::FileSystem& files_;
    platform::Signatures& signatures_;
    QuarantineLog& log_;
    std::string folder_;
    std::function<void()> yield_;
    const RemovalGuard* guard_ = nullptr;
    QuarantineIndex* index_ = nullptr;
    std::string runDate_;
    std::string threat_;
    std::uint32_t lastFailure_ = 0;
    std::map<std::string, std::uint64_t> entries_;  // lower-case original -> index id, this run
};

// The text after the last backslash of a path.
std::string fileNamePart(std::string_view path);
// The name of the n-th candidate for a kept file: n = 1 is the name itself, then
// "stem (n).ext" (or "name (n)" without an extension).
std::string candidateFileName(std::string_view name, int n);
// The path without one trailing backslash.
std::string_view withoutTrailingBackslash(std::string_view path);

// True when the path names an existing file (not a folder).
bool fileIsPresent(platform::FileSystem& files, std::string_view path);
// The SHA-256 of a file, read in pieces, as 64 lower-case hex digits; empty when it cannot be
// read or hashed (restore then takes the file unchecked, as it takes one kept before hashing).
std::string FileSha256(platform::FileSystem& files, platform::Signatures& signatures, std::string_view path);
// The same of bytes in memory.
std::string Sha256Hex(platform::Signatures& signatures, std::string_view bytes);

// "View Quarantine" without the quarantine window: creates the folder when missing and
// opens it in the file manager.
void openQuarantineFolder(Quarantine& quarantine, platform::Shell& shell);
// Opens a folder in the file manager, in a normal window, without waiting.
void showFolder(platform::Shell& shell, std::string_view folder);

}  // namespace sorvane::removal
