#include "removal/quarantine_store.h"

#include <algorithm>
#include <array>

#include "definitions/records.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "removal/quarantine.h"
#include "removal/registry_backup.h"
#include "removal/removal_guard.h"
#include "scan/cookie_store.h"

namespace sorvane::removal {
namespace {

std::string childPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    path.append("\\").append(name);
    return path;
}

std::optional<platform::RootKey> rootNamed(std::string_view name) {
    using platform::RootKey;
    for (RootKey root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users,
                         RootKey::CurrentConfig, RootKey::DynData})
        if (definitions::CurrentHiveName(root) == name) return root;
    return std::nullopt;
}

// A path below a kept folder, as recorded: no way out of it.
bool safeRelative(std::string_view relative) {
    if (relative.empty() || relative.find_first_of("/:") != std::string_view::npos) return false;
    for (const auto& part : text::split(relative, "\\"))
        if (part.empty() || part == "." || part == "..") return false;
    return true;
}

Outcome worse(Outcome a, Outcome b) { return static_cast<int>(a) >= static_cast<int>(b) ? a : b; }

}  // namespace

std::string_view OutcomeName(Outcome outcome) {
    constexpr std::array<std::string_view, 5> names = {"done", "clash", "failed", "not found", "not restorable"};
    return names[static_cast<std::size_t>(outcome)];
}

QuarantineStore::QuarantineStore(platform::FileSystem& files, platform::Registry& registry, platform::Locale& locale,
                                 platform::Signatures& signatures, std::string quarantineFolder)
    : files_(files),
      registry_(registry),
      locale_(locale),
      signatures_(signatures),
      folder_(std::move(quarantineFolder)),
      index_(files, folder_) {}

bool QuarantineStore::load() { return index_.loadForReading(); }

bool QuarantineStore::makeFolders(std::string_view folder) {
    if (folder.empty() || IsRootPath(folder)) return true;
    if (const auto entry = files_.lookup(folder)) return entry->isFolder();
    const auto parents = ParentPaths(folder);
    if (!parents.empty() && !makeFolders(parents.front())) return false;
    return files_.createFolder(folder).ok() || files_.lookup(folder).has_value();
}

Outcome QuarantineStore::restoreFile(const std::string& kept, const std::string& original, const std::string& sha256,
                                     std::string& detail) {
    const auto copy = files_.lookup(kept);
    if (!copy || copy->isFolder()) {
        detail = "the kept copy is missing: " + kept;
        return Outcome::Failed;
    }
    if (!sha256.empty() && FileSha256(files_, signatures_, kept) != sha256) {
        detail = "the kept copy is damaged: " + kept;
        return Outcome::Failed;
    }
    if (files_.lookup(original)) {
        // The very same bytes already back in place are no clash: an earlier restore did it.
        if (!sha256.empty() && FileSha256(files_, signatures_, original) == sha256) return Outcome::Done;
        detail = "already there, left as it is: " + original;
        return Outcome::Clash;
    }
    const auto parents = ParentPaths(original);
    if (!parents.empty() && !makeFolders(parents.front())) {
        detail = "cannot create the folder " + parents.front();
        return Outcome::Failed;
    }
    if (!files_.copyFile(kept, original, true).ok()) {
        detail = "cannot write " + original;
        return files_.lookup(original) ? Outcome::Clash : Outcome::Failed;
    }
    if (!sha256.empty() && FileSha256(files_, signatures_, original) != sha256) {
        // What was written is not what was kept: it must not pass for the restored file.
        (void)files_.setAttributes(original, platform::attribute::Normal);
        (void)files_.deleteFile(original);
        detail = "the restored bytes differ from the kept ones: " + original;
        return Outcome::Failed;
    }
    return Outcome::Done;
}

Outcome QuarantineStore::restoreFolder(const IndexEntry& entry, std::string& detail) {
    const std::string kept = childPath(folder_, entry.kept);
    if (!files_.lookup(kept)) {
        detail = "the kept copy is missing: " + kept;
        return Outcome::Failed;
    }
    if (!makeFolders(entry.original)) {
        detail = "cannot create the folder " + entry.original;
        return Outcome::Failed;
    }
    Outcome outcome = Outcome::Done;
    // Folders first, so that empty ones come back too, then every file the kept folder holds.
    std::vector<std::pair<std::string, std::size_t>> pending{{"", 0}};
    std::vector<KeptFile> unlisted;
    while (!pending.empty()) {
        const auto [relative, depth] = pending.back();
        pending.pop_back();
        if (depth > limits::MaxFolderDepth) return Outcome::Failed;
        std::vector<platform::DirectoryEntry> children;
        if (!files_.listFolder(relative.empty() ? kept : childPath(kept, relative), children).ok()) continue;
        for (const auto& child : children) {
            const std::string below = relative.empty() ? child.name : childPath(relative, child.name);
            if (!child.isFolder()) {
                // The list is saved only once the folder is gone; when that save failed (or the
                // program was killed first) the kept copies are all there is of those files.
                if (std::none_of(entry.files.begin(), entry.files.end(),
                                 [&](const KeptFile& file) { return text::equalsNoCase(file.path, below); }))
                    unlisted.push_back(KeptFile{below, child.size, {}});
                continue;
            }
            if (!makeFolders(childPath(entry.original, below))) outcome = worse(outcome, Outcome::Failed);
            pending.emplace_back(below, depth + 1);
        }
    }
    auto putBack = [&](const KeptFile& file) {
        if (!safeRelative(file.path)) {
            outcome = worse(outcome, Outcome::Failed);
            return;
        }
        std::string one;
        const Outcome result =
            restoreFile(childPath(kept, file.path), childPath(entry.original, file.path), file.sha256, one);
        if (result != Outcome::Done && detail.empty()) detail = one;
        outcome = worse(outcome, result);
    };
    for (const auto& file : entry.files) putBack(file);
    for (const auto& file : unlisted) putBack(file);
    return outcome;
}

Outcome QuarantineStore::restoreRegistry(const IndexEntry& entry, std::string& detail) {
    const auto root = rootNamed(entry.root);
    if (!root || entry.key.empty()) {
        detail = "no such root key: " + entry.root;
        return Outcome::Failed;
    }
    RegistryRestore result;
    if (entry.tree) {
        result = RestoreKey(registry_, *root, entry.key, *entry.tree);
    } else if (entry.value) {
        result = RestoreValue(registry_, *root, entry.key, *entry.value);
    } else {
        detail = "no registry data was recorded";
        return Outcome::Failed;
    }
    if (result.failures > 0) {
        detail = "could not write " + std::to_string(result.failures) + " value(s) back";
        return Outcome::Failed;
    }
    if (result.clashes > 0) {
        detail = std::to_string(result.clashes) + " value(s) already there, left as they are";
        return Outcome::Clash;
    }
    return Outcome::Done;
}

Outcome QuarantineStore::restoreCookieRows(const IndexEntry& entry, std::string& detail) {
    const auto store = scan::SplitCookieStoreLocation(entry.original);
    const std::string kept = childPath(folder_, entry.kept);
    std::string rows;
    if (!store || !files_.readRange(kept, 0, limits::MaxQuarantineIndex, rows).ok() || Sha256Hex(signatures_, rows) != entry.sha256) {
        detail = "the kept cookies are missing or damaged: " + kept;
        return Outcome::Failed;
    }
    switch (scan::RestoreCookieRows(store->first, rows)) {
    case scan::RowsOutcome::Done: return Outcome::Done;
    case scan::RowsOutcome::Clash:
        detail = "cookies of " + store->second + " are there again, left as they are: " + store->first;
        return Outcome::Clash;
    case scan::RowsOutcome::InUse: detail = "the browser holds its cookies, close it first: " + store->first; break;
    default: detail = "cannot write the cookies back into " + store->first; break;
    }
    return Outcome::Failed;
}

StoreResult QuarantineStore::restore(std::uint64_t id) {
    StoreResult result{id, Outcome::NotFound, {}};
    IndexEntry* entry = index_.find(id);
    if (!entry) return result;
    result.detail = entry->original;
    switch (entry->kind) {
    case EntryKind::File:
    case EntryKind::Cookie:
        result.outcome = restoreFile(childPath(folder_, entry->kept), entry->original, entry->sha256, result.detail);
        break;
    case EntryKind::Folder: result.outcome = restoreFolder(*entry, result.detail); break;
    case EntryKind::RegistryKey:
    case EntryKind::RegistryValue: result.outcome = restoreRegistry(*entry, result.detail); break;
    case EntryKind::CookieRows: result.outcome = restoreCookieRows(*entry, result.detail); break;
    case EntryKind::Link:
        result.outcome = Outcome::NotRestorable;
        result.detail = "a link was removed there; what it pointed to was never touched";
        break;
    }
    if (result.outcome == Outcome::Done) {
        index_.setState(id, EntryState::Restored);
        result.detail = entry->original;
    }
    return result;
}

StoreResult QuarantineStore::purge(std::uint64_t id) {
    StoreResult result{id, Outcome::NotFound, {}};
    const IndexEntry* entry = index_.find(id);
    if (!entry) return result;
    result.detail = entry->original;
    const std::string keptName = entry->kept;
    const bool shared = !keptName.empty() && std::count_if(entries().begin(), entries().end(), [&](const IndexEntry& e) {
                                                 return e.id != id && text::equalsNoCase(e.kept, keptName);
                                             }) > 0;
    if (!keptName.empty() && !shared) {
        const std::string kept = childPath(folder_, keptName);
        if (const auto copy = files_.lookup(kept)) {
            QuarantineLog none(files_, locale_, "");
            Quarantine quarantine(files_, signatures_, none, folder_, nullptr);
            if (copy->isFolder()) {
                quarantine.deleteTree(kept);
            } else {
                (void)files_.setAttributes(kept, platform::attribute::Normal);
                (void)files_.deleteFile(kept);
            }
            if (files_.lookup(kept)) {
                result.outcome = Outcome::Failed;
                result.detail = "cannot delete " + kept;
                return result;
            }
        }
    }
    result.outcome = index_.remove(id) ? Outcome::Done : Outcome::Failed;
    return result;
}

std::vector<std::uint64_t> QuarantineStore::olderThan(std::int64_t days) {
    std::vector<std::uint64_t> ids;
    const auto now = locale_.now();
    for (const auto& entry : entries()) {
        const auto date = ParseIndexDate(entry.date);
        if (date && DaysBetween(*date, now) > days) ids.push_back(entry.id);
    }
    return ids;
}

}  // namespace sorvane::removal
