#include "update/apply_update.h"

#include "app/definition_files.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "update/applier.h"
#include "update/definitions_date.h"

namespace sorvane::update {

using platform::Status;
namespace error = platform::error;

namespace {

std::string pathOf(std::string_view folder, std::string_view name) { return platform::JoinPath(folder, name); }

void deleteIfPresent(platform::FileSystem& files, const std::string& path) {
    if (files.lookup(path)) (void)files.deleteFile(path);
}

// The files of one generation: the six definition files and the date.
std::vector<std::string> generationFiles() {
    std::vector<std::string> names(UpdateFiles.begin(), UpdateFiles.end());
    names.emplace_back(DateFile);
    return names;
}

// The names a journal may list: the files of a generation, live or kept as the previous one.
bool journalName(std::string_view name) {
    for (const std::string& file : generationFiles()) {
        if (text::equalsNoCase(name, file) || text::equalsNoCase(name, file + std::string(PreviousSuffix))) return true;
    }
    return false;
}

void clearStagedFiles(platform::FileSystem& files, std::string_view folder) {
    for (const std::string& file : generationFiles()) {
        deleteIfPresent(files, pathOf(folder, file + std::string(NewSuffix)));
        deleteIfPresent(files, pathOf(folder, file + std::string(PreviousSuffix) + std::string(NewSuffix)));
    }
    deleteIfPresent(files, pathOf(folder, StagingFile));
}

// Writes every staged file beside its target as NAME.new, then the journal that lists them;
// then moves each over its target and removes the journal. Before the journal is in place
// nothing has changed; after it, CompleteInterruptedUpdate finishes the job.
ReplaceResult replaceUnderJournal(platform::FileSystem& files, std::string_view folder,
                                  const std::vector<std::pair<std::string, std::string>>& staged) {
    // 1. Every new file beside its live one, on the disk before anything is replaced.
    std::string journal;
    for (const auto& [name, content] : staged) {
        const std::string path = pathOf(folder, name + std::string(NewSuffix));
        if (auto s = files.writeFileFlushed(path, content); !s.ok()) {
            clearStagedFiles(files, folder);
            return {s, path};
        }
        journal += name + "\r\n";
    }
    // 2. The journal, itself put in place in one step: from here on the replacement happens.
    const std::string staging = pathOf(folder, StagingFile);
    const std::string journalPath = pathOf(folder, JournalFile);
    if (auto s = files.writeFileFlushed(staging, journal); !s.ok()) {
        clearStagedFiles(files, folder);
        return {s, staging};
    }
    if (auto s = files.replaceFile(staging, journalPath); !s.ok()) {
        clearStagedFiles(files, folder);
        return {s, journalPath};
    }
    // 3. Each file over its live one, in the journal's order; then the journal goes.
    for (const auto& [name, content] : staged) {
        const std::string path = pathOf(folder, name);
        if (auto s = files.replaceFile(pathOf(folder, name + std::string(NewSuffix)), path); !s.ok()) return {s, path};
    }
    if (auto s = files.deleteFile(journalPath); !s.ok()) return {s, journalPath};
    return {};
}

}  // namespace

PreparedUpdate PrepareUpdate(platform::FileSystem& files, std::string_view folder, std::string_view text,
                             bool customMode, UpdateObserver& observer, const WholeFiles& wholeFiles) {
    PreparedUpdate prepared;
    UpdateChanges changes(text, [&](std::size_t) { observer.statusChanged("Applying new updates..."); });
    prepared.additionRecords = changes.additionRecords();
    for (std::size_t i = 0; i < UpdateFileCount; ++i) {
        const std::string name(UpdateFiles[i]);
        if (const auto whole = wholeFiles.find(name); !customMode && whole != wholeFiles.end()) {
            // Counted as one change, as a deletion pass is, so that the update is seen to have done something.
            ++prepared.count;
            prepared.files.push_back({name, 0, false, true});
            prepared.contents.emplace_back(name, whole->second);
            continue;
        }
        std::string old;
        if (!customMode) {
            const std::string path = pathOf(folder, name);
            if (const auto entry = files.lookup(path)) {
                if (entry->isFolder() || entry->size > limits::MaxDefinitionFile || !files.readFile(path, old).ok()) {
                    prepared.readable = false;
                    return prepared;
                }
            }
        }
        const FileUpdate updated = changes.apply(i, old, customMode, [&](std::size_t read) {
            observer.statusChanged(read == 0 ? std::string("Applying new updates...")
                                             : "Removing outdated definitions: checking entry " + std::to_string(read));
        });
        observer.statusChanged("Applying new updates...");
        prepared.count += updated.count();
        prepared.files.push_back({name, updated.added, updated.deletionPass});
        if (customMode || updated.count() > 0) prepared.contents.emplace_back(name, updated.content);
    }
    return prepared;
}

ReplaceResult CommitUpdate(platform::FileSystem& files, std::string_view folder, const PreparedUpdate& update,
                           const std::optional<std::string>& dateLine) {
    // New files staged over an unfinished replacement would take the place of those its journal still lists.
    if (auto r = CompleteInterruptedUpdate(files, folder); !r.ok()) return r;
    std::vector<std::pair<std::string, std::string>> staged;
    if (!update.contents.empty() || dateLine) {
        // The files as they stand become the previous generation, switched with the new ones.
        for (const std::string& name : generationFiles()) {
            const std::string path = pathOf(folder, name);
            std::string bytes;
            if (const auto entry = files.lookup(path); entry && !entry->isFolder()) {
                if (auto s = files.readFile(path, bytes); !s.ok()) return {s, path};
            }
            staged.emplace_back(name + std::string(PreviousSuffix), std::move(bytes));
        }
    }
    staged.insert(staged.end(), update.contents.begin(), update.contents.end());
    if (dateLine) staged.emplace_back(std::string(DateFile), *dateLine + "\r\n");
    if (staged.empty()) return {};
    return replaceUnderJournal(files, folder, staged);
}

RollbackOutcome RollBackDefinitions(platform::FileSystem& files, std::string_view folder) {
    if (auto r = CompleteInterruptedUpdate(files, folder); !r.ok()) return {RollbackResult::Failed, r};
    std::vector<std::pair<std::string, std::string>> staged;
    for (const std::string& name : generationFiles()) {
        const std::string kept = pathOf(folder, name + std::string(PreviousSuffix));
        const auto entry = files.lookup(kept);
        // A generation is whole or it is none: half of one would mix two sets of definitions.
        if (!entry || entry->isFolder()) return {RollbackResult::NoGeneration, {}};
        std::string bytes;
        if (auto s = files.readFile(kept, bytes); !s.ok()) return {RollbackResult::Failed, {s, kept}};
        staged.emplace_back(name, std::move(bytes));
    }
    if (auto r = replaceUnderJournal(files, folder, staged); !r.ok()) return {RollbackResult::Failed, r};
    // Used up once the files are back: a crash before the last is gone leaves a generation
    // that brings back the same files again, which changes nothing.
    for (const std::string& name : generationFiles()) {
        const std::string kept = pathOf(folder, name + std::string(PreviousSuffix));
        if (auto s = files.deleteFile(kept); !s.ok()) return {RollbackResult::Failed, {s, kept}};
    }
    return {RollbackResult::RolledBack, {}};
}

ReplaceResult CompleteInterruptedUpdate(platform::FileSystem& files, std::string_view folder) {
    const std::string journalPath = pathOf(folder, JournalFile);
    std::string journal;
    if (files.lookup(journalPath)) {
        // Without its list the staged files cannot be told apart: leave everything for a later run.
        if (auto s = files.readRange(journalPath, 0, 4096, journal); !s.ok()) return {s, journalPath};
        ReplaceResult complete;
        for (const std::string& name : text::lines(journal)) {
            if (!journalName(name)) continue;
            const std::string staged = pathOf(folder, name + std::string(NewSuffix));
            if (!files.lookup(staged)) continue;
            const std::string path = pathOf(folder, name);
            if (auto s = files.replaceFile(staged, path); !s.ok() && complete.ok()) complete = {s, path};
        }
        if (!complete.ok()) return complete;  // tried again next time; the journal still says what is left
        if (auto s = files.deleteFile(journalPath); !s.ok()) return {s, journalPath};
    }
    // Staged files without a journal belong to an update that never took place.
    clearStagedFiles(files, folder);
    return {};
}

ReplaceResult FinishInterruptedUpdate(platform::InstanceLock& locks, platform::FileSystem& files,
                                      std::string_view folder) {
    const platform::ScopedLock lock(locks, DefinitionsLockName, DefinitionsLockWaitMs);
    if (!lock.status().ok()) return {lock.status(), pathOf(folder, JournalFile)};
    return CompleteInterruptedUpdate(files, folder);
}

RollbackOutcome RollBackDefinitions(platform::InstanceLock& locks, platform::FileSystem& files,
                                    std::string_view folder) {
    const platform::ScopedLock lock(locks, DefinitionsLockName, DefinitionsLockWaitMs);
    if (!lock.status().ok()) return {RollbackResult::Failed, {lock.status(), pathOf(folder, JournalFile)}};
    return RollBackDefinitions(files, folder);
}

std::string ReplaceFailureText(const ReplaceResult& failure) {
    std::string cause;
    switch (failure.status.code()) {
        case error::AccessDenied: cause = "access is denied (the file or its folder is read-only or protected)"; break;
        case error::SharingViolation: cause = "it is in use by another program"; break;
        case error::Timeout: cause = "another Sorvane program kept the definition files busy"; break;
        case error::NotReady: cause = "the drive is not ready"; break;
        case error::DiskFull: cause = "the disk is full"; break;
        case error::FileNotFound:
        case error::PathNotFound: cause = "it or its folder could not be found"; break;
        default: cause = "system error " + std::to_string(failure.status.code()); break;
    }
    return "the definition files could not be replaced: " + failure.file + ": " + cause;
}

std::size_t ApplyUpdate(platform::FileSystem& files, std::string_view folder, std::string_view text, bool customMode,
                        UpdateObserver& observer) {
    const PreparedUpdate prepared = PrepareUpdate(files, folder, text, customMode, observer);
    if (!prepared.readable) return 0;
    if (!CommitUpdate(files, folder, prepared, std::nullopt).ok()) return 0;
    return prepared.count;
}

}  // namespace sorvane::update
