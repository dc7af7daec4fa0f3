#include "removal/quarantine.h"

#include <cctype>

#include "platform/limits.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "removal/removal_guard.h"

namespace sorvane::removal {
namespace {

// More same-named files than this in quarantine is not a real situation; give up rather
// than walk on for ever.
constexpr int MaxNameCandidates = 10000;
constexpr std::size_t CompareChunk = 1024 * 1024;
constexpr int DeleteAttempts = 8;

std::string childPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    path.append("\\").append(name);
    return path;
}

// The path is the folder itself or lies somewhere below it, by the text alone.
bool within(std::string_view path, std::string_view folder) {
    if (text::equalsNoCase(path, folder)) return true;
    return path.size() > folder.size() && path[folder.size()] == '\\' && text::startsWithNoCase(path, folder);
}

bool changedSince(const platform::DirectoryEntry& now, std::uint64_t size, std::uint64_t lastWriteTime) {
    return now.size != size || now.lastWriteTime != lastWriteTime;
}

}  // namespace

std::string fileNamePart(std::string_view path) {
    const auto slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string candidateFileName(std::string_view name, int n) {
    if (n <= 1) return std::string(name);
    const auto dot = name.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && dot > 0;
    std::string candidate(hasExtension ? name.substr(0, dot) : name);
    candidate.append(" (").append(std::to_string(n)).append(")");
    if (hasExtension) candidate.append(name.substr(dot));
    return candidate;
}

std::string_view withoutTrailingBackslash(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

bool fileIsPresent(platform::FileSystem& files, std::string_view path) {
    const auto entry = files.lookup(path);
    return entry && !entry->isFolder();
}

std::string FileSha256(platform::FileSystem& files, platform::Signatures& signatures, std::string_view path) {
    const auto hash = signatures.startSha256();
    std::string piece;
    for (std::uint64_t offset = 0;;) {
        if (!files.readRange(path, offset, CompareChunk, piece).ok()) return {};
        if (piece.empty()) break;
        hash->add(piece);
        offset += piece.size();
    }
    const auto digest = hash->finish();
    return digest ? text::toHex(*digest) : std::string();
}

std::string Sha256Hex(platform::Signatures& signatures, std::string_view bytes) {
    const auto digest = signatures.sha256(bytes);
    return digest ? text::toHex(*digest) : std::string();
}

Quarantine::Quarantine(platform::FileSystem& files, platform::Signatures& signatures, QuarantineLog& log,
                       std::string folder, std::function<void()> yield)
    : files_(files), signatures_(signatures), log_(log), folder_(std::move(folder)), yield_(std::move(yield)) {}

platform::Status Quarantine::createFolder() {
    // Kept copies, cookies included, are for SYSTEM and administrators only.
    return files_.createPrivateFolder(folder_);
}

void Quarantine::setIndex(QuarantineIndex* index, std::string runDate) {
    index_ = index;
    runDate_ = std::move(runDate);
}

void Quarantine::beginRun() {
    entries_.clear();
    log_.beginRun();
}

bool Quarantine::holds(std::string_view path) {
    path = withoutTrailingBackslash(path);
    if (within(path, folder_)) return true;
    // Another spelling of the same place: a drive letter of its own, a short name, "..", a link.
    const auto quarantine = files_.identity(folder_);
    if (!quarantine) return false;
    if (const auto self = files_.identity(path); self && *self == *quarantine) return true;
    for (const auto& parent : ParentPaths(path))
        if (const auto identity = files_.identity(parent); identity && *identity == *quarantine) return true;
    return false;
}

bool Quarantine::mayTake(std::string_view path) {
    path = withoutTrailingBackslash(path);
    // What is already in quarantine is the backup: keeping it "again" would name the file
    // itself as its own copy and then delete it. A folder holding the quarantine would be
    // copied into itself.
    if (holds(path) || within(folder_, path)) return false;
    if (const auto self = files_.identity(path)) {
        for (const auto& parent : ParentPaths(folder_))
            if (const auto identity = files_.identity(parent); identity && *identity == *self) return false;
    }
    return guard_ == nullptr || guard_->mayRemovePath(path);
}

bool Quarantine::sameContent(std::string_view a, std::string_view b) {
    const auto first = files_.lookup(a);
    const auto second = files_.lookup(b);
    if (!first || !second || first->isFolder() || second->isFolder() || first->size != second->size) return false;
    // Both files are local, so comparing the bytes themselves is cheaper than hashing
    // both and leaves no room for a collision.
    std::string x, y;
    for (std::uint64_t offset = 0;;) {
        if (!files_.readRange(a, offset, CompareChunk, x).ok() || !files_.readRange(b, offset, CompareChunk, y).ok())
            return false;
        if (x != y) return false;
        if (x.empty()) return offset == first->size;
        offset += x.size();
    }
}

void Quarantine::discard(std::string_view path) {
    (void)files_.setAttributes(path, platform::attribute::Normal);
    (void)files_.deleteFile(path);
}

bool Quarantine::copyVerified(std::string_view from, std::string_view to, bool& nameTaken) {
    nameTaken = false;
    const auto status = files_.copyFile(from, to, true);
    if (!status.ok()) {
        nameTaken = status.is(platform::error::FileExists) || status.is(platform::error::AlreadyExists);
        if (!nameTaken) noteFailure(status);
        return false;
    }
    if (sameContent(from, to)) return true;
    discard(to);
    return false;
}

std::optional<std::string> Quarantine::storeFile(std::string_view path) {
    if (!mayTake(path)) return std::nullopt;
    const auto source = files_.lookup(path);
    if (!source || source->isFolder() || source->isLink()) return std::nullopt;
    const std::string name = fileNamePart(path);
    if (name.empty()) return std::nullopt;
    for (int n = 1; n <= MaxNameCandidates; ++n) {
        std::string candidate = candidateFileName(name, n);
        const std::string target = childPath(folder_, candidate);
        if (files_.lookup(target)) {
            if (sameContent(path, target)) return candidate;
            continue;
        }
        bool nameTaken = false;
        if (copyVerified(path, target, nameTaken)) return candidate;
        if (!nameTaken) return std::nullopt;
    }
    return std::nullopt;
}

bool Quarantine::copyTree(std::string_view from, std::string_view to, std::size_t depth,
                          std::vector<Listed>& listing, std::string_view relative, std::vector<KeptFile>& keptFiles) {
    if (depth > limits::MaxFolderDepth) return false;
    if (!files_.createFolder(to).ok()) return false;
    std::vector<platform::DirectoryEntry> entries;
    if (!files_.listFolder(from, entries).ok()) return false;
    for (const auto& entry : entries) {
        const std::string source = childPath(from, entry.name);
        const std::string target = childPath(to, entry.name);
        const std::string below = relative.empty() ? entry.name : childPath(relative, entry.name);
        Listed item{entry, {}};
        // A link is removed as a link; what it points to is no part of the folder.
        if (entry.isLink()) {
            listing.push_back(std::move(item));
            continue;
        }
        if (entry.isFolder()) {
            if (!copyTree(source, target, depth + 1, item.children, below, keptFiles)) return false;
        } else {
            bool nameTaken = false;
            if (!copyVerified(source, target, nameTaken)) return false;
            keptFiles.push_back(KeptFile{below, entry.size, {}});
        }
        listing.push_back(std::move(item));
    }
    return true;
}

std::optional<std::string> Quarantine::copyFolder(std::string_view path, std::vector<Listed>& listing,
                                                  std::vector<KeptFile>& keptFiles) {
    path = withoutTrailingBackslash(path);
    if (!mayTake(path)) return std::nullopt;
    const auto source = files_.lookup(path);
    if (!source || !source->isFolder() || source->isLink()) return std::nullopt;
    const std::string name = fileNamePart(path);
    if (name.empty()) return std::nullopt;
    for (int n = 1; n <= MaxNameCandidates; ++n) {
        std::string candidate = n == 1 ? name : name + " (" + std::to_string(n) + ")";
        const std::string target = childPath(folder_, candidate);
        if (files_.lookup(target)) continue;
        if (copyTree(path, target, 0, listing, "", keptFiles)) return candidate;
        // Only what this attempt created is removed again.
        deleteTree(target);
        return std::nullopt;
    }
    return std::nullopt;
}

void Quarantine::removeLink(std::string_view path, const platform::DirectoryEntry& entry) {
    // Removing a junction or a symbolic link leaves its target as it is.
    if (entry.isFolder()) {
        if ((entry.attributes & platform::attribute::ReadOnly) != 0)
            (void)files_.setAttributes(path, entry.attributes & ~platform::attribute::ReadOnly);
        (void)files_.removeFolder(path);
    } else {
        (void)files_.deleteFile(path);
    }
}

void Quarantine::deleteListed(std::string_view path, std::string_view keptPath, const std::vector<Listed>& listing,
                              std::size_t depth) {
    if (depth > limits::MaxFolderDepth) return;
    for (const auto& item : listing) {
        const std::string child = childPath(path, item.entry.name);
        const std::string keptChild = childPath(keptPath, item.entry.name);
        const auto now = files_.lookup(child);
        if (!now) continue;
        // Something else stands there since the listing: it was not copied, so it stays.
        if (now->isLink() != item.entry.isLink() || now->isFolder() != item.entry.isFolder()) continue;
        if (item.entry.isLink()) {
            removeLink(child, *now);
            continue;
        }
        if (item.entry.isFolder()) {
            deleteListed(child, keptChild, item.children, depth + 1);
            if ((now->attributes & platform::attribute::ReadOnly) != 0)
                (void)files_.setAttributes(child, now->attributes & ~platform::attribute::ReadOnly);
            (void)files_.removeFolder(child);
            continue;
        }
        // Rewritten since it was copied: the kept copy takes the newest bytes first.
        if (changedSince(*now, item.entry.size, item.entry.lastWriteTime)) {
            if (!files_.copyFile(child, keptChild, false).ok() || !sameContent(child, keptChild)) continue;
        }
        if ((now->attributes & platform::attribute::ReadOnly) != 0)
            (void)files_.setAttributes(child, now->attributes & ~platform::attribute::ReadOnly);
        (void)files_.deleteFile(child);
    }
    if (const auto self = files_.lookup(path); self && (self->attributes & platform::attribute::ReadOnly) != 0)
        (void)files_.setAttributes(path, self->attributes & ~platform::attribute::ReadOnly);
    (void)files_.removeFolder(path);
}

bool Quarantine::deleteTree(std::string_view path) { return deleteTree(path, 0); }

bool Quarantine::deleteTree(std::string_view path, std::size_t depth) {
    if (depth > limits::MaxFolderDepth) return false;
    std::vector<platform::DirectoryEntry> entries;
    (void)files_.listFolder(path, entries);
    for (const auto& entry : entries) {
        const std::string child = childPath(path, entry.name);
        if (entry.isLink()) {
            removeLink(child, entry);
            continue;
        }
        if ((entry.attributes & platform::attribute::ReadOnly) != 0)
            (void)files_.setAttributes(child, entry.attributes & ~platform::attribute::ReadOnly);
        if (entry.isFolder()) {
            deleteTree(child, depth + 1);
        } else {
            noteFailure(files_.deleteFile(child));
        }
    }
    if (const auto self = files_.lookup(path); self && (self->attributes & platform::attribute::ReadOnly) != 0)
        (void)files_.setAttributes(path, self->attributes & ~platform::attribute::ReadOnly);
    (void)files_.removeFolder(path);
    return !files_.lookup(path);
}

std::string Quarantine::hashOf(std::string_view path) { return FileSha256(files_, signatures_, path); }

void Quarantine::logFileOnce(std::string_view path, std::string_view keptName) {
    log_.logQuarantinedFile(path, keptName);
}

std::optional<std::uint64_t> Quarantine::entryOf(std::string_view original) const {
    const auto it = entries_.find(text::toLower(original));
    if (it == entries_.end()) return std::nullopt;
    return it->second;
}

bool Quarantine::record(std::string_view original, IndexEntry entry) {
    if (!index_) return true;
    const std::string key = text::toLower(original);
    if (const auto it = entries_.find(key); it != entries_.end()) {
        // Kept anew in a later attempt: the entry names the newest copy.
        IndexEntry* existing = index_->find(it->second);
        if (!existing) return false;
        const IndexEntry before = *existing;
        existing->kept = entry.kept;
        existing->size = entry.size;
        existing->sha256 = entry.sha256;
        existing->files = entry.files;
        if (index_->save()) return true;
        *existing = before;
        return false;
    }
    entry.date = runDate_;
    if (entry.threat.empty()) entry.threat = threat_;
    entry.original = std::string(original);
    entry.state = EntryState::Kept;
    const auto id = index_->add(std::move(entry));
    if (!id) return false;
    entries_[key] = *id;
    return true;
}

void Quarantine::settle(std::string_view original, bool stillThere) {
    if (!index_) return;
    if (const auto id = entryOf(original)) index_->setState(*id, stillThere ? EntryState::Resisted : EntryState::Removed);
}

bool Quarantine::removeKeptFile(std::string_view path, EntryKind kind, int attempts) {
    if (!fileIsPresent(files_, path)) return false;
    bool attempted = false;
    std::optional<std::string> stored;
    std::uint64_t keptSize = 0, keptTime = 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (const auto now = files_.lookup(path); now && !now->isFolder()) {
            // Compared again before every attempt: a file rewritten since its copy is kept anew.
            if (stored && changedSince(*now, keptSize, keptTime)) stored.reset();
            if (!stored) {
                keptSize = now->size;
                keptTime = now->lastWriteTime;
                stored = storeFile(path);
                if (stored) {
                    logFileOnce(path, *stored);
                    IndexEntry entry;
                    entry.kind = kind;
                    entry.kept = *stored;
                    entry.size = keptSize;
                    entry.sha256 = hashOf(childPath(folder_, *stored));
                    // Unrecorded, the copy could never be put back: the file stays. The copy
                    // may be an older item's, so it stays too.
                    if (!record(path, std::move(entry))) stored.reset();
                }
            }
            if (stored) {
                noteFailure(files_.deleteFile(path));
                attempted = true;
            }
        }
        if (yield_) yield_();
    }
    if (stored) settle(path, fileIsPresent(files_, path));
    return attempted;
}

bool Quarantine::keepCookieRows(std::string_view location, std::string_view host, std::string_view rows) {
    std::string name;
    for (const char c : host) name.push_back(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ? c : '_');
    name += " cookies.json";
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = candidateFileName(name, n);
        const std::string target = childPath(folder_, candidate);
        if (files_.lookup(target)) continue;
        std::string written;
        if (!files_.writeFileFlushed(target, rows).ok() || !files_.readFile(target, written).ok() || written != rows) {
            (void)files_.deleteFile(target);
            return false;
        }
        logFileOnce(location, candidate);
        IndexEntry entry;
        entry.kind = EntryKind::CookieRows;
        entry.kept = candidate;
        entry.size = rows.size();
        entry.sha256 = Sha256Hex(signatures_, rows);
        if (record(location, std::move(entry))) return true;
        (void)files_.deleteFile(target);
        return false;
    }
    return false;
}

bool Quarantine::quarantineFile(std::string_view path) { return removeKeptFile(path, EntryKind::File, DeleteAttempts); }

bool Quarantine::quarantinePath(std::string_view path) {
    if (path.find('\\') == std::string_view::npos) return false;
    path = withoutTrailingBackslash(path);
    const auto entry = files_.lookup(path);
    if (!entry) return false;
    if (!mayTake(path)) return true;
    if (entry->isLink()) {
        IndexEntry link;
        link.kind = EntryKind::Link;
        if (!record(path, std::move(link))) return true;
        removeLink(path, *entry);
        settle(path, files_.lookup(path).has_value());
        return true;
    }
    if (!entry->isFolder()) {
        (void)removeKeptFile(path, EntryKind::File, DeleteAttempts);
        return true;
    }
    std::vector<Listed> listing;
    std::vector<KeptFile> keptFiles;
    const auto kept = copyFolder(path, listing, keptFiles);
    if (!kept) return true;
    const std::string target = childPath(folder_, *kept);
    IndexEntry folder;
    folder.kind = EntryKind::Folder;
    folder.kept = *kept;
    if (!record(path, folder)) {
        // The copy was made under a fresh name by this attempt alone.
        deleteTree(target);
        return true;
    }
    // Deleted from the listing that was copied: whatever appeared since stays.
    deleteListed(path, target, listing, 0);
    for (auto& file : keptFiles) {
        const std::string keptFile = childPath(target, file.path);
        file.sha256 = hashOf(keptFile);
        if (const auto copy = files_.lookup(keptFile)) file.size = copy->size;
    }
    folder.files = std::move(keptFiles);
    // The originals are gone by now and the kept folder holds their only copy: unlike a
    // failed first record, a failed one here must leave that folder alone. The entry saved
    // first names it, and a restore puts back every file it holds, listed or not.
    (void)record(path, std::move(folder));
    settle(path, files_.lookup(path).has_value());
    return true;
}

void Quarantine::quarantineCookieFile(std::string_view path) { (void)removeKeptFile(path, EntryKind::Cookie, 1); }

void openQuarantineFolder(Quarantine& quarantine, platform::Shell& shell) {
    (void)quarantine.createFolder();
    showFolder(shell, quarantine.folder());
}

void showFolder(platform::Shell& shell, std::string_view folder) {
    platform::TraceFailure(shell.start("explorer " + std::string(folder), platform::ShowWindow::Normal),
                           "showing the quarantine folder");
}

}  // namespace sorvane::removal
