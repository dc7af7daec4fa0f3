#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

// Applying an update text to the definition files in the program folder. The new files
// are prepared in memory and then put in place together: each is written beside its
// live file and moved over it in one step, under a journal that the next run completes
// when a crash cut the step short. A crash at any moment leaves the definitions wholly
// old or wholly new.
namespace sorvane::update {

// Where each definition file stands after an update.
struct AppliedFile {
    std::string name;
    std::size_t added = 0;
    bool deletionPass = false;
};

// The new definition files, not yet written.
struct PreparedUpdate {
    bool readable = true;    // false when a definition file could not be read: apply nothing
    std::size_t count = 0;   // additions per file they went to, plus one per deletion pass
    std::size_t additionRecords = 0;
    std::vector<AppliedFile> files;                               // every file, in update order
    std::vector<std::pair<std::string, std::string>> contents;    // the files to write: name, bytes
};

// Shows a status text and lets pending events run.
using UpdateStatus = std::function<void(const std::string& text)>;

// The journal left by a cut-short replacement, and the staging file beside the definitions.
inline constexpr std::string_view JournalFile = "update.pending";
inline constexpr std::string_view StagingFile = "temp.dat";
inline constexpr std::string_view NewSuffix = ".new";

// Builds every file's new content from `text` (the update as the server sent it, in
// single-byte form). Central mode changes only the files the update touches; custom
// mode rebuilds all six from the additions.
PreparedUpdate PrepareUpdate(platform::FileSystem& files, std::string_view folder, std::string_view text,
                             bool customMode, const UpdateStatus& status);

// Puts the prepared files, and "date.dat" with `dateLine` when given, in place. On a
// failure before the journal is written nothing changes; after it, the next call of
// CompleteInterruptedUpdate finishes the job. Fails, changing nothing, while an earlier
// replacement cannot be finished.
[[nodiscard]] platform::Status CommitUpdate(platform::FileSystem& files, std::string_view folder,
                                            const PreparedUpdate& update, const std::optional<std::string>& dateLine);

// Finishes a replacement a crash cut short (the journal names the files still to move),
// or clears the leftovers of one that never reached its journal. Runs before any update
// and at start-up. A failure means the journal is still there and the definition files may
// be part old, part new: no update may build on them until a later call succeeds.
[[nodiscard]] platform::Status CompleteInterruptedUpdate(platform::FileSystem& files, std::string_view folder);

// Applies `text` and returns the count: PrepareUpdate and CommitUpdate without a new date.
std::size_t ApplyUpdate(platform::FileSystem& files, std::string_view folder, std::string_view text, bool customMode,
                        const UpdateStatus& status);

}  // namespace sorvane::update
