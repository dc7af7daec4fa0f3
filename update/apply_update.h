#pragma once
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/services.h"
#include "platform/status.h"
#include "update/update_observer.h"

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
    bool restored = false;  // it was missing and came whole from the server
};

// The new definition files, not yet written.
struct PreparedUpdate {
    bool readable = true;    // false when a definition file could not be read: apply nothing
    std::size_t count = 0;   // additions per file they went to, plus one per deletion pass
    std::size_t additionRecords = 0;
    std::vector<AppliedFile> files;                               // every file, in update order
    std::vector<std::pair<std::string, std::string>> contents;    // the files to write: name, bytes
};

// The journal left by a cut-short replacement, and the staging file beside the definitions.
inline constexpr std::string_view JournalFile = "update.pending";
inline constexpr std::string_view StagingFile = "temp.dat";
inline constexpr std::string_view NewSuffix = ".new";
// The generation an update leaves behind: the six definition files and "date.dat" as they were
// before it, each beside its live file with this suffix.
inline constexpr std::string_view PreviousSuffix = ".previous";

// Whole definition files by name, as the server keeps them (stored bytes).
using WholeFiles = std::map<std::string, std::string, std::less<>>;

// Builds every file's new content from `text` (the update as the server sent it, in
// single-byte form). Central mode changes only the files the update touches, and takes a
// file listed in `wholeFiles` as it is, in place of applying the text to it; custom mode
// rebuilds all six from the additions. `observer` receives "Applying new updates..." and the
// deletion passes' progress.
PreparedUpdate PrepareUpdate(platform::FileSystem& files, std::string_view folder, std::string_view text,
                             bool customMode, UpdateObserver& observer, const WholeFiles& wholeFiles = {});

// The outcome of putting files in place: the file that could not be written or moved, and why.
struct [[nodiscard]] ReplaceResult {
    platform::Status status;
    std::string file;  // its full path; empty on success
    bool ok() const { return status.ok(); }
};

// The lock every Sorvane process takes to finish or make a replacement, so that one never
// clears the staged files of another's replacement in progress; and how long to wait for it.
inline constexpr std::string_view DefinitionsLockName = "Global\\Sorvane.Definitions.Replace";
inline constexpr std::uint32_t DefinitionsLockWaitMs = 60'000;

// Puts the prepared files, and "date.dat" with `dateLine` when given, in place, and keeps the
// six definition files and "date.dat" as they were as the previous generation (a file that
// was missing is kept empty, which reads the same: no definitions, the shipped date). On a
// failure before the journal is written nothing changes; after it, the next call of
// CompleteInterruptedUpdate finishes the job. Fails, changing nothing, while an earlier
// replacement cannot be finished. The caller holds DefinitionsLockName.
ReplaceResult CommitUpdate(platform::FileSystem& files, std::string_view folder, const PreparedUpdate& update,
                           const std::optional<std::string>& dateLine);

// Finishes a replacement a crash cut short (the journal names the files still to move),
// or clears the leftovers of one that never reached its journal. A failure means the
// journal is still there and the definition files may be partly old, partly new: no update may
// build on them until a later call succeeds. The caller holds DefinitionsLockName.
ReplaceResult CompleteInterruptedUpdate(platform::FileSystem& files, std::string_view folder);

// CompleteInterruptedUpdate under DefinitionsLockName: what start-up, a console scan and
// every update run first. Fails with error::Timeout when another process kept the lock.
ReplaceResult FinishInterruptedUpdate(platform::InstanceLock& locks, platform::FileSystem& files,
                                      std::string_view folder);

enum class RollbackResult { RolledBack, NoGeneration, Failed };
struct RollbackOutcome {
    RollbackResult result = RollbackResult::Failed;
    ReplaceResult failure;  // the file and the cause when Failed
};

// Brings the previous generation back in one step, under the same journal as an update: the
// seven files all become the previous ones or none does. The generation is used up; the next
// update moves forward again and leaves a new one. The caller holds DefinitionsLockName.
RollbackOutcome RollBackDefinitions(platform::FileSystem& files, std::string_view folder);
// RollBackDefinitions under DefinitionsLockName, as the menu and the console run it.
RollbackOutcome RollBackDefinitions(platform::InstanceLock& locks, platform::FileSystem& files, std::string_view folder);

// A replacement that could not be done, for the user: the file and the cause, never the
// network ("... FileDefinition.dat could not be replaced: it is in use by another program").
std::string ReplaceFailureText(const ReplaceResult& failure);

// Applies `text` and returns the count: PrepareUpdate and CommitUpdate without a new date.
std::size_t ApplyUpdate(platform::FileSystem& files, std::string_view folder, std::string_view text, bool customMode,
                        UpdateObserver& observer);

}  // namespace sorvane::update
