#include "removal/quarantine.h"

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::removal {
namespace {

// Junctions and symbolic links: their targets are not part of the folder being removed.
constexpr std::uint32_t ReparsePoint = 0x400;
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

// The path is the folder itself or lies somewhere below it.
bool within(std::string_view path, std::string_view folder) {
    if (text::equalsNoCase(path, folder)) return true;
    return path.size() > folder.size() && path[folder.size()] == '\\' &&
           text::startsWithNoCase(path, folder);
}

std::string_view withoutTrailingBackslash(std::string_view path) {
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
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

bool fileIsPresent(platform::FileSystem& files, std::string_view path) {
    const auto entry = files.lookup(path);
    return entry && !entry->isFolder();
}

Quarantine::Quarantine(platform::FileSystem& files, QuarantineLog& log, std::string folder,
                       std::function<void()> yield)
    : files_(files), log_(log), folder_(std::move(folder)), yield_(std::move(yield)) {}

void Quarantine::createFolder() {
    // An error because the folder exists is no error here.
    (void)files_.createFolder(folder_);
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
        return false;
    }
    if (sameContent(from, to)) return true;
    discard(to);
    return false;
}

std::optional<std::string> Quarantine::storeFile(std::string_view path) {
    // What is already in quarantine is the backup: keeping it "again" would name the
    // file itself as its own copy and then delete it.
    if (within(path, folder_)) return std::nullopt;
    const auto source = files_.lookup(path);
    if (!source || source->isFolder()) return std::nullopt;
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

bool Quarantine::copyTree(std::string_view from, std::string_view to, std::size_t depth) {
    if (depth > limits::MaxFolderDepth) return false;
    if (!files_.createFolder(to).ok()) return false;
    std::vector<platform::DirectoryEntry> entries;
    if (!files_.listFolder(from, entries).ok()) return false;
    for (const auto& entry : entries) {
        const std::string source = childPath(from, entry.name);
        const std::string target = childPath(to, entry.name);
        if (entry.isFolder()) {
            // A link is recorded as an empty folder; what it points to stays where it is.
            if ((entry.attributes & ReparsePoint) != 0) {
                if (!files_.createFolder(target).ok()) return false;
            } else if (!copyTree(source, target, depth + 1)) {
                return false;
            }
        } else {
            bool nameTaken = false;
            if (!copyVerified(source, target, nameTaken)) return false;
        }
    }
    return true;
}

std::optional<std::string> Quarantine::storeFolder(std::string_view path) {
    path = withoutTrailingBackslash(path);
    // A folder holding the quarantine would be copied into itself.
    if (within(path, folder_) || within(folder_, path)) return std::nullopt;
    const auto source = files_.lookup(path);
    if (!source || !source->isFolder()) return std::nullopt;
    const std::string name = fileNamePart(path);
    if (name.empty()) return std::nullopt;
    for (int n = 1; n <= MaxNameCandidates; ++n) {
        std::string candidate = n == 1 ? name : name + " (" + std::to_string(n) + ")";
        const std::string target = childPath(folder_, candidate);
        if (files_.lookup(target)) continue;
        if (copyTree(path, target, 0)) return candidate;
        // Only what this attempt created is removed again.
        deleteTree(target);
        return std::nullopt;
    }
    return std::nullopt;
}

bool Quarantine::deleteTree(std::string_view path) { return deleteTree(path, 0); }

bool Quarantine::deleteTree(std::string_view path, std::size_t depth) {
    if (depth > limits::MaxFolderDepth) return false;
    std::vector<platform::DirectoryEntry> entries;
    (void)files_.listFolder(path, entries);
    for (const auto& entry : entries) {
        const std::string child = childPath(path, entry.name);
        if (entry.isFolder() && (entry.attributes & ReparsePoint) == 0) {
            deleteTree(child, depth + 1);
        } else if (entry.isFolder()) {
            (void)files_.removeFolder(child);
        } else {
            if ((entry.attributes & platform::attribute::ReadOnly) != 0)
                (void)files_.setAttributes(child, entry.attributes & ~platform::attribute::ReadOnly);
            (void)files_.deleteFile(child);
        }
    }
    (void)files_.removeFolder(path);
    return !files_.lookup(path);
}

bool Quarantine::quarantineFile(std::string_view path) {
    if (!fileIsPresent(files_, path)) return false;
    bool attempted = false;
    std::optional<std::string> stored;
    for (int attempt = 0; attempt < DeleteAttempts; ++attempt) {
        if (fileIsPresent(files_, path)) {
            if (!stored) {
                stored = storeFile(path);
                if (stored) log_.logQuarantinedFile(path, *stored);
            }
            if (stored) {
                (void)files_.deleteFile(path);
                attempted = true;
            }
        }
        if (yield_) yield_();
    }
    return attempted;
}

bool Quarantine::quarantinePath(std::string_view path) {
    if (path.find('\\') == std::string_view::npos) return false;
    path = withoutTrailingBackslash(path);
    const auto entry = files_.lookup(path);
    if (!entry) return false;
    if (entry->isFolder()) {
        if (storeFolder(path)) deleteTree(path);
        return true;
    }
    const auto stored = storeFile(path);
    if (!stored) return true;
    log_.logQuarantinedFile(path, *stored);
    for (int attempt = 0; attempt < DeleteAttempts; ++attempt) {
        if (fileIsPresent(files_, path)) (void)files_.deleteFile(path);
        if (yield_) yield_();
    }
    return true;
}

void Quarantine::quarantineCookieFile(std::string_view path) {
    const auto stored = storeFile(path);
    if (!stored) return;
    log_.logQuarantinedFile(path, *stored);
    (void)files_.deleteFile(path);
}

void openQuarantineFolder(Quarantine& quarantine, platform::Shell& shell) {
    quarantine.createFolder();
    (void)shell.start("explorer " + quarantine.folder(), platform::ShowWindow::Normal);
}

}  // namespace sorvane::removal
